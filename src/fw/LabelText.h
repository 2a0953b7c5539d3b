#pragma once

#include <string>

class QLabel;

namespace fw {

// Sets a label's text (UTF-8; bytes that are not valid UTF-8 show as replacement characters).
// A label that already shows the text is left alone, so nothing is laid out or redrawn for
// it. Valid UTF-8 is compared as it is, without a converted copy. A text given to showText
// and not yet shown is dropped. Returns whether the text changed.
bool setText(QLabel* label, const std::string& text);

// Gives a label the text it is to show, as setText does, but only before the application
// handles its next event: the next frame drawn, the next event after a worker gives way, the
// first event of a dialog. A label given several texts until then is set once, to the last,
// so a run that names every item costs one update of each label per frame.
void showText(QLabel* label, const std::string& text);

} // namespace fw
