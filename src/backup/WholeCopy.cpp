#include "CopySteps.h"
#include "ErrorList.h"
#include "fw/Date.h"

#include <algorithm>
#include <vector>

namespace backup {

fw::Date datedBeforeEvery(const std::vector<fw::ItemStatus>& seen, std::uint64_t step) {
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

void reportChangedWhileCopying(mainwindow::MainWindow& window, const fw::FolderItem& destination,
                               const fw::StagedCopy& copy) {
    if (copy.changedWhileCopied())
        countError(window, "Changed while copying - " + destination.AbsolutePath());
}

} // namespace backup
