#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace fw {

// Writes UTF-8 lines ending in LF. The file is replaced atomically: everything goes to a
// temporary file in the same folder, which Close flushes to disk and renames over the
// target, so a crash or a full disk never leaves a truncated file behind. Destroying an
// unclosed stream discards the temporary and leaves the target as it was. A link to a file
// is written through to its target (created when missing), and a replaced file keeps its
// permission bits.
class TextOutputStream {
public:
    // Throws FileError when the temporary file cannot be created.
    explicit TextOutputStream(const std::string& nativePath);
    ~TextOutputStream();
    TextOutputStream(const TextOutputStream&) = delete;
    TextOutputStream& operator=(const TextOutputStream&) = delete;

    void WriteLine(const std::string& line);
    // Commits the file; throws FileError with the reason when it cannot be written.
    void Close();

private:
    void flush();
    void discard();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    std::string buffer_;
    int error_ = 0; // errno of the first failed write
};

// Reads lines of a text file; accepts LF, CRLF and CR line ends and skips a UTF-8
// byte-order mark at the start.
class TextInputStream {
public:
    // Null when the file cannot be opened or is no regular file (a link is followed only to
    // one): a pipe, a device or a folder in its place gives null at once, without waiting.
    static std::unique_ptr<TextInputStream> open(const std::string& nativePath);
    ~TextInputStream();
    TextInputStream(const TextInputStream&) = delete;
    TextInputStream& operator=(const TextInputStream&) = delete;

    // The next line without its line end; empty at the end of the file.
    std::string ReadLine();
    // True once every line has been read (the stream's EOF), after a read error and after
    // Close.
    bool EndOfFile() const { return atEnd_; }
    bool ReadError() const { return readError_; }
    void Close();

private:
    explicit TextInputStream(std::FILE* file);
    // Looks at the next byte without taking it; EOF at the end or after an error.
    int peek();
    std::FILE* file_;
    bool atEnd_ = false;
    bool readError_ = false;
    bool firstLine_ = true;
};

} // namespace fw
