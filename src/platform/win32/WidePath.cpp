#include "WidePath.h"
#include "../Text.h"
#include <windows.h>

namespace scrivo {

std::wstring WideText(const std::string& s)
{
    std::u16string u = Utf8ToUtf16(s);
    return std::wstring(u.begin(), u.end());
}

std::string NarrowText(const wchar_t* s)
{
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(s));
}

std::wstring WidePath(const std::string& path)
{
    std::wstring w = WideText(path);
    if (w.size() < MAX_PATH - 12 || w.rfind(L"\\\\?\\", 0) == 0)
        return w;
    for (wchar_t& c : w)
        if (c == L'/')
            c = L'\\';
    if (w.size() > 2 && w[1] == L':' && w[2] == L'\\')
        return L"\\\\?\\" + w;
    if (w.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + w.substr(2);
    return w;
}

} // namespace scrivo
