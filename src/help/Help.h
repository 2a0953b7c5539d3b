#pragma once

#include "fw/Canvas.h"

#include <array>
#include <QLoggingCategory>

class QCloseEvent;
class QKeyEvent;
class QLabel;

namespace help {
// Diagnostics of the Help window ("tolvane.help").
Q_DECLARE_LOGGING_CATEGORY(lcHelp)

class Help;
struct Topic;
} // namespace help

// The Help window: the existing one, or a new one, complete and showing the Overview. While
// the window is being built this already returns it.
help::Help& Help();

namespace help {

// The Help window: four topic links on the left, the chosen topic's title and text in a
// frame on the right. At most one exists, reached through ::Help(). Closing it deletes it.
class Help : public fw::Canvas {
    Q_OBJECT
public:
    ~Help() override;

    void displayOverview();
    void displayBackupSets();
    void displayAdvanced();
    void displayBackup();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window, as its close box does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend help::Help&(::Help)();

    Help();
    void Layout();
    void CreateControls();
    void Event_Open();
    void underlineOnly(const QLabel* chosen);
    void showTopic(const Topic& topic);

    QLabel* stx_Info_ = nullptr;
    QLabel* stx_Title_ = nullptr;
    std::array<QLabel*, 4> links_{}; // the topic links, in their order
};

} // namespace help
