// Calendar arithmetic of TDateTime (proleptic Gregorian, no time zones).
#include "DateTime.h"
#include <cmath>

namespace scrivo {

namespace {

constexpr int64_t kMsPerDay = 86400000;

// Days from 1970-01-01 to a civil date, and back (H. Hinnant's algorithms).
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int64_t kEpochOffset = DaysFromCivil(1899, 12, 30); // TDateTime 0 in Unix days

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

} // namespace

bool EncodeDateTime(const DateTimeParts& p, TDateTime& out)
{
    if (p.Year < 1 || p.Year > 9999 || p.Month < 1 || p.Month > 12 || p.Day < 1 ||
        p.Day > DaysInMonth(p.Year, p.Month) || p.Hour < 0 || p.Hour > 23 || p.Minute < 0 ||
        p.Minute > 59 || p.Second < 0 || p.Second > 59 || p.Millisecond < 0 || p.Millisecond > 999)
        return false;
    double days = static_cast<double>(DaysFromCivil(p.Year, p.Month, p.Day) - kEpochOffset);
    double time = (((p.Hour * 60.0 + p.Minute) * 60.0 + p.Second) * 1000.0 + p.Millisecond) / kMsPerDay;
    out = days < 0 ? days - time : days + time;
    return true;
}

DateTimeParts DecodeDateTime(TDateTime t)
{
    double whole = std::trunc(t);
    int64_t days = static_cast<int64_t>(whole);
    int64_t ms = std::llround(std::fabs(t - whole) * kMsPerDay);
    if (ms >= kMsPerDay) { // rounding reached midnight: the next calendar day
        ms -= kMsPerDay;
        days += 1;
    }
    DateTimeParts p{};
    CivilFromDays(days + kEpochOffset, p.Year, p.Month, p.Day);
    p.Hour = static_cast<int>(ms / 3600000);
    p.Minute = static_cast<int>(ms / 60000 % 60);
    p.Second = static_cast<int>(ms / 1000 % 60);
    p.Millisecond = static_cast<int>(ms % 1000);
    return p;
}

int64_t UtcPartsToUnixTime(const DateTimeParts& p) {
    return DaysFromCivil(p.Year, p.Month, p.Day) * 86400 + (p.Hour * 60 + p.Minute) * 60 + p.Second;
}

DateTimeParts UnixTimeToUtcParts(int64_t unixSeconds) {
    int64_t days = unixSeconds / 86400, rest = unixSeconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTimeParts p{};
    CivilFromDays(days, p.Year, p.Month, p.Day);
    p.Hour = static_cast<int>(rest / 3600);
    p.Minute = static_cast<int>(rest / 60 % 60);
    p.Second = static_cast<int>(rest % 60);
    return p;
}

} // namespace scrivo
