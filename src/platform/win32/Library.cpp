#include "platform/Library.h"
#include "platform/win32/WidePath.h"

#include <windows.h>

namespace scrivo {

LibraryHandle LoadLibraryFile(const std::string& path) {
    if (path.empty())
        return 0;
    return reinterpret_cast<LibraryHandle>(LoadLibraryW(WideText(path).c_str()));
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
