#include "HostFiles.h"

#include "DiscFile.h"

#include <vector>

namespace scrivo::e2e {

std::wstring ExeFolder()
{
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

namespace {

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName, path = folder + L"\\" + name;
            if (name == L"." || name == L"..")
                continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring Backslashed(std::wstring p)
{
    for (wchar_t& c : p)
        if (c == L'/')
            c = L'\\';
    return p;
}

} // namespace

std::wstring FreshWorkFolder(const std::wstring& name)
{
    std::string root = "Z:" SCRIVO_E2E_WORK_DIR;
    std::wstring base = Backslashed(std::wstring(root.begin(), root.end()));
    MakeFolder(base);
    std::wstring folder = base + L"\\" + name;
    RemoveTree(folder);
    MakeFolder(folder);
    return folder + L"\\";
}

void MakeFolder(const std::wstring& path) { CreateDirectoryW(path.c_str(), nullptr); }

void MakeFile(const std::wstring& path, const std::string& content)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD n = 0;
    WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
    CloseHandle(f);
}

std::string ReadWholeFile(const std::wstring& path)
{
    std::string out;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return out;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0)
        out.append(buf, n);
    CloseHandle(f);
    return out;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool MakeBlankCdR(const std::wstring& imagePath, std::string& error)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, imagePath.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, imagePath.c_str(), -1, utf8.data(), n, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return vrecorder::DiscFile::Create(utf8, vrecorder::MediaKind::CdR, 0, 0, "", error);
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
