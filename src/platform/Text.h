// Text conversions shared by every layer. Strings are UTF-8 in std::string everywhere;
// Joliet names and Win32 wide APIs need UTF-16.
#pragma once
#include <string>
#include <string_view>

namespace scrivo {

// Invalid input (bad or truncated UTF-8 sequences, overlong forms, encoded surrogates,
// code points above U+10FFFF; unpaired UTF-16 surrogates) becomes U+FFFD, one per
// maximal invalid subsequence, so the result is always well-formed.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// Upper-cases letters of the whole Basic Multilingual Plane (simple one-to-one mappings,
// as Windows' CharUpper does), leaving everything else as it is. The UTF-8 form keeps
// bytes that are not valid UTF-8 unchanged. The same table serves every platform.
char16_t UpperChar(char16_t c);
std::string UpperCase(std::string_view s);
std::u16string UpperCase16(std::u16string_view s);

// Case-insensitive equality under UpperCase.
bool SameText(std::string_view a, std::string_view b);

// The separators number patterns use (UTF-8; a locale may use a multi-byte one).
struct FormatSettings {
    std::string DecimalSeparator = ".";
    std::string ThousandSeparator = ",";
};
// The user's separators, read once: GetLocaleInfo on Windows; on POSIX the numeric locale
// of the environment (LC_ALL / LC_NUMERIC / LANG), "," and "." where it defines none.
const FormatSettings& UserFormatSettings();

// Number formatting with "#,##0.00" style patterns: "0" a digit always shown, "#" a digit
// shown when significant, the first "." the decimal separator's place, a "," anywhere
// groups the integer digits by three; text in quotes and every other character is
// copied; up to three sections "positive;negative;zero". Halves round away from zero.
std::string FormatFloat(const char* pattern, double value);
std::string FormatFloat(const char* pattern, double value, const FormatSettings& fs);

} // namespace scrivo
