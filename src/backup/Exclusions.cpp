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

// An item's name, lower-cased (and its characters counted) the first time a rule asks.
class LoweredName {
public:
    explicit LoweredName(const fw::FolderItem& item)
        : item_(item) {}
    const Exclusions::Lowered& get() {
        if (!lowered_) {
            std::string text = fw::Lowercase(item_.Name());
            const std::size_t characters = characterCount(text);
            lowered_.emplace(Exclusions::Lowered{std::move(text), characters});
        }
        return *lowered_;
    }

private:
    const fw::FolderItem& item_;
    std::optional<Exclusions::Lowered> lowered_;
};

std::vector<Exclusions::Lowered> loweredRows(const QListWidget& list, const std::string& prefix) {
    std::vector<Exclusions::Lowered> rows;
    for (int r = 0; r < list.count(); ++r) {
        std::string text = prefix + fw::Lowercase(sets::exclusionText(list, r));
        const std::size_t characters = characterCount(text);
        rows.push_back({std::move(text), characters});
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
    for (const Lowered& ending : endings_) {
        if (name) {
            const Lowered& lowered = name->get();
            if (ending.characters < lowered.characters && lowered.text.ends_with(ending.text))
                keep = false;
        }
        fw::yieldPoint();
    }
    for (const Lowered& part : parts_) {
        if (name) {
            const Lowered& lowered = name->get();
            if (part.characters <= lowered.characters && fw::InStr(lowered.text, part.text) > 0)
                keep = false;
        }
        fw::yieldPoint();
    }
    return keep;
}

} // namespace backup
