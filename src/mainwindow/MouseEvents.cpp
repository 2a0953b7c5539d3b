#include "MouseEvents.h"

#include <QMouseEvent>
#include <QWidget>

namespace mainwindow {

MouseEvents::MouseEvents(QWidget& control)
    : QObject(&control) {
    control.installEventFilter(this);
}

MouseEvents& MouseEvents::of(QWidget& control) {
    if (auto* events = control.findChild<MouseEvents*>(QString(), Qt::FindDirectChildrenOnly))
        return *events;
    return *new MouseEvents(control);
}

void MouseEvents::setMouseDown(std::function<bool(int x, int y)> handler) {
    mouseDown_ = std::move(handler);
}

void MouseEvents::setMouseExit(std::function<void()> handler) {
    mouseExit_ = std::move(handler);
}

bool MouseEvents::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && mouseDown_) {
        const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (mouseDown_(position.x(), position.y()))
            return true;
    } else if (event->type() == QEvent::Leave && mouseExit_) {
        mouseExit_();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace mainwindow
