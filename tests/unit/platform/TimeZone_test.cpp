// Local time under fixed time zones (POSIX rules in TZ, so no zone database is needed).
#ifndef _WIN32
#include "platform/DateTime.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <ctime>
#include <string>

namespace scrivo {
namespace {

class TimeZone : public ::testing::Test {
protected:
    void Use(const char* tz)
    {
        setenv("TZ", tz, 1);
        tzset();
    }
    void SetUp() override
    {
        const char* old = getenv("TZ");
        hadTz_ = old != nullptr;
        oldTz_ = old ? old : "";
    }
    void TearDown() override
    {
        if (hadTz_)
            setenv("TZ", oldTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool hadTz_ = false;
    std::string oldTz_;
};

TEST_F(TimeZone, StandardBiasInBothHemispheres)
{
    Use("UTC0");
    EXPECT_EQ(StandardBiasMinutes(), 0);
    Use("EST5EDT,M3.2.0,M11.1.0"); // daylight time in July
    EXPECT_EQ(StandardBiasMinutes(), 300);
    Use("AEST-10AEDT,M10.1.0,M4.1.0/3"); // daylight time in January
    EXPECT_EQ(StandardBiasMinutes(), -600);
    Use("IST-5:30");
    EXPECT_EQ(StandardBiasMinutes(), -330);
}

TEST_F(TimeZone, UnixTimeFollowsTheDaylightRuleOfItsDate)
{
    Use("EST5EDT,M3.2.0,M11.1.0");
    TDateTime t;
    ASSERT_TRUE(UnixTimeToLocalDateTime(946684800, t)); // 2000-01-01 00:00 UTC
    DateTimeParts p = DecodeDateTime(t);
    EXPECT_EQ(p.Year, 1999);
    EXPECT_EQ(p.Day, 31);
    EXPECT_EQ(p.Hour, 19);
    ASSERT_TRUE(UnixTimeToLocalDateTime(962409600, t)); // 2000-07-01 00:00 UTC
    p = DecodeDateTime(t);
    EXPECT_EQ(p.Month, 6);
    EXPECT_EQ(p.Hour, 20);
    ASSERT_TRUE(UnixTimeToLocalDateTime(-2209161600LL + 5 * 3600, t)); // 1899-12-30 05:00 UTC
    EXPECT_EQ(t, 0.0);
}

} // namespace
} // namespace scrivo
#endif
