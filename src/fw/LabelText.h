#pragma once

#include <string>

class QLabel;

namespace fw {

// Sets a label's text (UTF-8; bytes that are not valid UTF-8 show as replacement characters).
// A label that already shows the text is left alone, so nothing is laid out or redrawn for
// it. Valid UTF-8 is compared as it is, without a converted copy. A text given to showText
// (FrameUpdates.h) and not shown yet is dropped. Returns whether the text changed.
bool setText(QLabel* label, const std::string& text);

} // namespace fw
