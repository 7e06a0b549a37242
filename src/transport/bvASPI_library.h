// The binding to an installed ASPI library.
#pragma once
#include "transport/bvASPI_srb.h"

#include <string>

namespace scrivo {

struct TAspiEntryPoints {
    TGetASPI32SupportInfo GetSupportInfo = nullptr;
    TSendASPI32Command SendCommand = nullptr;
};

// Looks for the library at LibraryPath, then (POSIX) at $SCRIVO_ASPI_LIBRARY, then in
// the current directory, then in the system's search order. False when none loads;
// EAssertionFailed (library released again) when an entry point is missing.
bool LoadAspiLibrary(const std::string& LibraryPath, TAspiEntryPoints& entries);
// Releases the loaded library; false when the system refuses or none is loaded.
bool FreeAspiLibrary();
bool AspiLibraryLoaded();

} // namespace scrivo
