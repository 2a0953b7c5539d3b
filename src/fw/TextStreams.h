#pragma once

#include <QSaveFile>
#include <cstdio>
#include <memory>
#include <string>

namespace fw {

// Writes UTF-8 lines ending in LF. The file is replaced atomically: everything goes to a
// temporary file in the same folder, which Close renames over the target, so a crash or a
// full disk never leaves a truncated file behind. Destroying an unclosed stream discards it.
class TextOutputStream {
public:
    explicit TextOutputStream(const std::string& nativePath);
    ~TextOutputStream();
    TextOutputStream(const TextOutputStream&) = delete;
    TextOutputStream& operator=(const TextOutputStream&) = delete;

    void WriteLine(const std::string& line);
    // Commits the file; throws FileError with the reason when it cannot be written.
    void Close();

private:
    QSaveFile file_;
    bool closed_ = false;
};

// Reads lines of a text file; accepts LF, CRLF and CR line ends.
class TextInputStream {
public:
    // Null when the file cannot be opened.
    static std::unique_ptr<TextInputStream> open(const std::string& nativePath);
    ~TextInputStream();
    TextInputStream(const TextInputStream&) = delete;
    TextInputStream& operator=(const TextInputStream&) = delete;

    // The next line without its line end.
    std::string ReadLine();
    // True once every line has been read (the stream's EOF).
    bool EndOfFile() const;
    bool ReadError() const { return readError_; }
    void Close();

private:
    explicit TextInputStream(std::FILE* file) : file_(file) {}
    int peek();
    std::FILE* file_;
    bool readError_ = false;
};

} // namespace fw
