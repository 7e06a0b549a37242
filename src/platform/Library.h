// Shared libraries loaded at run time (DLLs on Windows, dlopen elsewhere), and the
// process error mode under which a library is searched.
#pragma once
#include <cstdint>
#include <string>

namespace scrivo {

// 0 while nothing is loaded.
using LibraryHandle = uintptr_t;

// Loads the library at `path` (a bare name goes through the system's search order);
// 0 when it cannot be loaded.
LibraryHandle LoadLibraryFile(const std::string& path);
// The address of an exported symbol, nullptr when it is missing.
void* LibrarySymbol(LibraryHandle lib, const char* name);
// Releases a loaded library; false when the system refuses.
bool FreeLibraryFile(LibraryHandle lib);

// Keeps the system from asking the user about failing drives or missing libraries
// (fail critical errors); answers the previous mode for RestoreErrorMode. POSIX has no
// such dialogs: both do nothing there.
uint32_t SetFailCriticalErrorMode();
void RestoreErrorMode(uint32_t previous);

} // namespace scrivo
