#include "Canvas.h"

#include "FrameUpdates.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPaintEvent>

namespace fw {

Canvas::Canvas(QWidget* parent)
    : QWidget(parent) {}

void Canvas::setBackdrop(const QPixmap& picture) {
    backdrop_ = picture;
    update();
}

void Canvas::paintEvent(QPaintEvent* event) {
    // Only the part being repainted: during a run the labels above the backdrop change many
    // times a second, and each repaint should cost their area, not the whole picture.
    const QRect area = event->rect() & backdrop_.rect();
    if (area.isEmpty())
        return;
    QPainter painter(this);
    painter.drawPixmap(area.topLeft(), backdrop_, area);
}

namespace {

// One display frame.
constexpr qint64 kFrameNs = 16'000'000;

} // namespace

// A run may ask for a hundred thousand redraws of a dozen controls. Each request only marks
// its widget dirty; at most once per frame every pending redraw of every window is painted in
// one pass and flushed once, so the run's time goes to its work, not to painting.
void Refresh(QWidget* widget) {
    if (!widget)
        return;
    widget->update();
    static QElapsedTimer lastFlush;
    if (lastFlush.isValid() && lastFlush.nsecsElapsed() < kFrameNs)
        return;
    lastFlush.start();
    pushFrameUpdates();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

} // namespace fw
