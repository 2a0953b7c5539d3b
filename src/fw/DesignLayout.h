#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

class QLabel;

namespace fw {

// Controls placed by their design geometry. A window's design gives every control its place
// and size in the coordinates of the window's content area, whatever widget holds it: the
// content itself, a page of a tab panel, or a group box placed the same way. The sizes are
// fixed; nothing is laid out by Qt's layouts.

// A page of a tab panel whose controls are placed in content coordinates. Where the page lies
// in the content is known only once the tab panel has laid itself out (and may change with
// the style), so the page places its controls again whenever it or one of its containers
// moves or changes size.
class DesignPage : public QWidget {
    Q_OBJECT
public:
    explicit DesignPage(QWidget& content);

    // Makes `control` a control of this page at `geometry`, given in content coordinates.
    void place(QWidget& control, const QRect& geometry);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchContainers();
    void placeAll();

    QWidget& content_;
    std::vector<std::pair<QWidget*, QRect>> placed_;
};

// Makes `control` a child of `parent` at `geometry`, given in content coordinates, and fixes
// its size. `parent` is the content area, a DesignPage, or a control placed here before (a
// group box), whose own design place is then the origin. Fixing the size also spares each new
// text of a label a layout request to its parent.
void place(QWidget& control, QWidget& parent, const QRect& geometry);

// The design's "System" font: the desktop's font family at 12 pixels, whatever size the
// desktop sets. The controls' sizes are fixed, and every text of the designs fits its control
// at this size in the desktops' usual families (DejaVu Sans, Cantarell, Noto Sans); the
// desktop's 11 to 13 point sizes (15 to 17 pixels) do not. Given to a window's content, so
// that its controls inherit it; menus and message boxes keep the desktop's font.
constexpr int designTextSize = 12;
void useDesignFont(QWidget& content);

// How a label shows its text. Text sizes are pixels, as on the platform the windows were
// drawn for: a size 12 text is 12 pixels high and fits a label 16 pixels high.
struct LabelDesign {
    QString text = {};
    int textSize = 0; // 0: the system font's own size
    QColor textColor = Qt::black;
    bool underline = false;
    int align = 0; // 0 left, 1 centre, 2 right
    bool multiline = false;
};

// Gives a label its design text and look. The text is always plain: labels show file names,
// which must never be read as rich text.
void applyDesign(QLabel& label, const LabelDesign& design);

// The colour of a control's text (and of a line's stroke).
void setTextColor(QWidget& control, const QColor& color);

// Underlines a control's text, or not.
void setUnderline(QWidget& control, bool underline);

} // namespace fw
