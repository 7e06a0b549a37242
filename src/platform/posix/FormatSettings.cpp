// The user's separators from the environment's numeric locale. The process's own locale
// is left alone (it may still be "C"), so the environment is read through newlocale.
#include "../FormatSettingsSource.h"
#include "../Text.h"
#include <langinfo.h>
#include <locale.h>

namespace scrivo {

FormatSettings ReadUserFormatSettings()
{
    FormatSettings fs;
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (!loc)
        return fs;
    const char* dec = nl_langinfo_l(RADIXCHAR, loc);
    const char* sep = nl_langinfo_l(THOUSEP, loc);
    // "C" defines no thousands separator; the defaults stand in for it.
    if (dec && *dec)
        fs.DecimalSeparator = dec;
    if (sep && *sep)
        fs.ThousandSeparator = sep;
    freelocale(loc);
    return fs;
}

} // namespace scrivo
