#include "Canvas.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPainter>

namespace fw {

Canvas::Canvas(QWidget* parent)
    : QWidget(parent) {}

void Canvas::setBackdrop(const QPixmap& picture) {
    backdrop_ = picture;
    update();
}

void Canvas::paintEvent(QPaintEvent*) {
    if (backdrop_.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, backdrop_);
}

namespace {

// One display frame.
constexpr qint64 kFrameNs = 16'000'000;

// When each widget was last redrawn by Refresh. A run may refresh its controls a hundred
// thousand times, so a request costs one clock read and one hash look-up; an entry goes
// when its widget is destroyed.
class RefreshClock : public QObject {
public:
    RefreshClock() { clock_.start(); }

    void refresh(QWidget* widget) {
        const qint64 now = clock_.nsecsElapsed();
        auto entry = lastRepaint_.find(widget);
        if (entry == lastRepaint_.end()) {
            connect(widget, &QObject::destroyed, this, &RefreshClock::forget);
            entry = lastRepaint_.insert(widget, now - kFrameNs);
        }
        if (now - entry.value() < kFrameNs) {
            widget->update();
            return;
        }
        entry.value() = now;
        widget->repaint();
    }

private:
    void forget(QObject* widget) { lastRepaint_.remove(widget); }

    QElapsedTimer clock_;
    QHash<const QObject*, qint64> lastRepaint_;
};

} // namespace

void Refresh(QWidget* widget) {
    if (!widget)
        return;
    static RefreshClock clock;
    clock.refresh(widget);
}

} // namespace fw
