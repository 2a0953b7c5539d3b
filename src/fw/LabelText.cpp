#include "LabelText.h"

#include "Text.h"

#include <algorithm>
#include <QAnyStringView>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QUtf8StringView>
#include <vector>

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

bool setNow(QLabel* label, const std::string& text) {
    if (shows(*label, text))
        return false;
    label->setText(fw::toQString(text));
    return true;
}

// The texts given to showText, each set on its label before the application's next event.
// Entries stay for their labels once made, so a label's text keeps its buffer from item to
// item.
class PendingTexts : public QObject {
public:
    static PendingTexts& instance() {
        static PendingTexts* const texts = new PendingTexts;
        return *texts;
    }

    void give(QLabel* label, const std::string& text) {
        Entry& entry = entryOf(label);
        entry.text = text;
        entry.pending = true;
        if (!any_) {
            any_ = true;
            // Installed again after each push, so the filter costs nothing while no text waits.
            if (QCoreApplication* application = QCoreApplication::instance())
                application->installEventFilter(this);
        }
    }

    void drop(QLabel* label) {
        for (Entry& entry : entries_)
            if (entry.label == label)
                entry.pending = false;
    }

    bool eventFilter(QObject*, QEvent*) override {
        push();
        return false;
    }

private:
    struct Entry {
        QPointer<QLabel> label;
        std::string text;
        bool pending = false;
    };

    Entry& entryOf(QLabel* label) {
        for (Entry& entry : entries_)
            if (entry.label == label)
                return entry;
        // A label that is gone leaves its entry to the next one.
        const auto gone = std::find_if(entries_.begin(), entries_.end(),
                                       [](const Entry& entry) { return !entry.label; });
        Entry& entry = gone != entries_.end() ? *gone : entries_.emplace_back();
        entry.label = label;
        return entry;
    }

    // Setting a text may send events at once (a layout request); those find nothing left to
    // push, since each entry is marked before its label is set.
    void push() {
        if (!any_)
            return;
        any_ = false;
        QCoreApplication::instance()->removeEventFilter(this);
        for (Entry& entry : entries_) {
            if (!entry.pending)
                continue;
            entry.pending = false;
            if (entry.label)
                setNow(entry.label, entry.text);
        }
    }

    std::vector<Entry> entries_;
    bool any_ = false;
};

} // namespace

namespace fw {

bool setText(QLabel* label, const std::string& text) {
    PendingTexts::instance().drop(label);
    return setNow(label, text);
}

void showText(QLabel* label, const std::string& text) {
    PendingTexts::instance().give(label, text);
}

} // namespace fw
