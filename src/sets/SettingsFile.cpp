#include "SettingsFile.h"

#include "ExclusionEntry.h"
#include "fw/Dialogs.h"
#include "fw/FileAccess.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "Logging.h"
#include "mainwindow/MainWindow.h"

#include <QListWidget>
#include <string>
#include <string_view>

namespace sets {

namespace {

// Creates a missing folder together with its missing parents: on a fresh account even the
// XDG data home (~/.local/share) may not exist yet.
void createFolderPath(const fw::FolderItem& folder) {
    if (folder.Exists())
        return;
    if (const std::optional<fw::FolderItem> parent = folder.Parent())
        createFolderPath(*parent);
    folder.CreateAsFolder();
}

// The line keys of the settings file: a set's line, and the two exclusion lists' lines.
constexpr std::string_view setKey = "set?";
constexpr std::string_view containsKey = "cont:";
constexpr std::string_view extensionsKey = "ext:";

// "cont:" or "ext:" followed by every row of the list, each closed by "?".
std::string listLine(std::string_view key, const QListWidget& list) {
    std::string line(key);
    for (int row = 0; row < list.count(); ++row) {
        line += exclusionText(list, row) + "?";
        fw::yieldPoint();
    }
    return line;
}

// Appends the entries of a list line (without its key) as stored. A line without any "?"
// holds no complete entry and loads nothing.
void loadEntries(QListWidget& list, const std::string& entries) {
    const std::vector<std::string> pieces = fw::Split(entries, "?");
    if (pieces.size() < 2)
        return;
    for (const std::string& piece : pieces) {
        if (!piece.empty())
            appendExclusion(list, piece);
        fw::yieldPoint();
    }
}

} // namespace

fw::FolderItem settingsFolder(const std::string& softwareName) {
    return fw::SpecialFolder(fw::SpecialFolderKind::ApplicationSupport).Child(softwareName);
}

fw::FolderItem settingsFile(const std::string& softwareName) {
    return settingsFolder(softwareName).Child("settings");
}

std::optional<fw::FolderItem> setAsideUnreadableSettings(const std::string& softwareName) {
    const fw::FolderItem folder = settingsFolder(softwareName);
    for (int number = 1;; ++number) {
        const std::string name = "settings.unreadable" + (number > 1 ? "." + fw::Str(number) : "");
        // Taken is taken also by a link, whatever it points to.
        if (fw::FolderItem::fromNativePath(folder.Child(name).nativePath(), false).Exists())
            continue;
        const fw::FolderItem kept = folder.Child(name);
        try {
            settingsFile(softwareName).MoveFileTo(kept);
        } catch (const fw::FileError& error) {
            qCWarning(lcSets) << "The unreadable settings file is left as it is:" << error.what();
            return std::nullopt;
        }
        qCWarning(lcSets) << "The settings file could not be read; it is kept as"
                          << fw::toQString(kept.nativePath());
        return kept;
    }
}

} // namespace sets

namespace mainwindow {

// The file is replaced as a whole (TextOutputStream writes a temporary and renames it over
// "settings" only when complete), so a failure leaves the previous file intact. The sets
// and lists stay in memory and the next change saves them again.
void MainWindow::SaveSettingsFile() {
    // A file this user may not read is left alone: rewritten with the same permission bits,
    // it could not be read at the next start either. So is one the opening left alone. The
    // user was told when the window opened.
    if (settingsLeftAlone_ || fw::readingDenied(sets::settingsFile(softwareName))) {
        qCWarning(sets::lcSets)
            << "The settings file may not be read; the change is kept in memory";
        return;
    }
    try {
        const fw::FolderItem folder = sets::settingsFolder(softwareName);
        sets::createFolderPath(folder);
        const std::unique_ptr<fw::TextOutputStream> stream =
            folder.Child("settings").CreateTextFile();
        for (std::size_t i = 0; i < Sets.size(); ++i) {
            const std::optional<fw::FolderItem>& destination = DestinationFolder.at(i);
            stream->WriteLine(std::string(sets::setKey) + std::string(setEnable.at(i) ? "1" : "0") +
                              "?" + Sets[i].AbsolutePath() + "?" +
                              (destination ? destination->AbsolutePath() : std::string()));
            fw::yieldPoint();
        }
        stream->WriteLine(sets::listLine(sets::containsKey, *lsb_Contains));
        stream->WriteLine(sets::listLine(sets::extensionsKey, *lsb_Extensions));
        stream->Close();
    } catch (const fw::FileError& error) {
        qCWarning(sets::lcSets) << "The settings could not be saved:" << error.what();
        fw::MsgBox(std::string("The settings could not be saved.") + fw::CR + fw::CR +
                   error.what());
    }
}

bool MainWindow::OpenSettingsFile() {
    const fw::FolderItem file = sets::settingsFile(softwareName);
    // A save killed before its end (a crash, SIGKILL) left its temporary beside the file.
    fw::removeSaveTemporaries(file);
    const std::unique_ptr<fw::TextInputStream> stream = file.OpenAsTextFile();
    if (!stream)
        return false;
    while (!stream->EndOfFile()) {
        const std::string line = stream->ReadLine();
        if (line.size() > sets::setKey.size() && line.starts_with(sets::setKey)) {
            const std::vector<std::string> fields = fw::Split(line, "?");
            if (fields.size() == 4) {
                setEnable.push_back(fields[1] == "1");
                Sets.push_back(fw::GetFolderItem(fields[2]));
                DestinationFolder.push_back(
                    fields[3].empty() ? std::nullopt : std::optional(fw::GetFolderItem(fields[3])));
            }
        } else if (line.size() > sets::containsKey.size() && line.starts_with(sets::containsKey)) {
            sets::loadEntries(*lsb_Contains, line.substr(sets::containsKey.size()));
        } else if (line.size() > sets::extensionsKey.size() &&
                   line.starts_with(sets::extensionsKey)) {
            sets::loadEntries(*lsb_Extensions, line.substr(sets::extensionsKey.size()));
        }
        if (stream->ReadError())
            return false;
        fw::yieldPoint();
    }
    // A file that fails at its very first read is at its end at once; it was not read to its
    // end for all that.
    return !stream->ReadError();
}

} // namespace mainwindow
