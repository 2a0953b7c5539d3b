#include "fw/Dialogs.h"
#include "fw/FolderItem.h"
#include "fw/LabelText.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "ListEmptying.h"
#include "mainwindow/MainWindow.h"
#include "PackageTest.h"
#include "Panel.h"

#include <algorithm>
#include <QLabel>
#include <QListWidget>

namespace mainwindow {

namespace {

// Characters of UTF-8 text: every byte that does not continue a sequence starts one (a
// stray byte of a name that is not valid UTF-8 counts as one character).
std::size_t characterCount(const std::string& text) {
    return std::size_t(std::count_if(text.begin(), text.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
}

std::string rowText(const QListWidget* list, int row) {
    return fw::fromQString(list->item(row)->text());
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

// Every row of both lists is tested, also after a match, with a yield after each row.
// Extensions match only with at least one character before the dot; contains entries
// match anywhere in the name. Both sides are compared lower-cased.
bool passesExclusions(const MainWindow& window, const std::optional<fw::FolderItem>& item,
                      bool exists) {
    std::optional<LoweredName> name;
    if (item && exists)
        name.emplace(*item);
    bool keep = true;
    for (int r = 0; r < window.lsb_Extensions->count(); ++r) {
        if (name) {
            const std::string ending = "." + fw::Lowercase(rowText(window.lsb_Extensions, r));
            const std::string& lowered = name->text();
            if (characterCount(ending) < characterCount(lowered) && lowered.ends_with(ending))
                keep = false;
        }
        fw::yieldPoint();
    }
    for (int r = 0; r < window.lsb_Contains->count(); ++r) {
        if (name) {
            const std::string part = fw::Lowercase(rowText(window.lsb_Contains, r));
            const std::string& lowered = name->text();
            if (characterCount(part) <= characterCount(lowered) && fw::InStr(lowered, part) > 0)
                keep = false;
        }
        fw::yieldPoint();
    }
    return keep;
}

} // namespace

void MainWindow::thr_Build_Run() {
    bool startCopy = true;
    backup::emptyYielding(SourceItems);
    backup::emptyYielding(sourceSet);
    if (Sets.empty()) {
        fw::MsgBox("You do not have anything to backup");
        startCopy = false;
    } else {
        stx_status->setText(QStringLiteral("Building list"));
        TotalItemCount = 0;
        TotalFileSize = 0;
        for (std::size_t i = 0; i < Sets.size(); ++i) {
            if (setEnable[i]) {
                sett = std::int32_t(i);
                SearchDirectory(Sets[i]);
            }
            fw::yieldPoint();
        }
    }
    if (startCopy)
        thr_backup->Run();
    thr_Build->Kill();
}

// Links are resolved by Item; one that leads out of `folder` is neither listed nor
// followed, so the walk stays inside the source and cannot loop.
void MainWindow::SearchDirectory(const fw::FolderItem& folder) {
    const int count = folder.Count();
    for (int i = 1; i <= count; ++i) {
        const std::optional<fw::FolderItem> item = folder.Item(i);
        const bool directory = item && item->Directory();
        const bool exists = directory || (item && item->Exists());
        const bool keep = passesExclusions(*this, item, exists);
        // Both paths are folders here, so comparing native paths is comparing their colon
        // paths, without examining the parent again for every entry.
        const std::optional<fw::FolderItem> parent = exists ? item->Parent() : std::nullopt;
        if (keep && parent && parent->nativePath() == folder.nativePath()) {
            const auto list = [this, &item] {
                SourceItems.push_back(*item);
                sourceSet.push_back(sett);
                TotalItemCount += 1;
            };
            if (directory && !backup::IsPackage(*item)) {
                list();
                SearchDirectory(*item);
            } else if (item->Name() != ".DS_Store") {
                list();
                fw::setText(stx_fileCount, fw::Str(TotalItemCount));
                ShowCopyPath(folder);
            }
        }
        fw::yieldPointAfterHeavyStep();
    }
}

} // namespace mainwindow
