#include "RunFixture.h"

#include "backup/ErrorList.h"
#include "backup/Exclusions.h"
#include "fw/FolderItem.h"
#include "fw/Thread.h"

#include <gtest/gtest.h>
#include <QTest>

namespace backup_test {

namespace {
constexpr int runTimeoutMs = 60000;
constexpr std::size_t stampLength = std::string_view("YYYY-MM-DD HH:MM:SS - ").size();
} // namespace

void addSet(mainwindow::MainWindow& window, const std::string& source,
            const std::optional<std::string>& destination, bool enabled) {
    window.Sets.push_back(fw::FolderItem::fromNativePath(source));
    window.DestinationFolder.push_back(
        destination ? std::optional(fw::FolderItem::fromNativePath(*destination)) : std::nullopt);
    window.setEnable.push_back(enabled);
}

void listItems(mainwindow::MainWindow& window) {
    window.SourceItems.clear();
    window.sourceSet.clear();
    window.TotalItemCount = 0;
    const backup::Exclusions exclusions(*window.lsb_Extensions, *window.lsb_Contains);
    for (std::size_t i = 0; i < window.Sets.size(); ++i) {
        if (window.setEnable[i]) {
            window.sett = std::int32_t(i);
            window.SearchDirectory(window.Sets[i], exclusions);
        }
    }
}

std::vector<std::string> listedPaths(const mainwindow::MainWindow& window) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < window.SourceItems.size(); ++i)
        paths.push_back(window.SourceItems[i].nativePath());
    return paths;
}

bool runCopyPass(mainwindow::MainWindow& window) {
    window.ErrorList = {backup::ErrorListEntry("Started Backup")};
    window.ErrorCount = 0;
    window.BackingUp = true;
    window.thr_backup->Run();
    return waitUntilIdle(window);
}

bool waitUntilIdle(const mainwindow::MainWindow& window) {
    return QTest::qWaitFor(
        [&window] {
            return window.thr_Build->State() == fw::Thread::NotRunning &&
                   window.thr_backup->State() == fw::Thread::NotRunning;
        },
        runTimeoutMs);
}

std::vector<std::string> entryTexts(const mainwindow::MainWindow& window) {
    std::vector<std::string> texts;
    for (const std::string& entry : window.ErrorList)
        texts.push_back(entry.size() >= stampLength ? entry.substr(stampLength) : entry);
    return texts;
}

} // namespace backup_test
