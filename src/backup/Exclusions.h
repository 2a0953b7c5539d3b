#pragma once

#include <string>
#include <vector>

class QListWidget;

namespace fw {
class FolderItem;
} // namespace fw

namespace backup {

// The rows of both exclusion lists as a listing tests every item against them, lower-cased
// once for the whole listing. The lists cannot change while a run lasts: the user is held on
// the "Backup" page, away from the page that edits them.
class Exclusions {
public:
    Exclusions(const QListWidget& extensions, const QListWidget& contains);

    // Whether the item is kept. Every row of both lists is tested, also after a match, with a
    // yield after each row. Extensions match only with at least one character before the dot;
    // contains entries match anywhere in the name. Both sides are compared lower-cased. `item`
    // is null for an entry that does not exist, which no row matches.
    bool Passes(const fw::FolderItem* item) const;

    // A lower-cased text and the number of its characters.
    struct Lowered {
        std::string text;
        std::size_t characters;
    };

private:
    // "." and the extension of each row.
    std::vector<Lowered> endings_;
    std::vector<Lowered> parts_;
};

} // namespace backup
