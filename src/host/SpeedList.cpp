#include "SpeedList.h"

#include <cmath>

namespace scrivo {

namespace {

// A decimal number as the system's float conversion reads it: blanks around, a sign,
// digits with one decimal separator, an optional exponent.
double ReadDecimal(const std::string& text, const FormatSettings& fs)
{
    size_t b = text.find_first_not_of(' ');
    size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos)
        throw EConvertError("'' is not a valid floating point value");
    std::string s = text.substr(b, e - b + 1);
    std::string plain; // with "." as the decimal separator
    size_t i = 0;
    if (s[i] == '+' || s[i] == '-')
        plain += s[i++];
    bool digits = false, point = false;
    while (i < s.size()) {
        if (s[i] >= '0' && s[i] <= '9') {
            plain += s[i++];
            digits = true;
        } else if (!point && !fs.DecimalSeparator.empty() && s.compare(i, fs.DecimalSeparator.size(), fs.DecimalSeparator) == 0) {
            plain += '.';
            i += fs.DecimalSeparator.size();
            point = true;
        } else {
            break;
        }
    }
    if (digits && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exponent += s[j++];
        size_t k = j;
        while (k < s.size() && s[k] >= '0' && s[k] <= '9')
            exponent += s[k++];
        if (k > j) {
            plain += exponent;
            i = k;
        }
    }
    if (!digits || i != s.size())
        throw EConvertError("'" + text + "' is not a valid floating point value");
    return std::strtod(plain.c_str(), nullptr);
}

} // namespace

int SpeedTextToKBps(const std::string& text, uint8_t kind, const FormatSettings& fs)
{
    if (text.empty() || text == "Max")
        return 0;
    const double factor = kind >= 4 ? 1385 : 177;
    const size_t x = text.find('X');
    const double number = ReadDecimal(x == std::string::npos ? std::string() : text.substr(0, x), fs);
    const double kbps = std::nearbyint(number * factor); // the default rounding: half to even
    if (!(std::fabs(kbps) <= 2147483647.0))
        throw EConvertError("'" + text + "' is out of range");
    return static_cast<int>(kbps);
}

int SpeedTextToKBps(const std::string& text, uint8_t kind) { return SpeedTextToKBps(text, kind, UserFormatSettings()); }

void FillSpeedList(TComboBox& cbSpeed, TSCSIDevice& drive)
{
    const int previous = cbSpeed.ItemIndex();
    cbSpeed.SetItems(WriteSpeedItems(drive));
    cbSpeed.SetItemIndex(previous >= 0 && previous < static_cast<int>(cbSpeed.Items().size()) ? previous : 0);
}

int SelectedSpeed(TComboBox& cbSpeed, uint8_t kind)
{
    try {
        if (cbSpeed.ItemIndex() < 0)
            cbSpeed.SetItemIndex(0);
        return SpeedTextToKBps(cbSpeed.Text(), kind);
    } catch (const std::exception&) {
        return 0;
    }
}

int SelectedSpeed(TComboBox& cbSpeed, TSCSIDevice& drive)
{
    try {
        return SelectedSpeed(cbSpeed, drive.DetectDiscKind());
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace scrivo
