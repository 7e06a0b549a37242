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

std::string AnsiToUtf8(const char* ansi)
{
    if (!ansi || !*ansi)
        return "";
    int n = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    if (n <= 0)
        return "";
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, w.data(), n);
    return NarrowText(w.c_str());
}

std::string Utf8ToAnsi(const std::string& utf8)
{
    std::wstring w = WideText(utf8);
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
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
