#include "platform/Library.h"

#include <windows.h>

namespace scrivo {

namespace {
std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}
} // namespace

LibraryHandle LoadLibraryFile(const std::string& path) {
    if (path.empty())
        return 0;
    return reinterpret_cast<LibraryHandle>(LoadLibraryW(Wide(path).c_str()));
}

void* LibrarySymbol(LibraryHandle lib, const char* name) {
    if (lib == 0)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(lib), name));
}

bool FreeLibraryFile(LibraryHandle lib) {
    return lib != 0 && FreeLibrary(reinterpret_cast<HMODULE>(lib)) != 0;
}

uint32_t SetFailCriticalErrorMode() { return SetErrorMode(SEM_FAILCRITICALERRORS); }

void RestoreErrorMode(uint32_t previous) { SetErrorMode(previous); }

} // namespace scrivo
