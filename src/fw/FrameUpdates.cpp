#include "FrameUpdates.h"

#include "LabelText.h"
#include "Scheduler.h"

#include <algorithm>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <vector>

namespace fw {

namespace {

// With updates off, the bar's repaint at once, which a value that moves the bar would force,
// does nothing; turning them back on asks for an ordinary update, painted with the frame.
void setBarValue(QProgressBar* bar, int value) {
    if (bar->value() == value)
        return;
    const bool updating = bar->updatesEnabled();
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(updating);
}

// The states given and not yet put on their widgets. An entry stays for its widget once made,
// so a label's text keeps its buffer from item to item. An application event filter puts
// them on the widgets; it is installed only while something waits.
class PendingUpdates : public QObject {
public:
    static PendingUpdates& instance() {
        static PendingUpdates* const updates = new PendingUpdates;
        return *updates;
    }

    void giveText(QLabel* label, const std::string& text) {
        Entry& entry = entryOf(label);
        entry.text = text;
        entry.textWaits = true;
        waiting();
    }

    void giveLeft(QWidget* widget, int left) {
        Entry& entry = entryOf(widget);
        entry.left = left;
        entry.leftWaits = true;
        waiting();
    }

    void giveProgress(QProgressBar* bar, int value) {
        Entry& entry = entryOf(bar);
        entry.progress = value;
        entry.progressWaits = true;
        waiting();
    }

    const std::string* waitingText(const QLabel* label) const {
        for (const Entry& entry : entries_)
            if (entry.widget == label && entry.textWaits)
                return &entry.text;
        return nullptr;
    }

    void forgetText(QLabel* label) {
        for (Entry& entry : entries_)
            if (entry.widget == label)
                entry.textWaits = false;
    }

    // Marking each entry before its widget is set lets the events that setting sends at once
    // (a move event, a layout request) find nothing left to push.
    void push() {
        if (!any_)
            return;
        any_ = false;
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeEventFilter(this);
        for (Entry& entry : entries_) {
            if (!entry.widget)
                continue;
            // Only a label is given a text and only a bar a value.
            if (std::exchange(entry.textWaits, false))
                if (auto* label = qobject_cast<QLabel*>(entry.widget))
                    setText(label, entry.text);
            if (std::exchange(entry.leftWaits, false))
                entry.widget->move(entry.left, entry.widget->y());
            if (std::exchange(entry.progressWaits, false))
                if (auto* bar = qobject_cast<QProgressBar*>(entry.widget))
                    setBarValue(bar, entry.progress);
        }
    }

protected:
    // Events that a worker's own code sends at once (a widget it moves) are not the
    // application handling its next event: the worker is still in the middle of its step.
    bool eventFilter(QObject*, QEvent*) override {
        if (!Scheduler::inWorkerCode())
            push();
        return false;
    }

private:
    struct Entry {
        QPointer<QWidget> widget;
        std::string text;
        bool textWaits = false;
        int left = 0;
        bool leftWaits = false;
        int progress = 0;
        bool progressWaits = false;
    };

    Entry& entryOf(QWidget* widget) {
        for (Entry& entry : entries_)
            if (entry.widget == widget)
                return entry;
        // A widget that is gone leaves its entry to the next one.
        const auto gone = std::find_if(entries_.begin(), entries_.end(),
                                       [](const Entry& entry) { return !entry.widget; });
        Entry& entry = gone != entries_.end() ? *gone : entries_.emplace_back();
        entry = Entry();
        entry.widget = widget;
        return entry;
    }

    void waiting() {
        if (any_)
            return;
        any_ = true;
        if (QCoreApplication* application = QCoreApplication::instance())
            application->installEventFilter(this);
    }

    std::vector<Entry> entries_;
    bool any_ = false;
};

} // namespace

// Outside a worker (code the event loop runs, a dialog's handler) nothing is in the middle of
// a step, so the widget is set at once.
void showText(QLabel* label, const std::string& text) {
    if (Scheduler::inWorkerCode())
        PendingUpdates::instance().giveText(label, text);
    else
        setText(label, text);
}

void showMovedTo(QWidget* widget, int left) {
    if (Scheduler::inWorkerCode())
        PendingUpdates::instance().giveLeft(widget, left);
    else
        widget->move(left, widget->y());
}

void showProgress(QProgressBar* bar, int value) {
    if (Scheduler::inWorkerCode())
        PendingUpdates::instance().giveProgress(bar, value);
    else
        setBarValue(bar, value);
}

QString textShown(const QLabel* label) {
    if (const std::string* waiting = PendingUpdates::instance().waitingText(label))
        return QString::fromUtf8(waiting->data(), qsizetype(waiting->size()));
    return label->text();
}

void forgetText(QLabel* label) {
    PendingUpdates::instance().forgetText(label);
}

void pushFrameUpdates() {
    PendingUpdates::instance().push();
}

// A run may ask for a hundred thousand redraws of a dozen controls. Each request only marks
// its widget dirty; at most once per frame every pending redraw of every window is painted in
// one pass and flushed once, so the run's time goes to its work, not to painting.
void Refresh(QWidget* widget) {
    if (!widget)
        return;
    widget->update();
    static QElapsedTimer lastFlush;
    if (lastFlush.isValid() &&
        lastFlush.nsecsElapsed() < std::chrono::nanoseconds(frameLength).count())
        return;
    lastFlush.start();
    pushFrameUpdates();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

} // namespace fw
