#include "Exclusions.h"

#include "fw/FolderItem.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "sets/ExclusionEntry.h"

#include <algorithm>
#include <optional>
#include <QListWidget>

namespace backup {

namespace {

// Characters of UTF-8 text: every byte that does not continue a sequence starts one (a
// stray byte of a name that is not valid UTF-8 counts as one character).
std::size_t characterCount(const std::string& text) {
    return std::size_t(std::count_if(text.begin(), text.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
}

// An item's name, lower-cased the first time a rule asks for it.
class LoweredName {
public:
    explicit LoweredName(const fw::FolderItem& item)
        : item_(item) {}
    const std::string& text() {
        if (!lowered_)
            lowered_ = fw::Lowercase(item_.Name());
        return *lowered_;
    }

private:
    const fw::FolderItem& item_;
    std::optional<std::string> lowered_;
};

std::vector<std::string> loweredRows(const QListWidget& list, const std::string& prefix) {
    std::vector<std::string> rows;
    for (int r = 0; r < list.count(); ++r) {
        rows.push_back(prefix + fw::Lowercase(sets::entryText(list, r)));
        fw::yieldPoint();
    }
    return rows;
}

} // namespace

Exclusions::Exclusions(const QListWidget& extensions, const QListWidget& contains)
    : endings_(loweredRows(extensions, "."))
    , parts_(loweredRows(contains, "")) {}

bool Exclusions::Passes(const fw::FolderItem* item) const {
    std::optional<LoweredName> name;
    if (item)
        name.emplace(*item);
    bool keep = true;
    for (const std::string& ending : endings_) {
        if (name) {
            const std::string& lowered = name->text();
            if (characterCount(ending) < characterCount(lowered) && lowered.ends_with(ending))
                keep = false;
        }
        fw::yieldPoint();
    }
    for (const std::string& part : parts_) {
        if (name) {
            const std::string& lowered = name->text();
            if (characterCount(part) <= characterCount(lowered) && fw::InStr(lowered, part) > 0)
                keep = false;
        }
        fw::yieldPoint();
    }
    return keep;
}

} // namespace backup
