#include "LocalFileTime.h"

namespace scrivo {

bool FileTimeToLocalDateTime(const FILETIME& ft, TDateTime& out)
{
    SYSTEMTIME utc, local;
    if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return false;
    return EncodeDateTime({local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute,
                           local.wSecond, local.wMilliseconds}, out);
}

} // namespace scrivo
