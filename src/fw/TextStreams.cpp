#include "TextStreams.h"

#include "FileAccess.h"
#include "FolderItem.h"
#include "NativePath.h"
#include "PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fw {

namespace {
// Written lines are collected up to this size before they go to the file.
constexpr std::size_t flushThreshold = std::size_t(64) << 10;
} // namespace

// A link is written through: the temporary goes into the folder of the link's target and
// replaces the target, so the link stays a link. A link whose target is missing gets it.
TextOutputStream::TextOutputStream(const std::string& nativePath)
    : target_(writtenPath(nativePath))
    , temp_(posix::temporaryPath(nativepath::parent(target_))) {
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0)
        posix::throwError("Cannot create", target_, errno);
    // The replacement keeps the permission bits of the file it replaces.
    struct stat replaced {};
    if (::stat(target_.c_str(), &replaced) == 0 && ::fchmod(fd_, replaced.st_mode & 07777) != 0)
        error_ = errno;
}

TextOutputStream::~TextOutputStream() {
    discard();
}

void TextOutputStream::WriteLine(const std::string& line) {
    buffer_ += line;
    buffer_ += '\n';
    if (buffer_.size() >= flushThreshold)
        flush();
}

void TextOutputStream::flush() {
    for (std::size_t written = 0; written < buffer_.size() && error_ == 0;) {
        const ssize_t n = ::write(fd_, buffer_.data() + written, buffer_.size() - written);
        if (n >= 0)
            written += std::size_t(n);
        else if (errno != EINTR)
            error_ = errno;
    }
    buffer_.clear();
}

void TextOutputStream::discard() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
}

void TextOutputStream::Close() {
    if (fd_ < 0)
        return;
    flush();
    if (error_ == 0 && ::fsync(fd_) != 0)
        error_ = errno;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && error_ == 0)
        error_ = errno;
    if (error_ == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0)
        error_ = errno;
    if (error_ != 0) {
        ::unlink(temp_.c_str());
        posix::throwError("Cannot write", target_, error_);
    }
}

TextInputStream::TextInputStream(std::FILE* file)
    : file_(file) {
    atEnd_ = peek() == EOF;
}

// A pipe would wait for a writer, a device could give bytes for ever: only a regular file is
// opened, and so that nothing put in its place between the look and the opening can make
// the opening wait, it is opened without waiting and looked at again.
std::unique_ptr<TextInputStream> TextInputStream::open(const std::string& nativePath) {
    struct stat status {};
    if (::stat(nativePath.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    posix::UniqueFd fd(::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    std::FILE* file = ::fdopen(fd.get(), "rb");
    if (!file)
        return nullptr;
    fd.release();
    return std::unique_ptr<TextInputStream>(new TextInputStream(file));
}

TextInputStream::~TextInputStream() {
    Close();
}

int TextInputStream::peek() {
    if (!file_)
        return EOF;
    const int c = std::getc(file_);
    if (c == EOF) {
        readError_ = readError_ || std::ferror(file_);
        return EOF;
    }
    return std::ungetc(c, file_);
}

std::string TextInputStream::ReadLine() {
    std::string line;
    if (!file_)
        return line;
    for (int c = std::getc(file_); c != EOF; c = std::getc(file_)) {
        if (c == '\n')
            break;
        if (c == '\r') {
            if (peek() == '\n')
                std::getc(file_);
            break;
        }
        line += char(c);
    }
    // Editors may start a UTF-8 file with a byte-order mark; it is no part of the first line.
    if (std::exchange(firstLine_, false) && line.starts_with("\xEF\xBB\xBF"))
        line.erase(0, 3);
    atEnd_ = peek() == EOF;
    return line;
}

void TextInputStream::Close() {
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    atEnd_ = true;
}

} // namespace fw
