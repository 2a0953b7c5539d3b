#pragma once

#include <chrono>
#include <QString>
#include <string>

class QLabel;
class QProgressBar;
class QWidget;

// What a worker shows while it runs, given to the widgets once per frame. A run names every
// item it handles; setting a label or moving a widget for each would cost more than
// handling most items. Instead each widget keeps only the last state it was given, and all
// of them are put on the widgets together, so every frame shows one consistent state: before
// the application handles its next event (after the worker gives way, or at the first event
// of a dialog the worker shows), and before a frame that Refresh draws at once. Outside a
// worker's own code they are set at once.
namespace fw {

// One display frame: the window is drawn as often as a screen shows it and no more often.
inline constexpr std::chrono::milliseconds frameLength{16};

// Redraws a widget at once, but the screen at most once per display frame: a request within
// the frame is coalesced into the next paint.
void Refresh(QWidget* widget);

// The text a label is to show (as setText would set it).
void showText(QLabel* label, const std::string& text);
// Where a widget's left edge is to be, in its parent; its top stays.
void showMovedTo(QWidget* widget, int left);
// The value a progress bar is to show. The bar's own redraw at once, which a value that moves
// the bar would force, is left out: it is painted with the frame, together with the texts.
void showProgress(QProgressBar* bar, int value);
// The text the label shows with the next frame: the one given to showText and waiting, or the
// label's own.
QString textShown(const QLabel* label);
// The label's text given to showText and not shown yet is dropped.
void forgetText(QLabel* label);
// Puts everything given to showText and showMovedTo on the widgets now.
void pushFrameUpdates();

} // namespace fw
