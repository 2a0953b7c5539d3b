#pragma once

#include "LoopGaps.h"

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
    LoopGaps gaps; // the event loop's gaps over the run
    // From the press of "Start Backup" until the window handled its next event.
    double startAnswerMs = 0;
};

// Presses "Start Backup" on the main window's "Backup" page, answers the end dialog ("OK",
// or "No" to the offer to save an error list) and waits until the run has ended.
RunOutcome runTolvane();

// Runs the event loop for `seconds` without doing anything (a disk that sleeps when idle falls
// asleep).
void idleFor(double seconds);

struct CancelOutcome {
    bool stopped = false; // the run stopped, the copy incomplete and its temporary gone
    LoopGaps gaps;        // the event loop's gaps until the answer
    // From the press of "Yes": until the press reached the button (the cancel kills the
    // worker at once, so the copy stops there), until the window, its dialog closed, handled
    // its next event, and until the worker and its temporary were gone.
    double pressMs = 0;
    double answerMs = 0;
    double stopMs = 0;
};

// Presses "Start Backup", and "Cancel" once a copy's temporary below `destination` holds
// `bytesBeforeCancel` bytes; answers "Yes" and measures how soon the run has stopped.
CancelOutcome cancelTolvaneMidCopy(const std::string& destination, std::uint64_t bytesBeforeCancel);

} // namespace bench
