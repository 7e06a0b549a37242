// UTF-8 paths for the wide-character API. Absolute paths too long for MAX_PATH get the
// "\\?\" form, which lifts the limit.
#pragma once
#include <string>

namespace scrivo {

std::wstring WideText(const std::string& s);
std::string NarrowText(const wchar_t* s);
std::wstring WidePath(const std::string& path);

// Text in the ANSI code page (what 8-bit Windows programs pass) to UTF-8 and back;
// a null pointer reads as empty.
std::string AnsiToUtf8(const char* ansi);
std::string Utf8ToAnsi(const std::string& utf8);

} // namespace scrivo
