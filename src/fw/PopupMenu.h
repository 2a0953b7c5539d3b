#pragma once

#include <QComboBox>
#include <QString>

namespace fw {

// A popup menu as a screen reader hears it. A row may carry the text to be heard in place of
// the one shown (Qt::AccessibleTextRole), as the rows of the list that opens are heard; the
// closed popup is then heard by that text too, where Qt's own interface would read the shown
// one. With no row, it is heard by its accessible name.
class PopupMenu : public QComboBox {
    Q_OBJECT
public:
    explicit PopupMenu(QWidget* parent = nullptr);

    // What a screen reader hears for the popup as it stands.
    QString spokenText() const;
};

} // namespace fw
