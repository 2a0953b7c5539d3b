#pragma once

#include "FolderItem.h"

#include <optional>
#include <string>

// Where links lead and what this user may open.
namespace fw {

// The native path with every link in it resolved; the path itself, made absolute and without
// "." and "..", when that cannot be done (nothing is there, or a link on the way is broken).
std::string realPath(const std::string& nativePath);

// The native path that writing to `nativePath` reaches: like realPath, but a link whose target
// is missing (a chain of links too) leads to that target, which a write then creates.
std::string writtenPath(const std::string& nativePath);

// The item at the real path of an existing item; any other item as it is.
FolderItem realItem(const FolderItem& item);

// True when the native item is there but this user may not open it for reading, or may not
// reach it through its folders.
bool readingDenied(const FolderItem& item);

// The target of `item` when it is a link whose target is missing and cannot be created either,
// because the folder that would hold it is missing too (an unmounted volume, a checkout that
// is not there); none for anything else, a dangling link into an existing folder included.
std::optional<FolderItem> unreachableLinkTarget(const FolderItem& item);

// Removes what a save of the text file `file` that was killed before its end left behind:
// the temporary files that TextOutputStream writes beside the file it replaces (beside a
// link's target for a link). Only regular files with a temporary's name go. Call it only
// while no stream writes that file.
void removeSaveTemporaries(const FolderItem& file);

} // namespace fw
