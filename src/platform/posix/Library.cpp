#include "platform/Library.h"

#include <dlfcn.h>

namespace scrivo {

LibraryHandle LoadLibraryFile(const std::string& path) {
    if (path.empty())
        return 0;
    return reinterpret_cast<LibraryHandle>(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

void* LibrarySymbol(LibraryHandle lib, const char* name) {
    if (lib == 0)
        return nullptr;
    return dlsym(reinterpret_cast<void*>(lib), name);
}

bool FreeLibraryFile(LibraryHandle lib) {
    return lib != 0 && dlclose(reinterpret_cast<void*>(lib)) == 0;
}

uint32_t SetFailCriticalErrorMode() { return 0; }

void RestoreErrorMode(uint32_t) {}

} // namespace scrivo
