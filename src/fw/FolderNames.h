#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace fw {

// The names one destination folder lists, read from the folder itself. A folder that folds
// names (letter case on exFAT, NTFS and FAT, casefolded ext4 folders, network shares) finds an
// entry under a name it cannot tell apart from the one asked for; only its listing shows the
// name the entry really has. The listing of the last folder asked about is kept, so the items
// of one folder, which come one after another in a run, read it once.
class FolderNames {
public:
    // True when the open folder `folder` (any kind of handle), whose place in its tree is
    // `place`, lists `name` byte for byte. A name the kept listing lacks is looked for again in
    // a fresh one, since the folder may have gained it since. A folder that cannot be read
    // counts as listing the name: nothing then tells a clash apart.
    bool lists(int folder, std::string_view place, const std::string& name);

private:
    bool read(int folder);

    std::string place_;
    bool held_ = false;
    std::unordered_set<std::string> names_;
};

} // namespace fw
