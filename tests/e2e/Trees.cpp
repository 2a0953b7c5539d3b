#include "Trees.h"

#include "fw/FileTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <QByteArray>
#include <QCryptographicHash>

namespace fs = std::filesystem;

namespace e2e {

namespace {

std::string digestOf(const std::string& path) {
    const std::string bytes = filetest::readFile(path);
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha1)
        .toHex()
        .left(16)
        .toStdString();
}

std::string describeEntry(const fs::directory_entry& entry) {
    const fs::file_status status = entry.symlink_status();
    if (fs::is_symlink(status))
        return "link -> " + fs::read_symlink(entry.path()).string();
    if (fs::is_directory(status))
        return "folder";
    if (!fs::is_regular_file(status))
        return "other";
    const struct stat info = filetest::statusOf(entry.path().string(), false);
    const std::int64_t nanoseconds =
        std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return "file " + std::to_string(info.st_size) + " bytes " + digestOf(entry.path().string()) +
           " time " + std::to_string(nanoseconds);
}

} // namespace

void makeFolders(const std::string& path) {
    std::error_code failure;
    fs::create_directories(path, failure);
    ASSERT_FALSE(failure) << path << ": " << failure.message();
}

void writeFile(const std::string& path, const std::string& content, std::int64_t seconds) {
    makeFolders(fs::path(path).parent_path().string());
    filetest::writeFile(path, content);
    setTime(path, seconds);
}

void setTime(const std::string& path, std::int64_t seconds) {
    filetest::setTimes(path, timespec{seconds, 0});
}

std::int64_t timeOf(const std::string& path) {
    return filetest::statusOf(path).st_mtim.tv_sec;
}

void makePackage(const std::string& path, const std::string& payload, std::int64_t seconds) {
    writeFile(path + "/Contents/Info.plist", "<plist>" + payload + "</plist>", seconds);
    writeFile(path + "/Contents/MacOS/tool", payload, seconds);
    writeFile(path + "/Contents/Resources/.DS_Store", "finder", seconds);
    filetest::makeLink("MacOS/tool", path + "/Contents/current");
}

void makeBulkTree(const std::string& root, int folders, int filesPerFolder, std::size_t bytes) {
    for (int folder = 0; folder < folders; ++folder) {
        const std::string folderPath = root + "/folder " + std::to_string(1000 + folder);
        makeFolders(folderPath);
        for (int file = 0; file < filesPerFolder; ++file) {
            const std::string name = "file " + std::to_string(10'000 + file) + ".dat";
            std::string content(bytes, char('a' + (folder + file) % 26));
            content.replace(0, std::min(bytes, name.size()), name, 0, bytes);
            filetest::writeFile(folderPath + "/" + name, content);
            setTime(folderPath + "/" + name, kBaseTime);
        }
    }
}

void writeLargeFile(const std::string& path, std::uint64_t bytes) {
    std::vector<char> block(std::size_t(1) << 20);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = char('A' + (i * 7 + i / 251) % 53);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << "cannot create " << path;
    for (std::uint64_t written = 0; written < bytes; written += block.size()) {
        // Each block differs from the one before, so no two are alike.
        block[written / block.size() % block.size()] ^= 1;
        const auto length = std::streamsize(std::min<std::uint64_t>(block.size(), bytes - written));
        ASSERT_TRUE(out.write(block.data(), length)) << "cannot write " << path;
    }
    out.close();
    ASSERT_TRUE(out) << "cannot write " << path;
    setTime(path, kBaseTime);
}

bool sameContents(const std::string& a, const std::string& b) {
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    if (!first || !second)
        return false;
    std::vector<char> left(std::size_t(1) << 20);
    std::vector<char> right(left.size());
    for (;;) {
        first.read(left.data(), std::streamsize(left.size()));
        second.read(right.data(), std::streamsize(right.size()));
        if (first.gcount() != second.gcount() ||
            !std::equal(left.begin(), left.begin() + first.gcount(), right.begin()))
            return false;
        if (first.gcount() == 0)
            return true;
    }
}

std::vector<std::string> temporariesBelow(const std::string& root) {
    std::vector<std::string> found;
    std::vector<fs::path> folders{root};
    while (!folders.empty()) {
        const fs::path folder = folders.back();
        folders.pop_back();
        std::error_code failure;
        for (fs::directory_iterator entry(folder, failure), end; !failure && entry != end;
             entry.increment(failure)) {
            std::error_code gone;
            if (entry->path().filename().string().starts_with(".tolvane-"))
                found.push_back(entry->path().string());
            if (entry->is_directory(gone) && !entry->is_symlink(gone))
                folders.push_back(entry->path());
        }
    }
    return found;
}

TreeListing describeTree(const std::string& root) {
    TreeListing listing;
    std::error_code failure;
    for (auto entry = fs::recursive_directory_iterator(root, failure);
         entry != fs::recursive_directory_iterator(); entry.increment(failure)) {
        if (failure)
            break;
        listing[entry->path().lexically_relative(root).string()] = describeEntry(*entry);
    }
    EXPECT_FALSE(failure) << root << ": " << failure.message();
    return listing;
}

TreeListing fileIdentities(const std::string& root) {
    TreeListing identities;
    for (const auto& [relative, description] : describeTree(root)) {
        if (description.starts_with("file ")) {
            const struct stat info = filetest::statusOf(root + "/" + relative, false);
            identities[relative] = std::to_string(info.st_ino) + " changed " +
                                   std::to_string(info.st_ctim.tv_sec) + "." +
                                   std::to_string(info.st_ctim.tv_nsec);
        }
    }
    return identities;
}

TreeListing without(TreeListing listing, std::initializer_list<std::string> removed) {
    std::erase_if(listing, [&removed](const auto& entry) {
        for (const std::string& gone : removed) {
            if (entry.first == gone || entry.first.starts_with(gone + "/"))
                return true;
        }
        return false;
    });
    return listing;
}

std::string treeDifference(const TreeListing& expected, const TreeListing& actual) {
    std::string report;
    int lines = 0;
    const auto note = [&report, &lines](const std::string& line) {
        if (++lines <= 20)
            report += line + "\n";
    };
    for (const auto& [path, description] : expected) {
        const auto found = actual.find(path);
        if (found == actual.end())
            note("missing " + path + " (" + description + ")");
        else if (found->second != description)
            note("differs " + path + ": " + found->second + ", expected " + description);
    }
    for (const auto& [path, description] : actual) {
        if (!expected.contains(path))
            note("extra " + path + " (" + description + ")");
    }
    if (lines > 20)
        report += std::to_string(lines - 20) + " more\n";
    return report;
}

std::string colonPath(const std::string& nativePath) {
    std::string path = "/:";
    for (const fs::path& part : fs::path(nativePath).relative_path()) {
        std::string name = part.string();
        std::replace(name.begin(), name.end(), ':', '/');
        path += name + ":";
    }
    if (!fs::is_directory(nativePath))
        path.pop_back();
    return path;
}

} // namespace e2e
