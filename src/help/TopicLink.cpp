#include "help/TopicLink.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>

namespace help {

namespace {

// A topic link as a screen reader sees it: a link named by its text, pressed to choose it.
class AccessibleTopicLink : public QAccessibleWidget {
public:
    explicit AccessibleTopicLink(TopicLink* link)
        : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const TopicLink*>(widget())->text();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override {
        if (actionName == pressAction())
            emit static_cast<TopicLink*>(widget())->chosen();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface* accessibleHelpControl(const QString& className, QObject* object) {
    if (className == QLatin1String("help::TopicLink"))
        return new AccessibleTopicLink(static_cast<TopicLink*>(object));
    // The Help window is a plain widget, which screen readers would take for a filler.
    if (className == QLatin1String("help::Help"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

TopicLink::TopicLink(QWidget* parent)
    : fw::StaticText(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void TopicLink::describeToScreenReaders() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleHelpControl);
        return true;
    }();
    Q_UNUSED(installed);
}

bool TopicLink::event(QEvent* event) {
    // Never set back: from its first entry on, the link shows the finger.
    if (event->type() == QEvent::Enter)
        setCursor(Qt::PointingHandCursor);
    return fw::StaticText::event(event);
}

void TopicLink::mousePressEvent(QMouseEvent* event) {
    fw::StaticText::mousePressEvent(event);
    emit chosen();
}

void TopicLink::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit chosen();
        return;
    case Qt::Key_Up:
    case Qt::Key_Left:
        focusPreviousChild();
        return;
    case Qt::Key_Down:
    case Qt::Key_Right:
        focusNextChild();
        return;
    default:
        fw::StaticText::keyPressEvent(event);
    }
}

} // namespace help
