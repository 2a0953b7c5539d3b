#include "DesignLayout.h"

#include <array>
#include <QEvent>
#include <QLabel>

namespace fw {

namespace {

// The design place of a control placed by place(), in content coordinates; the controls
// placed inside it are given in the same coordinates.
const char* const designGeometry = "designGeometry";

} // namespace

DesignPage::DesignPage(QWidget& content)
    : content_(content) {}

void DesignPage::place(QWidget& control, const QRect& geometry) {
    control.setParent(this);
    placed_.emplace_back(&control, geometry);
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

void place(QWidget& control, QWidget& parent, const QRect& geometry) {
    control.setFixedSize(geometry.size());
    control.setProperty(designGeometry, geometry);
    if (auto* page = qobject_cast<DesignPage*>(&parent)) {
        page->place(control, geometry);
        return;
    }
    // The content area has no design place: its origin is the origin of the coordinates.
    const QPoint origin = parent.property(designGeometry).toRect().topLeft();
    control.setParent(&parent);
    control.setGeometry(geometry.translated(-origin));
}

void useDesignFont(QWidget& content) {
    // Only the size is set: the family still comes from the application font.
    QFont font;
    font.setPixelSize(designTextSize);
    content.setFont(font);
}

void applyDesign(QLabel& label, const LabelDesign& design) {
    static constexpr std::array<Qt::AlignmentFlag, 3> horizontal = {Qt::AlignLeft, Qt::AlignHCenter,
                                                                    Qt::AlignRight};
    label.setTextFormat(Qt::PlainText);
    label.setText(design.text);
    label.setAlignment(horizontal.at(std::size_t(design.align)) |
                       (design.multiline ? Qt::AlignTop : Qt::AlignVCenter));
    label.setWordWrap(design.multiline);
    QFont font = label.font();
    if (design.textSize > 0)
        font.setPixelSize(design.textSize);
    font.setUnderline(design.underline);
    label.setFont(font);
    setTextColor(label, design.textColor);
}

void setTextColor(QWidget& control, const QColor& color) {
    QPalette palette = control.palette();
    palette.setColor(QPalette::WindowText, color);
    control.setPalette(palette);
}

void setUnderline(QWidget& control, bool underline) {
    QFont font = control.font();
    font.setUnderline(underline);
    control.setFont(font);
}

} // namespace fw
