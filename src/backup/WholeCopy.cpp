#include "CopySteps.h"
#include "ErrorList.h"
#include "fw/Date.h"

#include <algorithm>
#include <vector>

namespace backup {

namespace {

// How often a source that changed while it was copied is copied again.
constexpr std::size_t copiesAgain = 1;

// A modification time that the next run's comparison finds older than every version of the
// source seen here, whole seconds on the copy's time step: a step below the earliest, and
// never exactly ExemptShiftSeconds below one of them, which would not count as newer.
fw::Date olderThanAll(const std::vector<fw::ItemStatus>& seen, std::uint64_t step) {
    std::vector<std::int64_t> times;
    for (const fw::ItemStatus& status : seen)
        if (status.exists())
            times.push_back(std::int64_t(status.modificationDate().unixTime()) /
                            std::int64_t(step) * std::int64_t(step));
    std::int64_t older = *std::min_element(times.begin(), times.end()) - std::int64_t(step);
    while (std::find(times.begin(), times.end(), older + std::int64_t(ExemptShiftSeconds)) !=
           times.end())
        older -= std::int64_t(step);
    return fw::Date::fromUnixTime(std::time_t(older));
}

} // namespace

fw::StagedCopy stageWhole(mainwindow::MainWindow& window, const fw::FolderItem& item,
                          const fw::ItemStatus& status, const Target& target) {
    std::vector<fw::ItemStatus> seen{status};
    for (;;) {
        fw::StagedCopy staged = target.tree.stage(item, seen.back());
        fw::ItemStatus after = item.EntryStatus();
        if (!after.changedSince(seen.back()))
            return staged;
        seen.push_back(std::move(after));
        if (seen.size() > 1 + copiesAgain) {
            qCWarning(lcBackup) << "changed while copying:" << item.nativePath().c_str();
            staged.setModificationDate(olderThanAll(seen, target.tree.timeStep()));
            countError(window, "Changed while copying - " + target.item.AbsolutePath());
            return staged;
        }
    }
}

} // namespace backup
