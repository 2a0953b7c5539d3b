#include "PopupMenu.h"

#include <QAccessibleWidget>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace fw {

namespace {

class AccessiblePopupMenu : public QAccessibleWidget {
public:
    explicit AccessiblePopupMenu(PopupMenu* popup)
        : QAccessibleWidget(popup, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name || t == QAccessible::Value)
            return static_cast<const PopupMenu*>(widget())->spokenText();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        return QStringList(showMenuAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override {
        if (actionName == showMenuAction())
            static_cast<PopupMenu*>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface* accessiblePopupMenu(const QString& className, QObject* object) {
    if (className == QLatin1String("fw::PopupMenu"))
        return new AccessiblePopupMenu(static_cast<PopupMenu*>(object));
    return nullptr;
}

} // namespace

PopupMenu::PopupMenu(QWidget* parent)
    : QComboBox(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(accessiblePopupMenu);
        return true;
    }();
    Q_UNUSED(installed);
}

QString PopupMenu::spokenText() const {
    if (currentIndex() < 0)
        return accessibleName();
    const QVariant spoken = currentData(Qt::AccessibleTextRole);
    return spoken.isValid() ? spoken.toString() : currentText();
}

QString PopupMenu::shownText() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The style draws the text one pixel in from each side of the field.
    return fontMetrics().elidedText(option.currentText, Qt::ElideMiddle,
                                    textField(option).width() - 2);
}

QRect PopupMenu::textField(const QStyleOptionComboBox& option) const {
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                   this);
}

// Drawn as QComboBox draws itself, with the shown text cut to fit.
void PopupMenu::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace fw
