#pragma once

#include <cstdint>
#include <QString>

// One backup run through the real main window, timed.
namespace bench {

struct RunOutcome {
    double seconds = 0;      // from the press of "Start Backup" to the end dialog
    bool complete = false;   // the end dialog was "Backup Complete"
    QString endMessage;      // the end dialog's text
    std::int32_t copied = 0; // FilesCopied
    std::int32_t updated = 0;
};

// Presses "Start Backup" on the main window's "Backup" page, answers the end dialog ("OK",
// or "No" to the offer to save an error list) and waits until the run has ended.
RunOutcome runTolvane();

} // namespace bench
