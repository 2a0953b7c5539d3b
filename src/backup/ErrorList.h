#pragma once

#include <string>
#include <string_view>

namespace mainwindow {
class MainWindow;
} // namespace mainwindow

namespace backup {

// One line of the error list: the local date and time of this moment as
// "YYYY-MM-DD HH:MM:SS", then " - ", then the message.
std::string ErrorListEntry(std::string_view message);

// Appends the entry for `message` to the window's error list.
void appendEntry(mainwindow::MainWindow& window, std::string_view message);

// Appends the entry for `message` and counts one error of the run.
void countError(mainwindow::MainWindow& window, std::string_view message);

} // namespace backup
