#include "platform/SystemInfo.h"
#include "WidePath.h"

#include <cstdio>
#include <vector>
#include <windows.h>

namespace scrivo {

std::string WindowsVersionName()
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info))
        return "Unknown";
#pragma GCC diagnostic pop
    return WindowsVersionNameFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

std::string WindowsFolder()
{
    wchar_t buf[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryW(buf, MAX_PATH);
    if (n == 0 || n > MAX_PATH)
        return "";
    std::string folder = NarrowText(buf);
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    return folder;
}

namespace {

std::vector<char> VersionBlock(const std::string& path)
{
    std::wstring wpath = WidePath(path);
    DWORD dummy = 0;
    DWORD size = GetFileVersionInfoSizeW(wpath.c_str(), &dummy);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoW(wpath.c_str(), 0, size, block.data()))
        block.clear();
    return block;
}

} // namespace

std::optional<std::array<uint16_t, 4>> FileVersion(const std::string& path)
{
    std::vector<char> block = VersionBlock(path);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    if (block.empty() || !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) || !fixed ||
        len < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    return std::array<uint16_t, 4>{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                   HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}

std::string FileProductVersion(const std::string& path)
{
    std::vector<char> block = VersionBlock(path);
    struct Translation {
        WORD Language, CodePage;
    }* trans = nullptr;
    UINT len = 0;
    if (block.empty() ||
        !VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&trans), &len) ||
        len < sizeof(Translation))
        return "";
    wchar_t query[64];
    swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", trans->Language, trans->CodePage);
    wchar_t* text = nullptr;
    if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&text), &len) || !text || len == 0)
        return "";
    return NarrowText(text);
}

std::string ExePath()
{
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return "";
        if (n < buf.size())
            return NarrowText(buf.data());
        buf.resize(buf.size() * 2);
    }
}

} // namespace scrivo
