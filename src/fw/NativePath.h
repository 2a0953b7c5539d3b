#pragma once

#include <string>
#include <string_view>

// Lexical operations on native (byte) paths. Nothing here touches the file system.
namespace fw::nativepath {

// An absolute path without empty, "." and "dir/.." pieces; a relative path is taken from
// the current folder. The root is "/".
std::string normalise(std::string_view path);
// The folder that holds `path` ("/" for "/name"); `path` must be normalised and not the root.
std::string parent(const std::string& path);
// The last piece of a normalised path ("" for the root).
std::string_view lastPiece(std::string_view path);
// `folder` + "/" + `name`, without doubling the root's slash.
std::string join(const std::string& folder, std::string_view name);

// True when `path` is `folder` or lies below it; both normalised.
bool holds(std::string_view folder, std::string_view path);

// `relative` + "/" + `name` for a path relative to some folder; `name` alone below "".
std::string below(const std::string& relative, std::string_view name);

// A native file name shown as a name of a colon path: ":" becomes "/", and back.
std::string toDisplayName(std::string_view nativeName);
std::string toNativeName(std::string_view displayName);

} // namespace fw::nativepath
