#include "MadeFolders.h"

#include <functional>

namespace backup {

void MadeFolders::restart(const std::string* setFolder) {
    path_.clear();
    if (setFolder)
        add(*setFolder);
}

bool MadeFolders::firstInMadeFolder(std::string_view place) {
    if (path_.empty())
        return false;
    const std::size_t slash = place.rfind('/');
    if (slash == std::string_view::npos)
        return false;
    const std::string_view folder = place.substr(0, slash);
    // Made folders that are not around this item are behind the pass for good.
    const auto around = [folder](const Made& made) {
        return folder.starts_with(made.place) &&
               (folder.size() == made.place.size() || folder[made.place.size()] == '/');
    };
    while (!path_.empty() && !around(path_.back()))
        path_.pop_back();
    return !path_.empty() && path_.back().place == folder &&
           path_.back().names.insert(std::hash<std::string_view>{}(place.substr(slash + 1))).second;
}

void MadeFolders::add(std::string place) {
    path_.push_back({std::move(place), {}});
}

} // namespace backup
