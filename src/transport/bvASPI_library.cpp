#include "transport/bvASPI.h"
#include "transport/bvASPI_library.h"
#include "platform/Library.h"

#include <cstdlib>

namespace scrivo {

namespace {

LibraryHandle libraryHandle = 0;
// Smaller values are error codes of the old loader, never a module.
constexpr LibraryHandle LowestModuleHandle = 32;

LibraryHandle TryLoad(const std::string& path) {
    try {
        return LoadLibraryFile(path);
    } catch (...) {
        return 0;
    }
}

LibraryHandle FindLibrary(const std::string& LibraryPath) {
    LibraryHandle h = 0;
    if (!LibraryPath.empty())
        h = TryLoad(LibraryPath);
#ifndef _WIN32
    if (h == 0) {
        const char* fromEnv = std::getenv(AspiLibraryEnvVar);
        if (fromEnv && *fromEnv)
            h = TryLoad(fromEnv);
    }
    if (h == 0)
        h = TryLoad(std::string("./") + AspiLibraryFileName);
#else
    if (h == 0)
        h = TryLoad(std::string(".\\") + AspiLibraryFileName);
#endif
    if (h == 0)
        h = TryLoad(AspiLibraryFileName);
    return h;
}

} // namespace

bool LoadAspiLibrary(const std::string& LibraryPath, TAspiEntryPoints& entries) {
    entries = {};
    LibraryHandle h = FindLibrary(LibraryPath);
    if (h < LowestModuleHandle)
        return false;
    auto info = reinterpret_cast<TGetASPI32SupportInfo>(LibrarySymbol(h, "GetASPI32SupportInfo"));
    auto send = reinterpret_cast<TSendASPI32Command>(LibrarySymbol(h, "SendASPI32Command"));
    if (!info || !send) {
        FreeLibraryFile(h);
        throw EAssertionFailed("bvASPI", info ? 478 : 477);
    }
    libraryHandle = h;
    entries.GetSupportInfo = info;
    entries.SendCommand = send;
    return true;
}

bool FreeAspiLibrary() {
    if (libraryHandle == 0)
        return false;
    bool released = FreeLibraryFile(libraryHandle);
    libraryHandle = 0;
    return released;
}

bool AspiLibraryLoaded() { return libraryHandle != 0; }

} // namespace scrivo
