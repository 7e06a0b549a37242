#include "HostFiles.h"

#include "DiscFile.h"
#include "WizardWindows.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace scrivo::e2e {

std::wstring ExeFolder()
{
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring FreshWorkFolder(const std::wstring& name)
{
    std::string root = "Z:" SCRIVO_E2E_WORK_DIR;
    std::filesystem::path folder = std::filesystem::path(root).make_preferred() / name;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder);
    return folder.wstring() + L"\\";
}

void MakeFolder(const std::wstring& path) { std::filesystem::create_directories(path); }

void MakeFile(const std::wstring& path, const std::string& content)
{
    std::ofstream(std::filesystem::path(path), std::ios::binary) << content;
}

std::string ReadWholeFile(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::wstring& path) { return std::filesystem::exists(path); }

bool MakeBlankCdR(const std::wstring& imagePath, std::string& error)
{
    return vrecorder::DiscFile::Create(Utf8(imagePath), vrecorder::MediaKind::CdR, 0, 0, "", error);
}

std::string AnsiPath(const std::wstring& path)
{
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, &lossy);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, out.data(), n, nullptr, &lossy);
    out.resize(out.size() - 1);
    return lossy ? std::string() : out;
}

void DeleteKeyTree(const std::wstring& key) { RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str()); }

void WriteRegString(const std::wstring& key, const std::wstring& name, const std::wstring& value)
{
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
}

RegValue ReadRegValue(const std::wstring& key, const std::wstring& name)
{
    RegValue v;
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return v;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(h, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
        RegQueryValueExW(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size);
        v.Type = type;
        v.Text = buf.data();
    }
    RegCloseKey(h);
    return v;
}

} // namespace scrivo::e2e
