#include "Confirmation.h"
#include "CopySteps.h"
#include "ErrorList.h"
#include "fw/Canvas.h"
#include "fw/Dialogs.h"
#include "fw/DiskThread.h"
#include "fw/FileAccess.h"
#include "fw/FolderItem.h"
#include "fw/FrameUpdates.h"
#include "fw/LabelText.h"
#include "fw/NativePath.h"
#include "fw/SleepInhibitor.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "fw/Volume.h"
#include "LinkRule.h"
#include "MadeFolders.h"
#include "mainwindow/MainWindow.h"
#include "PackageTest.h"
#include "Panel.h"
#include "shell/Pictures.h"

#include <memory>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace backup {

void showItemFolder(mainwindow::MainWindow& window, const fw::FolderItem& item) {
    const std::optional<fw::FolderItem> parent = item.Parent();
    window.ShowCopyPath(parent ? parent : item);
}

void showInfo(mainwindow::MainWindow& window, const std::string& text) {
    fw::showText(window.stx_Info, text);
}

void reportLeftOut(mainwindow::MainWindow& window, const fw::FolderItem& copy,
                   const fw::LeftOut& leftOut) {
    for (const fw::LeftOutEntry& entry : leftOut) {
        const fw::FolderItem place =
            fw::FolderItem::fromNativePath(copy.nativePath() + "/" + entry.path, false);
        countError(window, (entry.link ? "Link left out, the backup disk cannot hold links - "
                                       : "Could not copy - ") +
                               place.AbsolutePath());
        fw::yieldPoint();
    }
}

void reportClash(mainwindow::MainWindow& window, const fw::FolderItem& destination) {
    countError(window,
               "Name clashes with another on the backup disk - " + destination.AbsolutePath());
}

void reportFailure(mainwindow::MainWindow& window, std::string_view failureText,
                   const fw::FolderItem& destination, const std::exception& failure,
                   Counted counted) {
    qCWarning(lcBackup) << QByteArray(failureText.data(), qsizetype(failureText.size()))
                        << failure.what();
    const std::string message = std::string(failureText) + destination.AbsolutePath();
    if (counted == Counted::Yes)
        countError(window, message);
    else
        appendEntry(window, message);
}

} // namespace backup

namespace mainwindow {

namespace {

// The banner's left edge runs 195, 196, ..., 321, 194, 195, ...: 128 positions.
constexpr int bannerStart = 194;
constexpr int bannerEnd = 321;

std::string counterText(std::int32_t shown, std::int32_t total) {
    return fw::Str(shown) + " / " + fw::Str(total);
}

void startPass(MainWindow& window) {
    window.infoText = "";
    window.cvs_topRight->setBackdrop(shell::backup_drive());
    fw::Refresh(window.cvs_topRight);
    window.cvs_middle->setBackdrop(shell::hard_drive2());
    fw::Refresh(window.cvs_middle);
    fw::showMovedTo(window.stx_Scrolling, bannerStart);
    window.stx_Scrolling->setVisible(true);
    window.stx_status->setText(QStringLiteral("Backing Up"));
    window.FilesCopied = 0;
    window.FilesUpdated = 0;
    window.TotalFileSize = 0;
}

// The destination trees of a run: one per destination folder, shared by the sets that
// write into it. Their staging folders go with them, when the pass ends or is killed.
class RunTrees {
public:
    explicit RunTrees(const MainWindow& window) {
        for (std::size_t k = 0; k < window.Sets.size(); ++k) {
            fw::DestinationTree* tree = nullptr;
            if (window.setEnable[k] && window.DestinationFolder[k]) {
                std::optional<fw::FileIdentity> identity;
                fw::onDiskThread([&] { identity = fw::identityOf(*window.DestinationFolder[k]); });
                for (const auto& open : trees_)
                    if (identity && open->identity() == identity)
                        tree = open.get();
                if (!tree) {
                    trees_.push_back(
                        std::make_unique<fw::DestinationTree>(*window.DestinationFolder[k]));
                    tree = trees_.back().get();
                }
            }
            ofSet_.push_back(tree);
        }
    }
    // None for a set that is not enabled or has no destination folder.
    fw::DestinationTree* ofSet(std::size_t k) const { return ofSet_[k]; }
    // Puts every copy that waits for its place in place.
    void placeWaiting() const {
        for (const auto& tree : trees_)
            tree->placeWaiting();
    }

private:
    std::vector<std::unique_ptr<fw::DestinationTree>> trees_;
    std::vector<fw::DestinationTree*> ofSet_;
};

enum class SetFolder { Found, Made, Clashed };

// Every enabled set gets its set folder, named like its source folder, in its destination.
// A failure here is no error of its own: the items of that set then fail or are skipped
// one by one, each with its own entry. A set folder that the destination holds under another
// name it cannot tell apart (another set's, "Photos" beside "photos") is not written into:
// one entry for it, and the set's items are passed over. Gives, for each set, what became
// of its set folder.
std::vector<SetFolder> createSetFolders(MainWindow& window, const RunTrees& trees) {
    std::vector<SetFolder> folders(window.Sets.size(), SetFolder::Found);
    for (std::size_t k = 0; k < window.Sets.size(); ++k) {
        if (fw::DestinationTree* tree = trees.ofSet(k)) {
            const std::string setFolder = fw::nativepath::toNativeName(window.Sets[k].Name());
            if (!tree->look(setFolder)) {
                try {
                    tree->createFolder(setFolder);
                    folders[k] = SetFolder::Made;
                } catch (const fw::FileError& failure) {
                    qCWarning(backup::lcBackup) << "no set folder:" << failure.what();
                }
            } else if (!tree->listsExactly(setFolder)) {
                folders[k] = SetFolder::Clashed;
                backup::reportClash(window,
                                    fw::FolderItem::fromNativePath(fw::nativepath::join(
                                        window.DestinationFolder[k]->nativePath(), setFolder)));
            }
        }
        fw::yieldPoint();
    }
    return folders;
}

// A set folder the pass made stays a made folder for its set only while no other set has
// written into it: the items of every set before it in the pass, whose set folder holds it,
// lies inside it or is the same folder, have been there first (nested sets such as
// "Documents" and "Documents/Work", backed up into "disk" and "disk/Documents").
void forgetSetFoldersWrittenBefore(const MainWindow& window, const RunTrees& trees,
                                   std::vector<SetFolder>& folders) {
    std::vector<std::optional<std::string>> paths;
    for (std::size_t k = 0; k < window.Sets.size(); ++k) {
        std::optional<std::string> path;
        if (trees.ofSet(k))
            path = fw::nativepath::join(fw::realPath(window.DestinationFolder[k]->nativePath()),
                                        fw::nativepath::toNativeName(window.Sets[k].Name()));
        paths.push_back(std::move(path));
    }
    for (std::size_t k = 0; k < paths.size(); ++k)
        for (std::size_t j = 0; j < k && folders[k] == SetFolder::Made; ++j)
            if (paths[j] && (fw::nativepath::holds(*paths[j], *paths[k]) ||
                             fw::nativepath::holds(*paths[k], *paths[j])))
                folders[k] = SetFolder::Found;
}

// Where the items of a set go, taken once for the pass: the native path of its source
// folder, which starts the path of every item of the set, and the set folder's name.
struct SetPlaces {
    std::string source;
    std::string setFolder;
};

std::vector<SetPlaces> setPlaces(const MainWindow& window) {
    std::vector<SetPlaces> places;
    places.reserve(window.Sets.size());
    for (const fw::FolderItem& source : window.Sets)
        places.push_back({source.nativePath(), fw::nativepath::toNativeName(source.Name())});
    return places;
}

// The item's place in the destination: the set folder in the set's destination folder, then
// the item's path below the source folder. The list holds only items found below their set's
// source folder, so that path starts every item's path. None when the set has no destination
// folder.
std::optional<backup::Target> ResolveDestination(MainWindow& window, const RunTrees& trees,
                                                 std::size_t i, const fw::FolderItem& item,
                                                 const std::vector<SetPlaces>& places) {
    const std::size_t k = std::size_t(window.sourceSet[i]);
    fw::DestinationTree* tree = trees.ofSet(k);
    if (!tree)
        return std::nullopt;
    const SetPlaces& set = places[k];
    const std::string_view below =
        std::string_view(item.nativePath()).substr(set.source.size() + (set.source != "/"));
    std::string place = fw::nativepath::below(set.setFolder, below);
    return backup::Target{fw::FolderItem::fromNativePath(fw::nativepath::join(
                              window.DestinationFolder[k]->nativePath(), place)),
                          *tree, std::move(place)};
}

// What became of an item's new entry in its destination, as far as the pass knows at once:
// a clash found by looking is known at once, one met while writing is reported in its turn.
enum class Outcome { Written, Failed, Clashed };

// The entry for a copy or folder that could not take its place: a name the folder cannot
// hold apart from another item's gets the clash entry, and what lay inside a folder whose name
// clashed gets none, since nothing of it was written.
void reportNotPlaced(MainWindow& window, std::string_view failureText, const backup::Target& target,
                     const std::exception& failure) {
    if (fw::DestinationTree::insideClash(failure))
        return;
    if (target.tree.clashesAt(target.place))
        backup::reportClash(window, target.item);
    else
        backup::reportFailure(window, failureText, target.item, failure);
}

// The folder is made on the disk thread in its turn, and a failure is reported in that turn
// too; the items below it are handled meanwhile as if it was made, and each of them fails on
// its own should it not be (or, below a folder whose name clashed, is left out silently).
void CreateFolder(MainWindow& window, const backup::Target& target) {
    target.tree.createFolderLater(
        target.place, [&window, target](fw::StagedCopy*, const std::exception* failure) {
            if (failure)
                reportNotPlaced(window, "Could not create folder - ", target, *failure);
        });
}

Outcome CopyNew(MainWindow& window, const fw::FolderItem& item, const fw::ItemStatus& status,
                bool package, const backup::Target& target) {
    std::uint64_t size = 0;
    if (package) {
        backup::showInfo(window, "Calculating size : " + item.Name());
        size = window.calculateDirectorySize(item, 0);
    } else {
        size = status.length();
    }
    backup::showInfo(window, "Copying : " + item.Name() + " (" + window.ConvertSize(size) + ")");
    // Counted once the copy is in place: a copy that fails adds nothing to the data written.
    const bool copied = backup::guarded(window, "Could not copy - ", target.item, [&] {
        target.tree.copyWhenSaved(
            item, status, target.place, fw::Placing::New, size, backup::datedBeforeEvery,
            [&window, target, size](fw::StagedCopy* copy, const std::exception* failure) {
                if (failure) {
                    reportNotPlaced(window, "Could not copy - ", target, *failure);
                    return;
                }
                window.FilesCopied += 1;
                window.TotalFileSize += size;
                fw::showText(window.stx_filesCopied, fw::Str(window.FilesCopied));
                fw::showText(window.stx_DataWritten, window.ConvertSize(window.TotalFileSize));
                backup::reportChangedWhileCopying(window, target.item, *copy);
                backup::reportLeftOut(window, target.item, copy->leftOut());
            });
    });
    return copied ? Outcome::Written : Outcome::Failed;
}

// A file or package. Reading the times and measuring or removing a package copy are not
// guarded steps of their own; a failure there becomes one counted entry for the item, so
// that no single item can stop the pass.
Outcome backUpFileOrPackage(MainWindow& window, const fw::FolderItem& item,
                            const fw::ItemStatus& status, bool package,
                            const backup::Target& target,
                            const std::optional<fw::FoundEntry>& found) {
    backup::showInfo(window, "Checking : " + item.Name());
    backup::showItemFolder(window, item);
    Outcome outcome = Outcome::Failed;
    backup::guarded(window, "Could not check - ", target.item, [&] {
        if (!found) {
            outcome = CopyNew(window, item, status, package, target);
        } else {
            backup::replaceOrLeave(window, item, status, package, target, *found);
            outcome = Outcome::Written;
        }
    });
    return outcome;
}

// True when `place` lies inside the folder at `folder` (none when empty).
bool inside(std::string_view place, std::string_view folder) {
    return !folder.empty() && place.size() > folder.size() && place.starts_with(folder) &&
           place[folder.size()] == '/';
}

// The bar and the counter run one item behind the work: they show the index of the item
// just handled, not the number of items done.
void progressStep(MainWindow& window, std::int32_t shown) {
    const double done = double(shown) / double(window.TotalItemCount) * 100.0;
    fw::showText(window.stx_files, counterText(shown, window.TotalItemCount));
    fw::showProgress(window.prb_Progress, int(done));
    fw::Refresh(window.prb_Progress);
    // The end of an item's step, which may have copied or removed files.
    fw::yieldPointAfterHeavyStep();
}

void offerErrorList(MainWindow& window) {
    if (!backup::confirmed("Errors", "There were " + fw::Str(window.ErrorCount) +
                                         " errors during backup!" + fw::CR + fw::CR +
                                         "Do you want to save the error list?" + fw::CR))
        return;
    // A list that cannot be written is reported in place of the confirmation; the end of
    // the run goes on either way.
    try {
        window.SaveErrorList();
    } catch (const fw::FileError& failure) {
        qCWarning(backup::lcBackup) << "error list not saved:" << failure.what();
        fw::MsgBox(std::string("The error list could not be saved to your Desktop.") + fw::CR +
                   fw::CR + failure.what());
        return;
    }
    fw::MsgBox("Error list has been saved to your Desktop");
}

// The file systems of the enabled sets' destinations, opened before anything is written to
// them, so that the flush at the end also reports a write that failed on its way to the disk
// while the run lasted.
std::vector<fw::VolumeHandle> openDestinations(const MainWindow& window) {
    std::vector<fw::FolderItem> destinations;
    for (std::size_t k = 0; k < window.Sets.size(); ++k)
        if (window.setEnable[k] && window.DestinationFolder[k])
            destinations.push_back(*window.DestinationFolder[k]);
    return fw::OpenVolumes(destinations);
}

// The copies are on the disks before the run says it is done: each destination's file system
// is flushed once, not every file on its own.
void saveToDisk(MainWindow& window, const std::vector<fw::VolumeHandle>& volumes) {
    window.stx_status->setText(QStringLiteral("Saving to disk"));
    fw::Refresh(window.stx_status);
    for (const fw::VolumeHandle& volume : volumes) {
        backup::guarded(window, "Could not save to disk - ", volume.folder(),
                        [&volume] { volume.SaveToDisk(); });
        fw::yieldPoint();
    }
}

void endOfRun(MainWindow& window, const std::vector<fw::VolumeHandle>& volumes) {
    fw::setText(window.stx_files, counterText(window.TotalItemCount, window.TotalItemCount));
    fw::showProgress(window.prb_Progress, 100);
    fw::Refresh(window.stx_files);
    saveToDisk(window, volumes);
    window.stx_status->setText(QStringLiteral("Complete"));
    fw::setText(window.stx_Info, "");
    fw::Refresh(window.stx_status);
    fw::Refresh(window.stx_Info);
    window.BackingUp = false;
    window.btn_Backup->setText(QStringLiteral("Start Backup"));
    backup::appendEntry(window, "Finished Backup");
    window.tmrNoSleep->stop();
    fw::releaseAwake();
    window.destinationLocks.clear();
    if (window.ErrorCount > 0)
        offerErrorList(window);
    else
        fw::MsgBox("Backup Complete");
    backup::showIdlePictures(window);
    window.thr_backup->Kill();
}

} // namespace

void MainWindow::thr_backup_Run() {
    startPass(*this);
    const std::vector<fw::VolumeHandle> volumes = openDestinations(*this);
    {
        const RunTrees trees(*this);
        std::vector<SetFolder> setFolders = createSetFolders(*this, trees);
        forgetSetFoldersWrittenBefore(*this, trees, setFolders);
        const std::vector<SetPlaces> places = setPlaces(*this);
        backup::MadeFolders made;
        // The place of the last item whose name clashed: nothing inside it is written, since
        // the destination's folder of that name is another item's.
        std::string clashed;

        std::int32_t shown = 0;
        int bannerLeft = bannerStart;
        // Each item's start would show the counter as the item before left it: only the first
        // item needs it set.
        fw::showText(stx_files, counterText(shown, TotalItemCount));
        for (std::size_t i = 0; i < SourceItems.size(); ++i) {
            bannerLeft = bannerLeft == bannerEnd ? bannerStart : bannerLeft + 1;
            fw::showMovedTo(stx_Scrolling, bannerLeft);

            const std::size_t k = std::size_t(sourceSet[i]);
            if (i == 0 || sourceSet[i - 1] != sourceSet[i]) {
                // A set's items find in place what the sets before it wrote, also through
                // another destination tree (a destination folder inside another).
                trees.placeWaiting();
                made.restart(setFolders[k] == SetFolder::Made ? &places[k].setFolder : nullptr);
                clashed = setFolders[k] == SetFolder::Clashed ? places[k].setFolder : "";
            }
            // What the item is now, read once: every step of this item works from it. Held by
            // value: nothing that runs at the yields below can pull it from the pass.
            const std::optional<backup::AsListed> now = backup::asListed(SourceItems[i]);
            const std::optional<backup::Target> target =
                now ? ResolveDestination(*this, trees, i, now->item, places) : std::nullopt;
            if (target && !inside(target->place, clashed)) {
                const std::optional<fw::FoundEntry> found = made.firstInMadeFolder(target->place)
                                                                ? std::nullopt
                                                                : target->tree.look(target->place);
                Outcome outcome = Outcome::Clashed;
                if (found && !target->tree.listsExactly(target->place)) {
                    backup::reportClash(*this, target->item);
                } else {
                    const fw::FolderItem& item = now->item;
                    const fw::ItemStatus& status = now->status;
                    const bool package = backup::IsPackage(item, status);
                    if (status.folder() && !package) {
                        backup::showItemFolder(*this, item);
                        outcome = Outcome::Written;
                        if (!found) {
                            CreateFolder(*this, *target);
                            made.add(target->place);
                        }
                    } else {
                        outcome = backUpFileOrPackage(*this, item, status, package, *target, found);
                    }
                }
                if (outcome == Outcome::Clashed)
                    clashed = target->place;
            }

            shown = std::int32_t(i);
            progressStep(*this, shown);
        }
        trees.placeWaiting();
    }
    // The trees are closed here, their staging folders gone, before the copies are saved to
    // disk and the run says it ended.
    endOfRun(*this, volumes);
}

} // namespace mainwindow
