#include "LabelText.h"

#include "FrameUpdates.h"
#include "Text.h"

#include <QAnyStringView>
#include <QLabel>
#include <QUtf8StringView>

namespace {

// Whether the label shows `text` already. Valid UTF-8 is compared as it is, with no
// converted copy made: that is every text of a run but a name with stray bytes. A text with
// a CR (shown as a line break), stray bytes, or a leading byte order mark (which the
// conversion drops) is compared as it is shown.
bool shows(const QLabel& label, const std::string& text) {
    const QUtf8StringView bytes(text);
    if (text.find('\r') == std::string::npos && !text.starts_with("\xEF\xBB\xBF") &&
        bytes.isValidUtf8())
        return QAnyStringView::equal(bytes, label.text());
    return label.text() == fw::toQString(text);
}

} // namespace

namespace fw {

bool setText(QLabel* label, const std::string& text) {
    forgetText(label);
    if (shows(*label, text))
        return false;
    label->setText(toQString(text));
    return true;
}

} // namespace fw
