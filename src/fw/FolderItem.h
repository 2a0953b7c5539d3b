#pragma once

#include "Date.h"
#include "FileError.h"
#include "TextStreams.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <QPixmap>
#include <string>
#include <vector>

namespace fw {

struct FileIdentity;

// What an item was at one moment: one read of its status, its link followed as the item
// follows it (or not, see FolderItem::EntryStatus). A step that needs several facts of an
// item takes one of these instead of asking the disk for each.
class ItemStatus {
public:
    bool exists() const { return !failure_; }
    bool folder() const { return folder_; }
    // A regular file (no folder, link, device or pipe).
    bool file() const { return file_; }
    // A symbolic link; only a read that does not follow links sees one.
    bool link() const { return link_; }
    // Bytes of a file; 0 for a folder (packages included) and for a missing item.
    std::uint64_t length() const { return length_; }
    // Throws FileError, naming the item and the reason, when it could not be examined.
    Date modificationDate() const;

    // True when `earlier`, a read of the same item, shows another version of it: it came or
    // went, changed its kind or length, or its modification or change time moved (to the
    // nanosecond; every write moves the change time, also one that keeps length and
    // modification time).
    bool changedSince(const ItemStatus& earlier) const;

private:
    friend class FolderItem;
    ItemStatus() = default;

    std::optional<std::string> failure_; // why the status could not be read
    bool folder_ = false;
    bool file_ = false;
    bool link_ = false;
    std::uint64_t length_ = 0;
    Date modified_ = Date::fromUnixTime(0);
    std::int64_t modifiedNs_ = 0; // nanoseconds since 1970
    std::int64_t changedNs_ = 0;
};

// A reference to a file or folder, existing or not, over a native (byte) path. It holds
// nothing but the path and how to take it: every operation looks at the disk afresh, and
// paths longer than the system takes in one call work like any other.
//
// Paths are shown and stored as colon paths: the file-system root is the volume "/", so
// /home/ann/Docs is "/:home:ann:Docs:" (a folder's path ends in ":") and /home/ann/a.txt is
// "/:home:ann:a.txt". A ":" inside a file name appears as "/" in Name and in colon paths,
// which is lossless because "/" never occurs in a file name.
//
// Symbolic links are the platform's aliases. An item taken from Item() has its link
// resolved and follows links in Exists and Directory; one from TrueItem() is the link
// itself and does not follow.
class FolderItem {
public:
    // The item at a native path such as "/home/ann/a.txt" (need not exist).
    static FolderItem fromNativePath(std::string nativePath, bool followLinks = true);

    const std::string& nativePath() const { return path_; }

    // The last component of the path, also of a stored path that is not native
    // ("Documents" of "Disk:Users:user:Documents:").
    std::string Name() const;
    std::string AbsolutePath() const;
    // AbsolutePath of an item known to be a folder, without looking at the disk again.
    std::string absoluteFolderPath() const;
    bool Exists() const;
    bool Directory() const;
    // Bytes of a file; 0 for a folder (packages included) and for a missing item.
    std::uint64_t Length() const;
    // Throws FileError when the item cannot be examined.
    Date ModificationDate() const;
    // Exists, Directory, Length and ModificationDate from one read of the disk.
    ItemStatus Status() const;
    // The same of the entry itself: a link is not followed, and shows as a link.
    ItemStatus EntryStatus() const;
    // Where the chain of links at this path ends: the item itself when it is no link, else the
    // first entry on the chain that is none (its path made plain, links followed from it).
    // None for a broken link, a chain too long to be anything but a loop, and an item made
    // from foreign text.
    std::optional<FolderItem> Resolved() const;
    // None for the root and for an item made from foreign text.
    std::optional<FolderItem> Parent() const;
    // The entry `name` (a display name: "/" stands for ":"), also of a missing folder.
    FolderItem Child(const std::string& name) const;

    // Entries of a folder in a stable order (sorted by name), "." and ".." excluded. Each
    // call reads the folder afresh; a walk over all entries takes one FolderListing instead.
    int Count() const;
    // Entry `index` (1-based) with its link resolved; none for a broken link or a bad index.
    std::optional<FolderItem> Item(int index) const;
    // Entry `index` (1-based) as it is, a link not followed; none for a bad index.
    std::optional<FolderItem> TrueItem(int index) const;

    // Each throws FileError with the reason when it fails.
    void CreateAsFolder() const;
    // Copies a file or a whole folder tree to `destination`, which must not exist. Links
    // are copied as links; permissions and modification times are kept. Written under a
    // temporary name in the destination folder and renamed into place when complete, so
    // a failure or a crash never leaves a partial copy under the destination name. Gives
    // the entries inside a folder that were left out (pipes, sockets, devices, and links
    // where the destination cannot hold any), as paths relative to the copy.
    std::vector<std::string> CopyFileTo(const FolderItem& destination) const;
    // Removes a file, a link or an empty folder.
    void Delete() const;
    // Renames the item to `destination` on the same file system; fails when something is
    // already there, which is never replaced.
    void MoveFileTo(const FolderItem& destination) const;

    // A new (or emptied) UTF-8 text file, replaced atomically when the stream is closed.
    // Throws FileError when it cannot be created.
    std::unique_ptr<TextOutputStream> CreateTextFile() const;
    // Null when the file cannot be opened or is no regular file (TextInputStream::open).
    std::unique_ptr<TextInputStream> OpenAsTextFile() const;
    // A null pixmap when the file is missing or not a readable picture.
    QPixmap OpenAsPicture() const;

    // The same item remembered as a folder, as a folder path read from a stored colon path
    // is: should the folder go missing (an unplugged volume), its path still ends in ":".
    FolderItem asFolder() const;

    // True when both refer to the same path (not an identity test).
    bool operator==(const FolderItem& other) const;

private:
    friend class FolderItemList;
    friend class FolderListing;
    friend std::optional<FileIdentity> identityOf(const FolderItem& item);
    friend FolderItem GetFolderItem(const std::string& colonPath);
    FolderItem(std::string path, bool followLinks, bool foreign);
    ItemStatus statusOf(bool followLinks) const;

    std::string path_;     // native path; the foreign text itself for a foreign item
    bool follow_ = true;   // follow links in Exists and Directory
    bool foreign_ = false; // made by GetFolderItem from text that is not a colon path
    // Stored as a folder's path (ending in ":"): while the folder is missing (a volume that is
    // not mounted) its path keeps the ":", so it is written back as it was stored.
    bool storedAsFolder_ = false;
};

// The item for a stored colon path. Text that does not start with "/:" gives an item that
// does not exist and keeps the text as its AbsolutePath, so it is written back unchanged.
FolderItem GetFolderItem(const std::string& colonPath);

enum class SpecialFolderKind {
    ApplicationSupport, // the XDG data home, ~/.local/share by default
    Desktop,            // the XDG desktop folder
};
FolderItem SpecialFolder(SpecialFolderKind kind);

// The application package's "Resources" folder: share/tolvane in the executable's folder's
// parent, where an install puts the pictures (<prefix>/bin beside <prefix>/share/tolvane) and
// where the build tree holds them beside its bin/.
FolderItem ResourcesFolder();

} // namespace fw
