#pragma once

#include "FolderItem.h"
#include "FolderListing.h"

#include <optional>
#include <QString>
#include <QUrl>

// Services of the desktop and the operating system.
namespace fw {

// Opens an address in the default web browser.
void ShowURL(const QUrl& url);

// Tells the session that the user is active, so the machine does not go to idle sleep:
// org.freedesktop.ScreenSaver.SimulateUserActivity on the session bus, sent without
// waiting. No bus, no service and errors are ignored; the call never blocks.
void SimulateUserActivity();

// The item-information query: True when an existing folder is a package, a folder the
// desktop presents as one file (a known bundle extension, or an AppDir holding an
// executable AppRun). Files, plain folders and missing items are not packages.
bool isPackageFolder(const FolderItem& item);
// The same from the item's status as the caller read it: the item is not examined again.
bool isPackageFolder(const FolderItem& item, const ItemStatus& status);
// The same for `folder`, known to be an existing folder, without a status read of the folder
// itself, for a walk that enters every folder that is no package. When its name does not
// make it a package, its entries are read into `entries` (for the walk to go through), and
// its AppRun is examined only when it has one.
bool isPackageFolder(const FolderItem& folder, std::optional<FolderListing>& entries);

// Shows the report of an exception that no handler caught; the application keeps running.
void reportUnhandledException(const QString& what);

} // namespace fw
