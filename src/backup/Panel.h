#pragma once

#include <string>

class QLabel;

namespace mainwindow {
class MainWindow;
} // namespace mainwindow

namespace backup {

// Sets a label's text (UTF-8; bytes that are not valid UTF-8 show as replacement
// characters). A label that already shows the text is left alone.
void setText(QLabel* label, const std::string& text);

// The picture band of the idle window: the banner hidden, the drive picture at the top
// right and no picture in the middle, both canvases redrawn at once.
void showIdlePictures(mainwindow::MainWindow& window);

} // namespace backup
