#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

// Source and destination trees of the end-to-end tests, handled by native (byte) paths, so
// that names which are not valid UTF-8 are made and compared without loss.
namespace e2e {

// File times in whole seconds since 1970. Trees get this time unless a test sets another,
// so that a copy and its source can be compared to the nanosecond.
inline constexpr std::int64_t kBaseTime = 1'600'000'000;

// Creates the folder and any missing parents.
void makeFolders(const std::string& path);
// Writes a file (its folder is created when missing) with this content and time.
void writeFile(const std::string& path, const std::string& content,
               std::int64_t seconds = kBaseTime);
void setTime(const std::string& path, std::int64_t seconds);
std::int64_t timeOf(const std::string& path);

// A package: a folder named *.app holding a few files and a link, every file at `seconds`.
void makePackage(const std::string& path, const std::string& payload,
                 std::int64_t seconds = kBaseTime);

// A tree of `folders` folders holding `filesPerFolder` files of `bytes` bytes each, to make a
// run last long enough to act on it while it runs.
void makeBulkTree(const std::string& root, int folders, int filesPerFolder, std::size_t bytes);

// A file of `bytes` bytes, every one of them written (no holes), so that copying it takes
// the time its size says whatever the file system or the copy does with holes.
void writeLargeFile(const std::string& path, std::uint64_t bytes);

// True when both files hold the same bytes; read in blocks, for files too large to hold.
bool sameContents(const std::string& a, const std::string& b);

// The entries below `root`, at any depth, whose names start with ".tolvane-": a copy's
// temporary, or the folder that holds a run's temporaries. A folder that vanishes while the
// tree is read (another process may be copying into it) is passed over.
std::vector<std::string> temporariesBelow(const std::string& root);

// What a tree holds: the path of every entry below the root (not the root itself), mapped
// to its kind and contents: a folder, a link with its target, or a file with its length,
// bytes (a digest) and modification time in nanoseconds. Folder times are not described: the
// copy pass creates folders rather than copying them.
using TreeListing = std::map<std::string, std::string>;
TreeListing describeTree(const std::string& root);

// Every file below the root mapped to its inode and change time: a file that was written
// again, or replaced by a new copy, shows a different value.
TreeListing fileIdentities(const std::string& root);

// The listing without the given entries and everything below them.
TreeListing without(TreeListing listing, std::initializer_list<std::string> removed);

// Empty when both listings are equal; otherwise the differences, one line each (at most 20).
std::string treeDifference(const TreeListing& expected, const TreeListing& actual);

// The colon path of an existing native path: "/:tmp:a:" for the folder /tmp/a, "/:tmp:a:b"
// for the file /tmp/a/b, with ":" inside a name shown as "/".
std::string colonPath(const std::string& nativePath);

} // namespace e2e
