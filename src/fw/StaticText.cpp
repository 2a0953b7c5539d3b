#include "StaticText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace fw {

namespace {

// Whether `text` drawn with `font` stays inside `box`: on one line, or word-wrapped to the
// box's width. Widths are compared unrounded, as elidedText compares them.
bool fits(const QFont& font, const QString& text, const QSize& box, bool wrap) {
    const QFontMetricsF metrics(font);
    if (!wrap)
        return metrics.horizontalAdvance(text) <= box.width() && metrics.height() <= box.height();
    const QRectF needed =
        metrics.boundingRect(QRectF(0, 0, box.width(), QWIDGETSIZE_MAX),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    return needed.width() <= box.width() && needed.height() <= box.height();
}

} // namespace

StaticText::StaticText(QWidget* parent)
    : QLabel(parent) {}

QFont StaticText::fittedFont() const {
    QFont font = this->font();
    const QSize box = contentsRect().size();
    const QString shown = text();
    int size = QFontInfo(font).pixelSize();
    while (size > smallestPixelSize && !fits(font, shown, box, wordWrap())) {
        --size;
        font.setPixelSize(size);
    }
    return font;
}

QString StaticText::fittedText() const {
    if (wordWrap())
        return text();
    return QFontMetrics(fittedFont()).elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void StaticText::paintEvent(QPaintEvent* event) {
    if (fits(font(), text(), contentsRect().size(), wordWrap())) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(fittedFont());
    const int flags = int(QStyle::visualAlignment(layoutDirection(), alignment())) |
                      (wordWrap() ? int(Qt::TextWordWrap) : 0);
    style()->drawItemText(&painter, contentsRect(), flags, palette(), isEnabled(), fittedText(),
                          foregroundRole());
}

} // namespace fw
