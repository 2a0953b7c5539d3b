#pragma once

#include <QComboBox>
#include <QString>

class QStyleOptionComboBox;

namespace fw {

// A popup menu whose shown row loses characters in its middle, marked by an ellipsis, where it
// is too wide for the popup (a long folder name). As a screen reader hears it: a row may carry the
// text to be heard in place of the one shown (Qt::AccessibleTextRole), as the rows of the list that
// opens are heard; the closed popup is then heard by that text too, where Qt's own interface would
// read the shown one. With no row, it is heard by its accessible name.
class PopupMenu : public QComboBox {
    Q_OBJECT
public:
    explicit PopupMenu(QWidget* parent = nullptr);

    // What a screen reader hears for the popup as it stands.
    QString spokenText() const;

    // The current row's text as the closed popup draws it.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textField(const QStyleOptionComboBox& option) const;
};

} // namespace fw
