#include "BenchTree.h"
#include "fw/FolderItem.h"
#include "fw/Volume.h"
#include "LoopGaps.h"
#include "mainwindow/MainWindow.h"
#include "shell/Startup.h"
#include "TolvaneRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <linux/magic.h>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <string>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <vector>

// Times Tolvane against rsync -a on the same three jobs: a first backup into an empty
// destination (where cp -a joins the comparison), a re-run with nothing changed, and a re-run
// after 1% of the files became newer. Each job runs three times, the tools taking turns to go
// first, and each tool's best time counts. Tolvane runs through its real main window on the
// offscreen platform, in this process; the other tools each on a destination of their own.
// Every job ends when its copies are on the disk.
//
//   tolvane_bench [--small | --files N] [--hidden] [--dest folder] [--wait S] [--tmpfs | folder]
//
// The tree and the destinations go into a new folder below `folder` (default: the temporary
// folder; --tmpfs: /dev/shm, which leaves out the disk), removed at the end; --dest puts the
// destinations alone into a new folder below another folder (a slow disk or share). --small
// uses a tenth of the tree, for profiling; --files N a tree of N small files, for measuring
// memory; --hidden never shows the window, which leaves out the cost of drawing it; --wait S
// waits S seconds with the window idle before each press of "Start Backup" (a disk that sleeps
// when idle falls asleep).
//
//   tolvane_bench [--small | --files N] --reruns N [folder]
//
// runs only Tolvane: a first backup, then N unchanged re-runs, for counting what a re-run
// asks of the system (strace -c of two such calls with different N).
//
//   tolvane_bench --large [--size MB] [--hidden] [--dest folder] [--wait S] [folder]
//
// measures instead how the window answers while Tolvane copies two large files (3,000 MB
// each unless --size says otherwise): the event loop's gaps during the run, and how soon a
// "Yes" to the cancel question, given in the middle of a copy, has stopped it and removed its
// temporary.
//
//   tolvane_bench --backup SOURCE DESTINATION
//
// makes one backup of SOURCE into the existing folder DESTINATION through the real window and
// prints each status the run shows ("status: Backing Up" and so on) the moment it shows it, with
// the seconds since the press of "Start Backup"; it exits with 0 when the run completed. It
// drives the power-cut reproduction in bench/power-cut.

namespace {

namespace fs = std::filesystem;

// The folder a job copies into, emptied before each first backup.
void emptyFolder(const std::string& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

// Runs an external copying tool and waits until its copies are on the disk: Tolvane's run
// ends with its copies on the disk, so every tool is timed to the same point.
double toolSeconds(const QString& program, const QStringList& arguments,
                   const std::string& destination) {
    ::sync();
    QElapsedTimer clock;
    clock.start();
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(program, arguments);
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", program.toLocal8Bit().constData());
        std::exit(2);
    }
    fw::OpenVolumes({fw::FolderItem::fromNativePath(destination)}).front().SaveToDisk();
    return double(clock.nsecsElapsed()) / 1e9;
}

double rsyncSeconds(const std::string& source, const std::string& destination) {
    return toolSeconds(QStringLiteral("rsync"),
                       {QStringLiteral("-a"), QString::fromStdString(source),
                        QString::fromStdString(destination + "/")},
                       destination);
}

double cpSeconds(const std::string& source, const std::string& destination) {
    return toolSeconds(QStringLiteral("cp"),
                       {QStringLiteral("-a"), QString::fromStdString(source),
                        QString::fromStdString(destination + "/")},
                       destination);
}

// What the window's answers were like over several runs.
struct Answers {
    bench::LoopGaps gaps;
    double longestStartAnswerMs = 0;

    void add(const bench::RunOutcome& run) {
        gaps.add(run.gaps);
        longestStartAnswerMs = std::max(longestStartAnswerMs, run.startAnswerMs);
    }
};

void printGaps(const char* what, const bench::LoopGaps& gaps) {
    std::printf("Event-loop gaps, %s: 50th percentile %.1f ms, 99th %.1f ms, longest %.1f ms\n",
                what, gaps.percentileMs(0.5), gaps.percentileMs(0.99), gaps.longestMs());
}

// Times one run, its answers added to `answers`; `waitSeconds` of idle come first.
double tolvaneSeconds(bool& clean, Answers& answers, double waitSeconds) {
    ::sync();
    bench::idleFor(waitSeconds);
    const bench::RunOutcome outcome = bench::runTolvane();
    if (!outcome.complete) {
        std::fprintf(stderr, "Tolvane's run did not complete cleanly: %s\n",
                     outcome.endMessage.toLocal8Bit().constData());
        clean = false;
    }
    answers.add(outcome);
    return outcome.seconds;
}

// Each tool's best time over `rounds` rounds. Which tool goes first alternates from round to
// round, so that neither always meets the disk as the other left it; `prepare` runs before
// every round.
std::vector<double> bestOf(int rounds, const std::vector<std::function<double()>>& tools,
                           const std::function<void()>& prepare) {
    std::vector<double> best(tools.size(), 1e9);
    for (int round = 0; round < rounds; ++round) {
        prepare();
        for (std::size_t turn = 0; turn < tools.size(); ++turn) {
            const std::size_t tool = (turn + std::size_t(round)) % tools.size();
            best[tool] = std::min(best[tool], tools[tool]());
        }
    }
    return best;
}

// A ratio of Tolvane's time to another tool's, with the highest ratio allowed (0: none).
struct Ratio {
    std::string job;
    std::string tool;
    double tolvane = 0;
    double other = 0;
    double bar = 0;

    bool met() const { return bar == 0 || tolvane / other <= bar; }
};

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

// Where a job's files go and how it presses "Start Backup".
struct Placement {
    std::string root;        // the work folder: the tree and the private HOME
    std::string destination; // the folder the destinations go into
    bool shown = true;
    double waitSeconds = 0;
};

// The large-file job, with files of `bytes` each; returns whether its bars were met.
bool measureLargeCopies(const Placement& at, std::size_t bytes) {
    const bench::TreeShape shape{
        .folders = 0, .filesPerFolder = 0, .bigFiles = 2, .bigBytes = bytes};
    constexpr double gapBarMs = 50;
    constexpr double stopBarMs = 100;
    const std::string source = at.root + "/source";
    const std::string destination = at.destination + "/tolvane";
    QElapsedTimer clock;
    clock.start();
    const bench::TreeSize tree = bench::generateTree(source, shape);
    std::printf("Files: %d, %.1f GB, in %s, copied into %s (written in %.1f s)\n", tree.files,
                double(tree.bytes) / 1e9, at.root.c_str(), at.destination.c_str(),
                double(clock.elapsed()) / 1000.0);
    fs::create_directories(destination);
    writeSettings(at.root + "/home", source, destination);
    ::MainWindow().setVisible(at.shown);

    ::sync();
    bench::idleFor(at.waitSeconds);
    const bench::RunOutcome run = bench::runTolvane();
    fs::remove_all(destination + "/source");
    ::sync();
    bench::idleFor(at.waitSeconds);
    const bench::CancelOutcome cancel = bench::cancelTolvaneMidCopy(destination, bytes / 3);

    const bool runMet = run.complete && run.gaps.longestMs() <= gapBarMs;
    const bool untilCancelMet = cancel.gaps.longestMs() <= gapBarMs;
    const bool stopMet = cancel.stopped && cancel.pressMs <= stopBarMs;
    std::printf("\nWhole run: %.2f s, %s\n", run.seconds,
                run.complete ? "complete" : run.endMessage.toLocal8Bit().constData());
    std::printf("Longest event-loop gap, whole run:        %7.1f ms (bar: %.0f ms, %s)\n",
                run.gaps.longestMs(), gapBarMs, runMet ? "met" : "MISSED");
    std::printf("Longest event-loop gap, run until cancel: %7.1f ms (bar: %.0f ms, %s)\n",
                cancel.gaps.longestMs(), gapBarMs, untilCancelMet ? "met" : "MISSED");
    std::printf("From \"Yes\" to the copy stopped:          %7.1f ms (bar: %.0f ms, %s)\n",
                cancel.pressMs, stopBarMs, stopMet ? "met" : "MISSED");
    std::printf("... and to the window's next event:      %7.1f ms\n", cancel.answerMs);
    std::printf("... and to its temporary removed:        %7.1f ms%s\n", cancel.stopMs,
                cancel.stopped ? "" : " (the run did not stop)");
    std::printf("From \"Start Backup\" to the window's next event: %.1f ms\n", run.startAnswerMs);
    printGaps("whole run", run.gaps);
    printGaps("run until cancel", cancel.gaps);
    return runMet && untilCancelMet && stopMet;
}

// One backup of `source` into `destination`, each status it shows printed as it shows it;
// returns whether it completed.
bool backUpOnce(const std::string& home, const std::string& source,
                const std::string& destination) {
    writeSettings(home, source, destination);
    mainwindow::MainWindow& window = ::MainWindow();
    window.setVisible(true);
    QElapsedTimer clock;
    QString status;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        if (window.stx_status->text() == status)
            return;
        status = window.stx_status->text();
        std::printf("status: %s at %.3f s\n", status.toLocal8Bit().constData(),
                    double(clock.nsecsElapsed()) / 1e9);
        std::fflush(stdout);
    });
    watch.start();
    clock.start();
    const bench::RunOutcome run = bench::runTolvane();
    std::printf("backup: %s in %.2f s, %d copied, %d updated\n",
                run.complete ? "complete" : run.endMessage.toLocal8Bit().constData(), run.seconds,
                run.copied, run.updated);
    std::fflush(stdout);
    return run.complete;
}

// The most memory the process has held so far, and what it holds now.
double peakBytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024.0;
}

double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    double totalPages = 0;
    double residentPages = 0;
    statm >> totalPages >> residentPages;
    return residentPages * double(::sysconf(_SC_PAGESIZE));
}

bool isTmpfs(const QString& folder) {
    struct statfs status {};
    return ::statfs(folder.toLocal8Bit().constData(), &status) == 0 && status.f_type == TMPFS_MAGIC;
}

} // namespace

int main(int argc, char** argv) {
    bench::TreeShape shape;
    QString parent = QDir::tempPath();
    QString destinationParent;
    Placement at;
    bool large = false;
    std::size_t largeBytes = 3'000'000'000;
    int reruns = -1;
    std::vector<std::string> backup;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool valueFollows = i + 1 < argc;
        if (option == "--small")
            shape = {.folders = 200, .filesPerFolder = 10, .bigFiles = 2};
        else if (option == "--files" && valueFollows)
            shape = {.folders = std::max(1, std::atoi(argv[++i]) / 10), .bigFiles = 0};
        else if (option == "--reruns" && valueFollows)
            reruns = std::max(0, std::atoi(argv[++i]));
        else if (option == "--large")
            large = true;
        else if (option == "--size" && valueFollows)
            largeBytes = std::size_t(std::max(1, std::atoi(argv[++i]))) * 1'000'000;
        else if (option == "--hidden")
            at.shown = false;
        else if (option == "--dest" && valueFollows)
            destinationParent = QString::fromLocal8Bit(argv[++i]);
        else if (option == "--wait" && valueFollows)
            at.waitSeconds = std::max(0.0, std::atof(argv[++i]));
        else if (option == "--backup" && i + 2 < argc) {
            backup = {argv[i + 1], argv[i + 2]};
            i += 2;
        } else if (option == "--tmpfs")
            parent = QStringLiteral("/dev/shm");
        else if (option.starts_with("--")) {
            std::fprintf(stderr, "unknown option %s; see the README's \"Benchmark\"\n",
                         option.c_str());
            return 2;
        } else
            parent = QString::fromLocal8Bit(argv[i]);
    }
    if (destinationParent.isEmpty())
        destinationParent = parent;
    const bool onTmpfs = isTmpfs(parent) && isTmpfs(destinationParent);
    QTemporaryDir work(parent + "/tolvane-bench-XXXXXX");
    QTemporaryDir destinations(destinationParent + "/tolvane-bench-XXXXXX");
    if (!work.isValid() || !destinations.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s or %s\n", parent.toLocal8Bit().constData(),
                     destinationParent.toLocal8Bit().constData());
        return 2;
    }
    at.root = work.path().toStdString();
    at.destination = destinations.path().toStdString();
    const std::string& root = at.root;
    const std::string source = root + "/source";
    useHome(root + "/home");
    shell::_NewAppInstance(argc, argv);
    if (!backup.empty())
        return backUpOnce(root + "/home", backup[0], backup[1]) ? 0 : 1;
    if (large)
        return measureLargeCopies(at, largeBytes) ? 0 : 1;

    QElapsedTimer clock;
    clock.start();
    const bench::TreeSize tree = bench::generateTree(source, shape);
    std::printf("Tree: %d files, %.0f MB, in %s%s, copied into %s (written in %.1f s)\n",
                tree.files, double(tree.bytes) / 1e6, root.c_str(), onTmpfs ? " (tmpfs)" : "",
                at.destination.c_str(), double(clock.elapsed()) / 1000.0);
    const std::string tolvaneCopy = at.destination + "/tolvane";
    const std::string rsyncCopy = at.destination + "/rsync";
    const std::string cpCopy = at.destination + "/cp";
    fs::create_directories(tolvaneCopy);
    writeSettings(root + "/home", source, tolvaneCopy);
    ::MainWindow().setVisible(at.shown);
    const double emptyProgram = residentBytes();

    bool clean = true;
    Answers answers;
    const auto tolvane = [&] { return tolvaneSeconds(clean, answers, at.waitSeconds); };
    if (reruns >= 0) {
        tolvane();
        for (int run = 0; run < reruns; ++run)
            tolvane();
        std::printf("A first backup and %d unchanged re-runs of %d items\n", reruns,
                    ::MainWindow().TotalItemCount);
        return clean ? 0 : 1;
    }

    constexpr int rounds = 3;
    const auto rsync = [&] { return rsyncSeconds(source, rsyncCopy); };
    const auto cp = [&] { return cpSeconds(source, cpCopy); };
    const std::vector<double> first = bestOf(rounds, {tolvane, rsync, cp}, [&] {
        for (const std::string& copy : {tolvaneCopy, rsyncCopy, cpCopy})
            emptyFolder(copy);
    });
    const std::int32_t listed = ::MainWindow().TotalItemCount;
    const std::vector<double> unchanged = bestOf(rounds, {tolvane, rsync}, [] {});
    int touched = 0;
    bool allUpdated = true;
    const std::vector<double> changed =
        bestOf(rounds,
               {[&] {
                    const double seconds = tolvane();
                    allUpdated = allUpdated && ::MainWindow().FilesUpdated == touched;
                    return seconds;
                },
                rsync},
               [&] { touched = bench::touchOnePercent(source, shape); });

    const std::vector<Ratio> ratios{
        {"first backup", "rsync -a", first[0], first[1], 1.0},
        {"first backup", "cp -a", first[0], first[2], onTmpfs ? 1.3 : 0},
        {"unchanged re-run", "rsync -a", unchanged[0], unchanged[1], at.shown ? 1.2 : 1.0},
        {"re-run, 1% newer", "rsync -a", changed[0], changed[1], 1.2},
    };
    bool barsMet = clean && allUpdated;
    std::printf("\nBest of %d, the tools taking turns to go first:\n", rounds);
    std::printf("%-18s %-9s %9s %9s %7s  %s\n", "job", "against", "Tolvane", "other", "ratio",
                "bar");
    for (const Ratio& ratio : ratios) {
        barsMet = barsMet && ratio.met();
        const std::string bar = ratio.bar == 0 ? std::string("-")
                                               : QString::number(ratio.bar).toStdString() +
                                                     (ratio.met() ? " met" : " MISSED");
        std::printf("%-18s %-9s %8.2fs %8.2fs %7.2f  %s\n", ratio.job.c_str(), ratio.tool.c_str(),
                    ratio.tolvane, ratio.other, ratio.tolvane / ratio.other, bar.c_str());
    }
    // What a run holds besides its list (the window's drawing, the last folder's listing) is
    // spread over the items, so the bar is judged only where the list is what counts.
    constexpr std::int32_t memoryBarItems = 300'000;
    const double perItem = (peakBytes() - emptyProgram) / double(std::max(listed, 1));
    const bool memoryJudged = listed >= memoryBarItems;
    barsMet = barsMet && (!memoryJudged || perItem <= 60);
    std::printf("\nPeak memory above the empty program: %.0f bytes per listed item, %d items "
                "(bar: 60 %s)\n",
                perItem, listed,
                !memoryJudged   ? "from 300,000 items, --files 300000"
                : perItem <= 60 ? "met"
                                : "MISSED");
    std::printf("Files touched: %d, each replaced by Tolvane in every round: %s\n", touched,
                allUpdated ? "yes" : "NO");
    std::printf("Longest event-loop gap in Tolvane's runs: %.1f ms\n", answers.gaps.longestMs());
    printGaps("Tolvane's runs", answers.gaps);
    std::printf("From \"Start Backup\" to the window's next event: longest %.1f ms\n",
                answers.longestStartAnswerMs);
    return barsMet ? 0 : 1;
}
