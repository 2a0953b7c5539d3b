#include "Date.h"

#include <cmath>

namespace fw {

namespace {

// Seconds from 1904-01-01 00:00:00 UTC to 1970-01-01 00:00:00 UTC (66 years, 17 leap days).
constexpr double kSecondsFrom1904To1970 = 2082844800.0;

// 2^64, the first value a uint64 cannot hold.
constexpr double kUInt64Limit = 18446744073709551616.0;

} // namespace

Date::Date()
    : unixTime_(std::time(nullptr)) {}

Date Date::fromUnixTime(std::time_t seconds) {
    return Date(seconds);
}

std::string Date::SQLDateTime() const {
    std::tm local{};
    if (!localtime_r(&unixTime_, &local))
        return "0000-00-00 00:00:00";
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, length);
}

double Date::TotalSeconds() const {
    return static_cast<double>(unixTime_) + kSecondsFrom1904To1970;
}

std::uint64_t toUInt64(double totalSeconds) {
    // Written so that NaN fails the first test as well.
    if (!(totalSeconds >= 0.0) || totalSeconds >= kUInt64Limit)
        return 0;
    return static_cast<std::uint64_t>(totalSeconds);
}

} // namespace fw
