#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace fw {

// A moment in time. A new Date is "now"; file dates come from FolderItem::ModificationDate.
class Date {
public:
    Date();
    static Date fromUnixTime(std::time_t seconds);

    // Local time as YYYY-MM-DD HH:MM:SS.
    std::string SQLDateTime() const;

    // Seconds since 1904-01-01 00:00:00 UTC, the epoch of the stored time values.
    double TotalSeconds() const;

    std::time_t unixTime() const { return unixTime_; }

private:
    explicit Date(std::time_t seconds)
        : unixTime_(seconds) {}
    std::time_t unixTime_;
};

// Whole seconds of a TotalSeconds value. Values before the epoch, NaN and values out of
// range give 0, so the conversion is always defined.
std::uint64_t toUInt64(double totalSeconds);

} // namespace fw
