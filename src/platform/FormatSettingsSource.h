// Where the user's number separators come from on this platform.
#pragma once
#include "Text.h"

namespace scrivo {

FormatSettings ReadUserFormatSettings();

} // namespace scrivo
