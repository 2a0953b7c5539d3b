#include "Services.h"

#include "Dialogs.h"
#include "Logging.h"
#include "PosixFile.h"
#include "Text.h"

#include <array>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <string_view>
#include <sys/stat.h>

namespace fw {

void ShowURL(const QUrl& url) {
    if (!QDesktopServices::openUrl(url))
        qCWarning(lcFw) << "no browser opened" << url;
}

void SimulateUserActivity() {
    // Sent without waiting for the reply: a frozen screen saver service must not freeze the
    // window, and with no bus or no service there is nothing to do. A QDBusInterface would
    // introspect the service synchronously first.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("SimulateUserActivity"));
    call.setAutoStartService(false);
    bus.send(call);
}

namespace {

// Folder name extensions of the bundles that desktops show as one file.
constexpr std::array<std::string_view, 24> kPackageExtensions{
    ".app",         ".bundle",     ".framework",     ".plugin",       ".kext",      ".pkg",
    ".mpkg",        ".rtfd",       ".xpc",           ".appex",        ".prefpane",  ".saver",
    ".qlgenerator", ".mdimporter", ".photoslibrary", ".sparsebundle", ".xcodeproj", ".xcworkspace",
    ".playground",  ".logicx",     ".fcpbundle",     ".pages",        ".numbers",   ".key"};

bool hasPackageExtension(const std::string& name) {
    const std::string lower = Lowercase(name);
    for (const std::string_view extension : kPackageExtensions) {
        if (lower.size() > extension.size() && lower.ends_with(extension))
            return true;
    }
    return false;
}

// An AppDir holds its entry point, an executable regular file (or a link to one) named
// AppRun.
bool isAppDir(const std::string& folderPath) {
    struct stat info {};
    if (!posix::examine(folderPath + "/AppRun", true, info))
        return false;
    return S_ISREG(info.st_mode) && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

} // namespace

bool isPackageFolder(const FolderItem& item) {
    return isPackageFolder(item, item.Status());
}

bool isPackageFolder(const FolderItem& item, const ItemStatus& status) {
    // An item made from stored foreign text is no folder and has no native path to look at.
    if (!status.folder())
        return false;
    return hasPackageExtension(item.Name()) || isAppDir(item.nativePath());
}

bool isPackageFolder(const FolderItem& folder, std::optional<FolderListing>& entries) {
    if (hasPackageExtension(folder.Name()))
        return true;
    entries.emplace(folder);
    // A folder read only in part may hold an AppRun among the entries not read.
    return (entries->error() != 0 || entries->Contains("AppRun")) && isAppDir(folder.nativePath());
}

void reportUnhandledException(const QString& what) {
    qCCritical(lcFw) << "unhandled exception:" << what;
    const QString application = QCoreApplication::applicationName();
    MessageDialog report;
    report.Icon = 2;
    report.Title = fromQString(application);
    report.Message =
        fromQString(QStringLiteral("An unexpected error occurred:\n%1\n\n%2 goes on running.")
                        .arg(what, application));
    report.ShowModal();
}

} // namespace fw
