#pragma once

#include <stdexcept>

namespace fw {

// A file operation that failed. The message names the operation, the path and the reason.
// The file layer throws it for every failure of the file system; the copy pass and the
// settings file catch it where a failure becomes an entry or a message.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace fw
