#pragma once

#include <cstdint>
#include <string>

// The tree the benchmark backs up: many small files in many folders, and a few large ones.
namespace bench {

struct TreeShape {
    int folders = 2000;
    int filesPerFolder = 10;
    int bigFiles = 20;
    std::size_t bigBytes = 20'000'000;
};

struct TreeSize {
    int files = 0;
    std::uint64_t bytes = 0;
};

// Writes the tree below `root`: folders "d0000"... each holding files of 1 to 16 KB, and the
// large files in "big". The contents are pseudo-random and the same at every run.
TreeSize generateTree(const std::string& root, const TreeShape& shape);

// Gives every hundredth small file a modification time two hours later than it has (exactly
// one hour later would not count as newer); returns how many files were touched.
int touchOnePercent(const std::string& root, const TreeShape& shape);

} // namespace bench
