#include "FormatSettingsSource.h"

namespace scrivo {

const FormatSettings& UserFormatSettings()
{
    static const FormatSettings fs = ReadUserFormatSettings(); // read once, thread-safe
    return fs;
}

} // namespace scrivo
