// Local time, time zone bias, ticks and sleeping on POSIX.
#include "../DateTime.h"
#include <algorithm>
#include <cerrno>
#include <ctime>

namespace scrivo {

namespace {

bool LocalParts(int64_t unixSeconds, int millisecond, TDateTime& out)
{
    time_t t = static_cast<time_t>(unixSeconds);
    if (static_cast<int64_t>(t) != unixSeconds)
        return false;
    struct tm tm;
    if (!localtime_r(&t, &tm))
        return false;
    DateTimeParts p{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                    std::min(tm.tm_sec, 59), millisecond}; // a leap second folds into :59
    return EncodeDateTime(p, out);
}

} // namespace

TDateTime Now()
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    TDateTime out = 0;
    LocalParts(ts.tv_sec, static_cast<int>(ts.tv_nsec / 1000000), out);
    return out;
}

bool UnixTimeToLocalDateTime(int64_t unixSeconds, TDateTime& out)
{
    return LocalParts(unixSeconds, 0, out);
}

int StandardBiasMinutes()
{
    // Standard time is the half of the year with the larger bias (less daylight offset);
    // comparing January with July covers both hemispheres.
    time_t now = time(nullptr);
    struct tm tm;
    localtime_r(&now, &tm);
    int biases[2];
    for (int i = 0; i < 2; ++i) {
        struct tm probe{};
        probe.tm_year = tm.tm_year;
        probe.tm_mon = i == 0 ? 0 : 6;
        probe.tm_mday = 1;
        probe.tm_hour = 12;
        probe.tm_isdst = -1;
        time_t at = mktime(&probe);
        struct tm local;
        localtime_r(&at, &local);
        biases[i] = static_cast<int>(-local.tm_gmtoff / 60);
    }
    return std::max(biases[0], biases[1]);
}

uint32_t TickCount()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
}

void SleepMs(uint32_t ms)
{
    struct timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

} // namespace scrivo
