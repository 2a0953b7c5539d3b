#pragma once

#include <cstdint>
#include <QString>
#include <string>

// One backup run through the real main window, timed.
namespace bench {

struct RunOutcome {
    double seconds = 0;      // from the press of "Start Backup" to the end dialog
    bool complete = false;   // the end dialog was "Backup Complete"
    QString endMessage;      // the end dialog's text
    std::int32_t copied = 0; // FilesCopied
    std::int32_t updated = 0;
    double longestGapMs = 0; // the longest time the event loop did not run, over the run
};

// Presses "Start Backup" on the main window's "Backup" page, answers the end dialog ("OK",
// or "No" to the offer to save an error list) and waits until the run has ended.
RunOutcome runTolvane();

struct CancelOutcome {
    bool stopped = false;    // the run stopped, the copy incomplete and its temporary gone
    double longestGapMs = 0; // the longest time the event loop did not run, until the answer
    // From the press of "Yes": until the press reached the button (the cancel kills the
    // worker at once, so the copy stops there), and until the worker and its temporary were
    // gone.
    double pressMs = 0;
    double stopMs = 0;
};

// Presses "Start Backup", and "Cancel" once a copy's temporary below `destination` holds
// `bytesBeforeCancel` bytes; answers "Yes" and measures how soon the run has stopped.
CancelOutcome cancelTolvaneMidCopy(const std::string& destination, std::uint64_t bytesBeforeCancel);

} // namespace bench
