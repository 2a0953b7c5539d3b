#pragma once

#include <QString>

namespace fw {

// Names the exception being handled: the message of a std::exception, otherwise its type.
// Call it only inside a catch block.
QString currentExceptionText();

} // namespace fw
