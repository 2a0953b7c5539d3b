#pragma once

#include "mainwindow/MainWindow.h"

#include <optional>
#include <string>
#include <vector>

// Helpers of the run tests: sets made straight in the window's state, and waits for the
// workers of a run.
namespace backup_test {

// Appends a set with this source folder and, when given, this destination folder.
void addSet(mainwindow::MainWindow& window, const std::string& source,
            const std::optional<std::string>& destination, bool enabled = true);

// Lists the items of every enabled set, as the list-building thread does, on the main thread.
void listItems(mainwindow::MainWindow& window);

// Native paths of the listed items, in list order.
std::vector<std::string> listedPaths(const mainwindow::MainWindow& window);

// Runs the copy pass over the listed items and waits until it has ended; false when it did
// not end in time.
[[nodiscard]] bool runCopyPass(mainwindow::MainWindow& window);

// Waits until neither worker runs; false when they did not end in time.
[[nodiscard]] bool waitUntilIdle(const mainwindow::MainWindow& window);

// The text after the time stamp of every error list entry.
std::vector<std::string> entryTexts(const mainwindow::MainWindow& window);

} // namespace backup_test
