#include "platform/DateTime.h"
#include <gtest/gtest.h>
#include <chrono>
#include <climits>
#include <cmath>

namespace scrivo {
namespace {

TDateTime Enc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    TDateTime t = -1e9;
    EXPECT_TRUE(EncodeDateTime({y, mo, d, h, mi, s, ms}, t));
    return t;
}

void ExpectParts(TDateTime t, DateTimeParts e)
{
    DateTimeParts p = DecodeDateTime(t);
    EXPECT_EQ(p.Year, e.Year);
    EXPECT_EQ(p.Month, e.Month);
    EXPECT_EQ(p.Day, e.Day);
    EXPECT_EQ(p.Hour, e.Hour);
    EXPECT_EQ(p.Minute, e.Minute);
    EXPECT_EQ(p.Second, e.Second);
    EXPECT_EQ(p.Millisecond, e.Millisecond);
}

TEST(DateTime, KnownValues)
{
    EXPECT_EQ(Enc(1899, 12, 30), 0.0);
    EXPECT_EQ(Enc(1900, 1, 1), 2.0);
    EXPECT_EQ(Enc(2000, 1, 1), 36526.0);
    EXPECT_EQ(Enc(1970, 1, 1), 25569.0);
    EXPECT_EQ(Enc(2000, 1, 1, 12), 36526.5);
    EXPECT_EQ(Enc(1, 1, 1), -693593.0);
    EXPECT_EQ(Enc(9999, 12, 31), 2958465.0);
    // Before the epoch the time of day still counts forward from the day's start.
    EXPECT_EQ(Enc(1899, 12, 29, 6), -1.25);
    ExpectParts(-1.25, {1899, 12, 29, 6, 0, 0, 0});
}

TEST(DateTime, RoundTripsAcrossCalendar)
{
    const DateTimeParts samples[] = {
        {1, 1, 1, 0, 0, 0, 0},        {1600, 2, 29, 23, 59, 59, 999}, {1899, 12, 31, 0, 0, 0, 1},
        {1900, 2, 28, 12, 30, 0, 0},  {2000, 2, 29, 1, 2, 3, 4},       {2024, 12, 31, 23, 59, 59, 999},
        {2100, 3, 1, 0, 0, 1, 0},     {9999, 12, 31, 23, 59, 59, 999}, {1583, 10, 15, 8, 0, 0, 500},
    };
    for (const DateTimeParts& p : samples)
        ExpectParts(Enc(p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.Millisecond), p);
}

TEST(DateTime, RejectsInvalidParts)
{
    TDateTime t;
    const DateTimeParts bad[] = {
        {1900, 2, 29, 0, 0, 0, 0}, {2023, 2, 29, 0, 0, 0, 0}, {2023, 4, 31, 0, 0, 0, 0},
        {2023, 13, 1, 0, 0, 0, 0}, {2023, 0, 1, 0, 0, 0, 0},  {0, 1, 1, 0, 0, 0, 0},
        {10000, 1, 1, 0, 0, 0, 0}, {2023, 1, 1, 24, 0, 0, 0}, {2023, 1, 1, 0, 60, 0, 0},
        {2023, 1, 1, 0, 0, 60, 0}, {2023, 1, 1, 0, 0, 0, 1000}, {2023, 1, 0, 0, 0, 0, 0},
    };
    for (const DateTimeParts& p : bad)
        EXPECT_FALSE(EncodeDateTime(p, t)) << p.Year << "-" << p.Month << "-" << p.Day;
}

TEST(DateTime, DecodeRoundsToMillisecondsAndCarriesMidnight)
{
    ExpectParts(36526.0 + 0.4999 / 86400000, {2000, 1, 1, 0, 0, 0, 0});
    ExpectParts(36526.0 + 1.6 / 86400000, {2000, 1, 1, 0, 0, 0, 2});
    ExpectParts(36526.0 - 1e-10, {2000, 1, 1, 0, 0, 0, 0});
    ExpectParts(std::nextafter(36527.0, 0.0), {2000, 1, 2, 0, 0, 0, 0});
}

TEST(DateTime, UnixTimeAgreesWithLocalBias)
{
    // Local time is UTC minus the bias in force; that bias is the standard one or one
    // daylight hour less, so the difference lies within an hour and a half of it.
    TDateTime t;
    ASSERT_TRUE(UnixTimeToLocalDateTime(946684800, t)); // 2000-01-01 00:00 UTC
    double minutesAhead = std::round((t - 36526.0) * 1440);
    double bias = StandardBiasMinutes();
    EXPECT_LE(std::fabs(-minutesAhead - bias), 90.0);
    EXPECT_EQ(std::fmod(minutesAhead, 15.0), 0.0);
}

TEST(DateTime, NowIsNearUnixClock)
{
    TDateTime now = Now();
    EXPECT_GT(now, Enc(2020, 1, 1));
    EXPECT_LT(now, Enc(2200, 1, 1));
}

TEST(DateTime, TickCountFollowsSteadyClock)
{
    auto start = std::chrono::steady_clock::now();
    uint32_t a = TickCount();
    // 50 ticks: far more than the counter's step, which is about 16 ms on Windows.
    while (TickCount() - a < 50) { // unsigned difference: also right across the wrap
    }
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(us.count(), 30000);
    EXPECT_LT(us.count(), 2000000);
    SleepMs(0);
}

TEST(DateTime, UnixTimeOutOfRange)
{
    TDateTime t;
    EXPECT_FALSE(UnixTimeToLocalDateTime(INT64_MAX, t));
    EXPECT_FALSE(UnixTimeToLocalDateTime(300000000000LL, t)); // year 11476
}

} // namespace
} // namespace scrivo
