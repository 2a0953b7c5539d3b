#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace backup {

// The folders the pass has made in a destination on the way to the item it is at, outermost
// first, each with the names the pass has come to in it. A folder made by the run held
// nothing when it was made and only the pass writes into it while the pass is at one set,
// so the copy of an item in it is there only if an item of the same name came before (a link
// beside its target lists the target twice): for the first item of a name, nothing needs
// looking up. Should something else put an entry there meanwhile, the copy's move into
// place, which never replaces, fails and is reported.
//
// The listing walks each folder's whole tree before the next entry of its parent, so only
// the made folders around the current item need to be held.
class MadeFolders {
public:
    // The first item of a set: `setFolder` is its set folder's place when the pass made it.
    void restart(const std::string* setFolder);
    // True when the folder that holds `place` is one the pass made for this set and no item
    // of the same name came to it before.
    bool firstInMadeFolder(std::string_view place);
    // The pass has just made the folder at `place`, for the item it is at.
    void add(std::string place);

private:
    struct Made {
        std::string place;
        // The names' hashes: two names that share one only cost a look that was not needed.
        std::unordered_set<std::size_t> names;
    };
    std::vector<Made> path_;
};

} // namespace backup
