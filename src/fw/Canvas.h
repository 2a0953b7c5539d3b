#pragma once

#include <QPixmap>
#include <QWidget>

namespace fw {

// A widget that paints its backdrop picture at its top-left corner; with no picture (a
// null pixmap) the parent's background shows. Serves as the canvases of the windows and
// as the windows' own backdrop.
class Canvas : public QWidget {
    Q_OBJECT
public:
    explicit Canvas(QWidget* parent = nullptr);
    const QPixmap& Backdrop() const { return backdrop_; }
    void setBackdrop(const QPixmap& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap backdrop_;
};

} // namespace fw
