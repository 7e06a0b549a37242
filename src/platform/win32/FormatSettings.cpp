// The user's separators from the Windows locale settings.
#include "../FormatSettingsSource.h"
#include "../Text.h"
#include <windows.h>

namespace scrivo {

static void ReadInto(LCTYPE type, std::string& out)
{
    wchar_t buf[8];
    int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buf, 8);
    if (n > 0) // an empty separator is a valid user choice
        out = Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(buf), n - 1));
}

FormatSettings ReadUserFormatSettings()
{
    FormatSettings fs;
    ReadInto(LOCALE_SDECIMAL, fs.DecimalSeparator);
    ReadInto(LOCALE_STHOUSAND, fs.ThousandSeparator);
    return fs;
}

} // namespace scrivo
