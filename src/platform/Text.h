// Text conversions shared by every layer. Strings are UTF-8 in std::string everywhere;
// Joliet names and Win32 wide APIs need UTF-16.
#pragma once
#include <string>
#include <string_view>

namespace scrivo {

std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// Upper-cases letters of the whole Basic Multilingual Plane (simple one-to-one mappings,
// as Windows' CharUpper does), leaving everything else as it is.
std::string UpperCase(std::string_view s);
std::u16string UpperCase16(std::u16string_view s);

// Case-insensitive equality under UpperCase.
bool SameText(std::string_view a, std::string_view b);

// Number formatting with the user's separators ("#,##0.00" style patterns).
std::string FormatFloat(const char* pattern, double value);

} // namespace scrivo
