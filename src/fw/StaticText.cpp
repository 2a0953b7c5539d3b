#include "StaticText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace fw {

namespace {

// Whether `text` drawn with `metrics` stays inside `box`: on one line, or word-wrapped to the
// box's width.
bool fits(const QFontMetrics& metrics, const QString& text, const QSize& box, bool wrap) {
    if (!wrap)
        return metrics.horizontalAdvance(text) <= box.width() && metrics.height() <= box.height();
    const QRect needed =
        metrics.boundingRect(QRect(0, 0, box.width(), QWIDGETSIZE_MAX),
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
    while (size > smallestPixelSize && !fits(QFontMetrics(font), shown, box, wordWrap())) {
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
    if (fits(fontMetrics(), text(), contentsRect().size(), wordWrap())) {
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
