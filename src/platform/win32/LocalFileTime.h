// FILETIME (UTC) to local TDateTime, with the daylight rule of that date.
#pragma once
#include "../DateTime.h"
#include <windows.h>

namespace scrivo {

bool FileTimeToLocalDateTime(const FILETIME& ft, TDateTime& out);

} // namespace scrivo
