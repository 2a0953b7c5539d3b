#pragma once

#include <QFont>
#include <QLabel>
#include <QString>

namespace fw {

// A label of a window drawn at fixed design places. Its box never grows, so a text that is too
// wide or too high for it (a long file name, a large count, a desktop font with tall lines) is
// drawn smaller, down to a size that stays readable; a single line still too wide then loses
// characters in its middle, marked by an ellipsis. The label's text itself stays whole, for a
// screen reader and for every reader of text(). A text that fits is drawn as QLabel draws it.
class StaticText : public QLabel {
    Q_OBJECT
public:
    explicit StaticText(QWidget* parent = nullptr);

    // The font and the text the label is drawn with.
    QFont fittedFont() const;
    QString fittedText() const;

    // The smallest pixel size a text is drawn with before it is cut.
    static constexpr int smallestPixelSize = 8;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace fw
