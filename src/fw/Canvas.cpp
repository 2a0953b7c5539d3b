#include "Canvas.h"

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

} // namespace fw
