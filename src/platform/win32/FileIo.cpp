// File handles on Windows through the wide-character API, so every name opens.
#include "../Files.h"
#include "WidePath.h"
#include <windows.h>

namespace scrivo {

namespace {

HANDLE H(FileHandle h) { return reinterpret_cast<HANDLE>(h); }

FileHandle Wrap(HANDLE h) { return h == INVALID_HANDLE_VALUE ? InvalidFileHandle : reinterpret_cast<FileHandle>(h); }

} // namespace

FileHandle FileCreateExclusive(const std::string& path)
{
    return Wrap(CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle FileOpenSharedRead(const std::string& path)
{
    return Wrap(CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

uint32_t FileRead(FileHandle h, void* buffer, uint32_t count) {
    bool failed = false;
    return FileRead(h, buffer, count, failed);
}

uint32_t FileRead(FileHandle h, void* buffer, uint32_t count, bool& failed) {
    DWORD n = 0;
    failed = !ReadFile(H(h), buffer, count, &n, nullptr);
    return failed ? 0 : n;
}

uint32_t FileWrite(FileHandle h, const void* buffer, uint32_t count)
{
    DWORD n = 0;
    return WriteFile(H(h), buffer, count, &n, nullptr) ? n : 0;
}

int64_t FileSeek(FileHandle h, int64_t offset, int origin)
{
    static const DWORD method[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (origin < 0 || origin > 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    LARGE_INTEGER dist, pos;
    dist.QuadPart = offset;
    return SetFilePointerEx(H(h), dist, &pos, method[origin]) ? pos.QuadPart : -1;
}

bool FileSetEnd(FileHandle h) { return SetEndOfFile(H(h)) != 0; }

void FileClose(FileHandle h)
{
    if (h != InvalidFileHandle)
        CloseHandle(H(h));
}

OsError LastOsError()
{
    DWORD code = GetLastError();
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                             FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                             reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (n && text) {
        message = NarrowText(text);
        LocalFree(text);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return {static_cast<int>(code), message};
}

} // namespace scrivo
