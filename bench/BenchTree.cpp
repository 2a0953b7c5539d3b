#include "BenchTree.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace bench {

namespace {

std::string folderName(int folder) {
    std::string name = std::to_string(folder);
    return "d" + std::string(4 - std::min<std::size_t>(4, name.size()), '0') + name;
}

std::string smallFile(const std::string& root, int folder, int file) {
    return root + "/" + folderName(folder) + "/f" + std::to_string(file) + ".dat";
}

std::ofstream create(const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot create " + path);
    return out;
}

void append(std::ofstream& out, const char* bytes, std::size_t length) {
    if (!out.write(bytes, std::streamsize(length)))
        throw std::runtime_error("cannot write the tree");
}

} // namespace

TreeSize generateTree(const std::string& root, const TreeShape& shape) {
    std::mt19937_64 random(20240501);
    // One block of noise; every file is written from slices of it, so that generating the
    // tree adds little to the benchmark's peak memory.
    constexpr std::size_t kBlock = 1 << 20;
    constexpr std::size_t kSlack = 16'384;
    std::vector<char> noise(kBlock + kSlack);
    for (char& byte : noise)
        byte = char(random());
    std::uniform_int_distribution<std::size_t> smallLength(1'024, 16'384);
    std::uniform_int_distribution<std::size_t> offset(0, kBlock);

    TreeSize size;
    for (int folder = 0; folder < shape.folders; ++folder) {
        fs::create_directories(root + "/" + folderName(folder));
        for (int file = 0; file < shape.filesPerFolder; ++file) {
            const std::size_t length = smallLength(random);
            std::ofstream out = create(smallFile(root, folder, file));
            append(out, noise.data() + offset(random), length);
            size.files += 1;
            size.bytes += length;
        }
    }
    fs::create_directories(root + "/big");
    for (int file = 0; file < shape.bigFiles; ++file) {
        std::ofstream out = create(root + "/big/large" + std::to_string(file) + ".bin");
        for (std::size_t written = 0; written < shape.bigBytes; written += kBlock)
            append(out, noise.data() + offset(random) % kSlack,
                   std::min(kBlock, shape.bigBytes - written));
        size.files += 1;
        size.bytes += shape.bigBytes;
    }
    return size;
}

int touchOnePercent(const std::string& root, const TreeShape& shape) {
    int touched = 0;
    for (int index = 0; index < shape.folders * shape.filesPerFolder; index += 100) {
        const std::string path =
            smallFile(root, index / shape.filesPerFolder, index % shape.filesPerFolder);
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::hours(2));
        touched += 1;
    }
    return touched;
}

} // namespace bench
