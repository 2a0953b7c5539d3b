#pragma once

#include <string>

namespace fw {

// Copies the file, link or folder tree at `from` to `to`, which must not exist. With
// `followLinks` a link at `from` is copied as its target, otherwise as a link; links inside
// a folder are always copied as links. Permission bits and modification times are kept.
// The copy is made under a temporary name in the destination folder and renamed into place
// when complete; on any failure (and when a worker is killed at a yield point) the
// temporary is removed. Throws FileError.
void copyItem(const std::string& from, bool followLinks, const std::string& to);

} // namespace fw
