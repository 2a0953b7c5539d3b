#pragma once

#include <cstdint>
#include <QElapsedTimer>
#include <vector>

namespace bench {

// The gaps of an event loop: tick() is called from a repeating 1 ms timer, so the time between
// two ticks is the time the loop took for one turn (about 1 ms when it is idle), and a long
// one is a time the window did not answer.
class LoopGaps {
public:
    LoopGaps();

    // Ends the gap since the last tick (or since construction) and starts the next.
    void tick();
    // Adds the gaps of another measurement.
    void add(const LoopGaps& other);

    // The gap that `fraction` (0 to 1) of all gaps are at most as long as; 0 without gaps.
    double percentileMs(double fraction) const;
    double longestMs() const;

private:
    QElapsedTimer clock_;
    std::int64_t last_ = 0;
    std::vector<std::int64_t> gaps_;
};

} // namespace bench
