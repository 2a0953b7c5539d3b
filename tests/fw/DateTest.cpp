#include "fw/Date.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>
#include <QRegularExpression>

namespace {

// Runs the test body in a fixed time zone and restores the previous one afterwards.
class InTimeZone {
public:
    explicit InTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~InTimeZone() {
        if (old_.empty())
            unsetenv("TZ");
        else
            setenv("TZ", old_.c_str(), 1);
        tzset();
    }

private:
    std::string old_;
};

} // namespace

TEST(Date, SQLDateTimeIsLocalTime) {
    // 2012-03-15 13:45:07 UTC
    const fw::Date date = fw::Date::fromUnixTime(1331819107);
    {
        InTimeZone utc("UTC0");
        EXPECT_EQ(date.SQLDateTime(), "2012-03-15 13:45:07");
    }
    {
        InTimeZone east("XYZ-2");
        EXPECT_EQ(date.SQLDateTime(), "2012-03-15 15:45:07");
    }
    {
        InTimeZone west("XYZ14");
        EXPECT_EQ(date.SQLDateTime(), "2012-03-14 23:45:07");
    }
}

TEST(Date, NewDateIsNow) {
    const std::time_t before = std::time(nullptr);
    const fw::Date now;
    const std::time_t after = std::time(nullptr);
    EXPECT_GE(now.unixTime(), before);
    EXPECT_LE(now.unixTime(), after);
    const QRegularExpression form(R"(^\d{4}-\d\d-\d\d [0-2]\d:[0-5]\d:[0-6]\d$)");
    EXPECT_TRUE(form.match(QString::fromStdString(now.SQLDateTime())).hasMatch())
        << now.SQLDateTime();
}

TEST(Date, TotalSecondsCountFrom1904) {
    EXPECT_EQ(fw::Date::fromUnixTime(0).TotalSeconds(), 2082844800.0);
    EXPECT_EQ(fw::Date::fromUnixTime(-2082844800).TotalSeconds(), 0.0);
    // 1950-01-01 lies before the Unix epoch but after 1904: still positive.
    EXPECT_EQ(fw::Date::fromUnixTime(-631152000).TotalSeconds(), 1451692800.0);
    const fw::Date later = fw::Date::fromUnixTime(1331819107);
    EXPECT_EQ(fw::toUInt64(later.TotalSeconds()), 1331819107ULL + 2082844800ULL);
}

TEST(Date, ToUInt64IsAlwaysDefined) {
    EXPECT_EQ(fw::toUInt64(-1.0), 0U);
    EXPECT_EQ(fw::toUInt64(-1e300), 0U);
    EXPECT_EQ(fw::toUInt64(std::nan("")), 0U);
    EXPECT_EQ(fw::toUInt64(std::numeric_limits<double>::infinity()), 0U);
    EXPECT_EQ(fw::toUInt64(-std::numeric_limits<double>::infinity()), 0U);
    EXPECT_EQ(fw::toUInt64(1e20), 0U);
    EXPECT_EQ(fw::toUInt64(18446744073709551616.0), 0U);
    EXPECT_EQ(fw::toUInt64(18446744073709549568.0), 18446744073709549568ULL);
    EXPECT_EQ(fw::toUInt64(0.0), 0U);
    EXPECT_EQ(fw::toUInt64(12.9), 12U);
    EXPECT_EQ(fw::toUInt64(3414663907.0), 3414663907ULL);
}
