// Clock and calendar: local time as TDateTime, the standard-time bias, tick count, sleep.
#pragma once
#include <cstdint>

namespace scrivo {

// Days since 1899-12-30 00:00, the fraction being the time of day, in local time. Before
// that day the integer part counts back and the fraction still adds time of day in its
// absolute value (-1.25 is 1899-12-29 06:00).
using TDateTime = double;

struct DateTimeParts {
    int Year, Month, Day, Hour, Minute, Second, Millisecond;
};

TDateTime Now();
// False when the parts do not form a valid date (years 1 to 9999) and time.
bool EncodeDateTime(const DateTimeParts& parts, TDateTime& out);
DateTimeParts DecodeDateTime(TDateTime t);

// Converts seconds since 1970-01-01 UTC to local TDateTime; false when out of range.
bool UnixTimeToLocalDateTime(int64_t unixSeconds, TDateTime& out);
// The calendar date and time (UTC, milliseconds 0) of seconds since 1970-01-01 UTC.
DateTimeParts UnixTimeToUtcParts(int64_t unixSeconds);
// And back: seconds since 1970-01-01 UTC of a UTC date and time (milliseconds ignored).
int64_t UtcPartsToUnixTime(const DateTimeParts& parts);

// The standard-time bias of the computer's time zone in minutes (UTC = local + bias),
// i.e. positive west of Greenwich, as Windows' TIME_ZONE_INFORMATION reports it.
int StandardBiasMinutes();

// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
uint32_t TickCount();
void SleepMs(uint32_t ms);

} // namespace scrivo
