#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace fw {

// The names destination folders list, read from the folders themselves. A folder that folds
// names (letter case on exFAT, NTFS and FAT, casefolded ext4 folders, network shares) finds an
// entry under a name it cannot tell apart from the one asked for; only its listing shows the
// name the entry really has. A run goes through a tree depth first, so the listings of the
// folder asked about last and of the folders around it are kept: each folder is read once
// while the run is inside it, however its items and subfolders take turns.
class FolderNames {
public:
    // True when the open folder `folder` (any kind of handle), whose place in its tree is
    // `place` ("" for the top, "a/b" below it), lists `name` byte for byte. A name the kept
    // listing lacks is looked for again in a fresh one, since the folder may have gained it
    // since. A folder that cannot be read counts as listing the name: nothing then tells a
    // clash apart.
    bool lists(int folder, std::string_view place, const std::string& name);

private:
    struct Listing {
        std::string place;
        std::unordered_set<std::string> names;
    };
    // Reads the listing of `folder` into `listing`; false when it cannot be read.
    bool read(int folder, Listing& listing);

    std::vector<Listing> around_; // outermost first, each holding the next
};

} // namespace fw
