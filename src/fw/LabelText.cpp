#include "LabelText.h"

#include "Text.h"

#include <QLabel>

namespace fw {

bool setText(QLabel* label, const std::string& text) {
    const QString shown = toQString(text);
    if (label->text() == shown)
        return false;
    label->setText(shown);
    return true;
}

} // namespace fw
