#pragma once

#include <QRect>
#include <QWidget>
#include <utility>
#include <vector>

namespace mainwindow {

// A page of a tab panel whose controls are placed in the coordinates of the window's content
// area. Where the page lies in that area is known only once the tab panel has laid itself
// out (and may change with the style), so the page places its controls again whenever it or
// one of its containers moves or changes size.
class DesignPage : public QWidget {
    Q_OBJECT
public:
    explicit DesignPage(QWidget& content);

    // Makes `child` a control of this page at `geometry`, given in content coordinates.
    void place(QWidget& child, const QRect& geometry);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchContainers();
    void placeAll();

    QWidget& content_;
    std::vector<std::pair<QWidget*, QRect>> placed_;
};

} // namespace mainwindow
