// Local time, time zone bias, ticks and sleeping on Windows.
#include "../DateTime.h"
#include "LocalFileTime.h"
#include <windows.h>

namespace scrivo {

TDateTime Now()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    TDateTime out = 0;
    EncodeDateTime({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds}, out);
    return out;
}

bool UnixTimeToLocalDateTime(int64_t unixSeconds, TDateTime& out)
{
    // FILETIME counts 100 ns units from 1601-01-01; 11644473600 s lie before 1970.
    constexpr int64_t kMax = (INT64_MAX / 10000000) - 11644473600LL;
    if (unixSeconds < -11644473600LL || unixSeconds > kMax)
        return false;
    uint64_t ticks = static_cast<uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return FileTimeToLocalDateTime(ft, out);
}

int StandardBiasMinutes()
{
    TIME_ZONE_INFORMATION tz;
    if (GetTimeZoneInformation(&tz) == TIME_ZONE_ID_INVALID)
        return 0;
    return static_cast<int>(tz.Bias + tz.StandardBias);
}

uint32_t TickCount() { return GetTickCount(); }

void SleepMs(uint32_t ms) { Sleep(ms); }

} // namespace scrivo
