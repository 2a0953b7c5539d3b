#pragma once

#include "FolderItem.h"

#include <string>

// Where links lead and what this user may open.
namespace fw {

// The native path with every link in it resolved; the path itself, made absolute and without
// "." and "..", when that cannot be done (nothing is there, or a link on the way is broken).
std::string realPath(const std::string& nativePath);

// The item at the real path of an existing item; any other item as it is.
FolderItem realItem(const FolderItem& item);

// True when the native item is there but this user may not open it for reading, or may not
// reach it through its folders.
bool readingDenied(const FolderItem& item);

} // namespace fw
