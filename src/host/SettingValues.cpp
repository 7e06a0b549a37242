#include "SettingValues.h"
#include "platform/Text.h"

#include <cstdint>

namespace scrivo {

const char* BoolText(bool value) { return value ? "True" : "False"; }

bool TryParseInt(const std::string& text, int& out)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return false;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit = c >= '0' && c <= '9'                 ? c - '0'
                    : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                         : -1;
        if (digit < 0)
            return false;
        value = value * base + digit;
        if (value > (base == 16 ? int64_t(0xFFFFFFFF) : int64_t(2147483648)))
            return false;
    }
    if (base == 16) // hexadecimal reads the 32 bits as they stand
        value = static_cast<int32_t>(static_cast<uint32_t>(value));
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return false;
    out = static_cast<int>(value);
    return true;
}

bool ReadBoolSetting(const TSettingsKey& key, const std::string& name, bool defaultValue)
{
    std::string text = key.ReadString(name);
    if (SameText(text, "TRUE"))
        return true;
    if (SameText(text, "FALSE"))
        return false;
    return defaultValue;
}

int ReadIntSetting(const TSettingsKey& key, const std::string& name, int defaultValue)
{
    int value;
    return TryParseInt(key.ReadString(name), value) ? value : defaultValue;
}

void WriteBoolSetting(TSettingsKey& key, const std::string& name, bool value) { key.WriteString(name, BoolText(value)); }

void WriteIntSetting(TSettingsKey& key, const std::string& name, int value)
{
    key.WriteString(name, std::to_string(value));
}

} // namespace scrivo
