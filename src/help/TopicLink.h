#pragma once

#include "fw/StaticText.h"

namespace help {

// A topic link of the Help window: a label that chooses its topic when it is clicked, and
// that takes the keyboard focus like a button: Return, Enter or Space chooses it, the arrow
// keys move to the link above or below. Screen readers see it as a link that can be pressed.
class TopicLink : public fw::StaticText {
    Q_OBJECT
public:
    explicit TopicLink(QWidget* parent);

    // Makes screen readers see topic links as links and the Help window as a window.
    static void describeToScreenReaders();

signals:
    void chosen();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace help
