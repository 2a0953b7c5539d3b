#include "DesignPage.h"

#include <QEvent>

namespace mainwindow {

DesignPage::DesignPage(QWidget& content)
    : content_(content) {}

void DesignPage::place(QWidget& child, const QRect& geometry) {
    child.setParent(this);
    placed_.emplace_back(&child, geometry);
    placeAll();
}

bool DesignPage::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ParentChange:
        watchContainers();
        placeAll();
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
        placeAll();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool DesignPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        placeAll();
    return QWidget::eventFilter(watched, event);
}

void DesignPage::watchContainers() {
    for (QWidget* container = parentWidget(); container && container != &content_;
         container = container->parentWidget())
        container->installEventFilter(this);
}

void DesignPage::placeAll() {
    if (!content_.isAncestorOf(this))
        return;
    const QPoint origin = mapTo(&content_, QPoint(0, 0));
    for (const auto& [child, geometry] : placed_)
        child->setGeometry(geometry.translated(-origin));
}

} // namespace mainwindow
