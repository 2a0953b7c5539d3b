#include "NativePath.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace fw::nativepath {

std::string normalise(std::string_view path) {
    std::string absolute;
    if (!path.starts_with('/'))
        absolute = std::filesystem::current_path().native() + '/';
    absolute += path;

    std::vector<std::string_view> pieces;
    std::string_view rest = absolute;
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view piece = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (piece.empty() || piece == ".")
            continue;
        if (piece == "..") {
            if (!pieces.empty())
                pieces.pop_back();
            continue;
        }
        pieces.push_back(piece);
    }
    if (pieces.empty())
        return "/";
    std::string result;
    for (const std::string_view piece : pieces) {
        result += '/';
        result += piece;
    }
    return result;
}

bool holds(std::string_view folder, std::string_view path) {
    return folder == "/" || path == folder ||
           (path.starts_with(folder) && path[folder.size()] == '/');
}

std::string parent(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string_view lastPiece(std::string_view path) {
    return path.substr(path.rfind('/') + 1);
}

std::string join(const std::string& folder, std::string_view name) {
    std::string result = folder;
    if (!result.ends_with('/'))
        result += '/';
    result += name;
    return result;
}

std::string below(const std::string& relative, std::string_view name) {
    return relative.empty() ? std::string(name) : join(relative, name);
}

std::string toDisplayName(std::string_view nativeName) {
    std::string name(nativeName);
    std::replace(name.begin(), name.end(), ':', '/');
    return name;
}

std::string toNativeName(std::string_view displayName) {
    std::string name(displayName);
    std::replace(name.begin(), name.end(), '/', ':');
    return name;
}

} // namespace fw::nativepath
