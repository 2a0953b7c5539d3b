#include "BenchTree.h"
#include "fw/FolderItem.h"
#include "fw/Volume.h"
#include "mainwindow/MainWindow.h"
#include "shell/Startup.h"
#include "TolvaneRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

// Times Tolvane against rsync -a on the same three jobs: a first backup into an empty
// destination, a re-run with nothing changed, and a re-run after 1% of the files became
// newer. Tolvane runs through its real main window on the offscreen platform, in this
// process; rsync on its own copy of the destination. Both jobs end when their copies are on
// the disk.
//
//   tolvane_bench [--small] [--hidden] [folder]
//
// The tree and both destinations go into a new folder below `folder` (default: the temporary
// folder), which is removed at the end. --small uses a tenth of the tree, for profiling;
// --hidden never shows the window, which leaves out the cost of drawing it.
//
//   tolvane_bench --large [--hidden] [folder]
//
// measures instead how the window answers while Tolvane copies two files of 3 GB: the
// longest time its event loop did not run during the run, and how soon a "Yes" to the
// cancel question, given in the middle of a copy, has stopped it and removed its temporary.

namespace {

namespace fs = std::filesystem;

struct Job {
    const char* name;
    double tolvane = 0;
    double rsync = 0;
    double bar = 0; // the highest ratio allowed; 0 for none
};

double rsyncSeconds(const std::string& source, const std::string& destination) {
    ::sync();
    QElapsedTimer clock;
    clock.start();
    QProcess rsync;
    rsync.setProcessChannelMode(QProcess::ForwardedChannels);
    rsync.start(QStringLiteral("rsync"), {QStringLiteral("-a"), QString::fromStdString(source),
                                          QString::fromStdString(destination + "/")});
    if (!rsync.waitForFinished(-1) || rsync.exitCode() != 0) {
        std::fprintf(stderr, "rsync failed\n");
        std::exit(2);
    }
    // Tolvane's run ends with its copies on the disk; rsync's job does too, so both are timed
    // to the same point.
    fw::OpenVolumes({fw::FolderItem::fromNativePath(destination)}).front().SaveToDisk();
    return double(clock.nsecsElapsed()) / 1e9;
}

// Times one run; `longestGapMs` becomes the longest time the event loop did not run in this
// run or before.
double tolvaneSeconds(bool& clean, double& longestGapMs) {
    ::sync();
    const bench::RunOutcome outcome = bench::runTolvane();
    if (!outcome.complete) {
        std::fprintf(stderr, "Tolvane's run did not complete cleanly: %s\n",
                     outcome.endMessage.toLocal8Bit().constData());
        clean = false;
    }
    longestGapMs = std::max(longestGapMs, outcome.longestGapMs);
    return outcome.seconds;
}

// A private HOME, so that the benchmark's settings never touch the user's own.
void useHome(const std::string& home) {
    fs::create_directories(home + "/.local/share/Tolvane");
    setenv("HOME", home.c_str(), 1);
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        unsetenv(name);
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

void writeSettings(const std::string& home, const std::string& source,
                   const std::string& destination) {
    std::ofstream settings(home + "/.local/share/Tolvane/settings");
    settings << "set?1?" << fw::FolderItem::fromNativePath(source).AbsolutePath() << "?"
             << fw::FolderItem::fromNativePath(destination).AbsolutePath() << "\ncont:\next:\n";
}

// The large-file job; returns whether its bars were met.
bool measureLargeCopies(const std::string& root, bool shown) {
    constexpr bench::TreeShape shape{
        .folders = 0, .filesPerFolder = 0, .bigFiles = 2, .bigBytes = 3'000'000'000};
    constexpr double gapBarMs = 50;
    constexpr double stopBarMs = 100;
    const std::string source = root + "/source";
    const std::string destination = root + "/tolvane";
    QElapsedTimer clock;
    clock.start();
    const bench::TreeSize tree = bench::generateTree(source, shape);
    std::printf("Files: %d, %.1f GB, in %s (written in %.1f s)\n", tree.files,
                double(tree.bytes) / 1e9, root.c_str(), double(clock.elapsed()) / 1000.0);
    fs::create_directories(destination);
    writeSettings(root + "/home", source, destination);
    ::MainWindow().setVisible(shown);

    ::sync();
    const bench::RunOutcome run = bench::runTolvane();
    fs::remove_all(destination + "/source");
    ::sync();
    const bench::CancelOutcome cancel =
        bench::cancelTolvaneMidCopy(destination, std::uint64_t(1) << 30);

    const bool runMet = run.complete && run.longestGapMs <= gapBarMs;
    const bool untilCancelMet = cancel.longestGapMs <= gapBarMs;
    const bool stopMet = cancel.stopped && cancel.pressMs <= stopBarMs;
    std::printf("\nWhole run: %.2f s, %s\n", run.seconds,
                run.complete ? "complete" : run.endMessage.toLocal8Bit().constData());
    std::printf("Longest event-loop gap, whole run:        %7.1f ms (bar: %.0f ms, %s)\n",
                run.longestGapMs, gapBarMs, runMet ? "met" : "MISSED");
    std::printf("Longest event-loop gap, run until cancel: %7.1f ms (bar: %.0f ms, %s)\n",
                cancel.longestGapMs, gapBarMs, untilCancelMet ? "met" : "MISSED");
    std::printf("From \"Yes\" to the copy stopped:          %7.1f ms (bar: %.0f ms, %s)\n",
                cancel.pressMs, stopBarMs, stopMet ? "met" : "MISSED");
    std::printf("... and to its temporary removed:        %7.1f ms%s\n", cancel.stopMs,
                cancel.stopped ? "" : " (the run did not stop)");
    return runMet && untilCancelMet && stopMet;
}

double peakMegabytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    bench::TreeShape shape;
    QString parent = QDir::tempPath();
    bool shown = true;
    bool large = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--small")
            shape = {.folders = 200, .filesPerFolder = 10, .bigFiles = 2};
        else if (std::string(argv[i]) == "--large")
            large = true;
        else if (std::string(argv[i]) == "--hidden")
            shown = false;
        else
            parent = QString::fromLocal8Bit(argv[i]);
    }
    QTemporaryDir work(parent + "/tolvane-bench-XXXXXX");
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", parent.toLocal8Bit().constData());
        return 2;
    }
    const std::string root = work.path().toStdString();
    const std::string source = root + "/source";
    useHome(root + "/home");
    shell::_NewAppInstance(argc, argv);
    if (large)
        return measureLargeCopies(root, shown) ? 0 : 1;

    QElapsedTimer clock;
    clock.start();
    const bench::TreeSize tree = bench::generateTree(source, shape);
    std::printf("Tree: %d files, %.0f MB, in %s (written in %.1f s)\n", tree.files,
                double(tree.bytes) / 1e6, root.c_str(), double(clock.elapsed()) / 1000.0);
    fs::create_directories(root + "/tolvane");
    fs::create_directories(root + "/rsync");
    writeSettings(root + "/home", source, root + "/tolvane");
    ::MainWindow().setVisible(shown);

    bool clean = true;
    double longestGapMs = 0;
    Job first{"first backup", 0, 0, 1.5};
    first.rsync = rsyncSeconds(source, root + "/rsync");
    first.tolvane = tolvaneSeconds(clean, longestGapMs);

    // Both run twice; the faster of each pair counts.
    Job unchanged{"unchanged re-run", 1e9, 1e9, 3.0};
    for (int round = 0; round < 2; ++round) {
        unchanged.rsync = std::min(unchanged.rsync, rsyncSeconds(source, root + "/rsync"));
        unchanged.tolvane = std::min(unchanged.tolvane, tolvaneSeconds(clean, longestGapMs));
    }

    const int touched = bench::touchOnePercent(source, shape);
    Job changed{"re-run, 1% newer", 0, 0, 0};
    changed.rsync = rsyncSeconds(source, root + "/rsync");
    changed.tolvane = tolvaneSeconds(clean, longestGapMs);
    const int updated = ::MainWindow().FilesUpdated;

    bool barsMet = clean;
    std::printf("\n%-20s %10s %10s %8s  %s\n", "job", "Tolvane", "rsync -a", "ratio", "bar");
    for (const Job& job : {first, unchanged, changed}) {
        const double ratio = job.tolvane / job.rsync;
        const bool met = job.bar == 0 || ratio <= job.bar;
        barsMet = barsMet && met;
        std::printf("%-20s %9.2fs %9.2fs %8.2f  %s\n", job.name, job.tolvane, job.rsync, ratio,
                    job.bar == 0 ? "-" : (met ? "met" : "MISSED"));
    }
    const double peak = peakMegabytes();
    barsMet = barsMet && peak < 200;
    std::printf("\nTolvane's peak memory: %.0f MB (bar: under 200 MB, %s)\n", peak,
                peak < 200 ? "met" : "MISSED");
    std::printf("Files touched: %d, replaced by Tolvane: %d\n", touched, updated);
    std::printf("Longest event-loop gap in Tolvane's runs: %.1f ms\n", longestGapMs);
    return barsMet && updated == touched ? 0 : 1;
}
