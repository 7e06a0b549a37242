// UTF-8 paths for the wide-character API. Absolute paths too long for MAX_PATH get the
// "\\?\" form, which lifts the limit.
#pragma once
#include <string>

namespace scrivo {

std::wstring WideText(const std::string& s);
std::string NarrowText(const wchar_t* s);
std::wstring WidePath(const std::string& path);

} // namespace scrivo
