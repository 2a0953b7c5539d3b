#pragma once

#include "fw/FileTestSupport.h"
#include "support/DialogDriver.h"
#include "support/WorkerHold.h"
#include "Trees.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>
#include <QString>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>

// Shows texts as text in the messages of failed checks.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace mainwindow {
class MainWindow;
} // namespace mainwindow

namespace e2e {

// Time limits of the waits: a whole run of a test tree, and the moments a test waits for
// inside a run.
inline constexpr int kRunTimeoutMs = 120'000;
inline constexpr int kStepTimeoutMs = 30'000;

// Runs the event loop (and with it the workers) until `done` holds; false when it still
// does not hold after timeoutMs.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = kStepTimeoutMs);

// One backup set as the settings file stores it; an empty destination is none.
struct SetLine {
    std::string source;
    std::string destination;
    bool enabled = true;
};

// A backup run driven through the real main window: sets written to the settings file
// before the window is built, "Start Backup" pressed on the "Backup" page, the end dialogs
// answered, the destination compared with the source. Every test case runs in its own
// process, so the window is built fresh for each.
class BackupRunTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch_.isValid()); }

    // A native path below the test's temporary folder.
    std::string path(const std::string& relative) const { return scratch_ / relative; }

    // Writes the settings file; call before window().
    static void writeSettings(const std::vector<SetLine>& sets, const QStringList& contains = {},
                              const QStringList& extensions = {});
    // The common case: one enabled set "src" backed up into "dst" (both created).
    void writeOneSet(const QStringList& contains = {}, const QStringList& extensions = {});
    // In that layout: an item of the source, its copy in the set folder, and both trees.
    std::string source(const std::string& relative) const { return path("src/" + relative); }
    std::string copy(const std::string& relative) const { return path("dst/src/" + relative); }
    TreeListing sourceTree() const { return describeTree(path("src")); }
    TreeListing copyTree() const { return describeTree(path("dst/src")); }

    // The main window, built on first use, showing its "Backup" page.
    static mainwindow::MainWindow& window();
    // True while either worker of the run is running.
    static bool running();

    // Holds the run's workers between two slices from the first moment `when` holds (at
    // once, if it holds now) until releaseWorkers() or the end of the test; the event loop
    // goes on meanwhile.
    void holdWorkersWhen(std::function<bool()> when) { hold_.emplace(std::move(when)); }
    void releaseWorkers() { hold_.reset(); }
    // The run is listing and has listed an item: held from that moment, it stands still
    // inside its listing.
    static bool listingUnderWay();

    // Presses "Start Backup" and waits until the run has ended; the end dialog must be
    // "Backup Complete", answered "OK". `whileListing`, when given, runs while the run is held
    // inside its listing.
    static void runBackup(const std::function<void()>& whileListing = {});
    // Presses "Start Backup" for a run that meets errors: the Errors dialog is answered with
    // `answer`; after "Yes" the confirmation is answered too. Gives the Errors dialog as seen.
    // `onceCopying`, when given, runs as soon as the status shows "Backing Up".
    static std::shared_ptr<SeenDialog>
    runBackupWithErrors(const QString& answer, const std::function<void()>& onceCopying = {});

    // The window as it stands between runs: the caption "Start Backup", `status`, the idle
    // pictures, the sleep guard off, no worker running.
    static void expectIdleLook(const QString& status);

    // The error list without the time stamps, each entry checked to start with one.
    static std::vector<std::string> errorMessages();

    // The saved error list files on the Desktop.
    static std::vector<std::string> savedErrorLists();

private:
    filetest::TempFolder scratch_;
    std::optional<WorkerHold> hold_;
};

} // namespace e2e
