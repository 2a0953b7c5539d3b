#pragma once

namespace mainwindow {
class MainWindow;
} // namespace mainwindow

namespace backup {

// The picture band of the idle window: the banner hidden, the drive picture at the top
// right and no picture in the middle, both canvases redrawn at once.
void showIdlePictures(mainwindow::MainWindow& window);

} // namespace backup
