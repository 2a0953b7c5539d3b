#pragma once

#include <functional>
#include <QObject>

class QWidget;

namespace mainwindow {

// The MouseDown and MouseExit events of a control. MouseDown gets the position in the
// control's coordinates; when it returns true the press is consumed.
class MouseEvents : public QObject {
    Q_OBJECT
public:
    // The control's events, made on first use.
    static MouseEvents& of(QWidget& control);

    void setMouseDown(std::function<bool(int x, int y)> handler);
    void setMouseExit(std::function<void()> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit MouseEvents(QWidget& control);

    std::function<bool(int, int)> mouseDown_;
    std::function<void()> mouseExit_;
};

} // namespace mainwindow
