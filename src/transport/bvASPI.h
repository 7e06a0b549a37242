// The SCSI transport in use: an ASPI library or the pass-through layer, chosen by
// LoadTransport, reached through GetASPI32SupportInfo and SendASPI32Command.
#pragma once
#include "transport/bvASPI_srb.h"

#include <stdexcept>
#include <string>

namespace scrivo {

// TransportName values.
inline constexpr const char* AspiLibraryTransportName = "WNASPI32.DLL";
inline constexpr const char* PassThroughTransportName = "HXASPI32";

// The file looked for in the current directory and then in the system's search order.
#ifdef _WIN32
inline constexpr const char* AspiLibraryFileName = "WNASPI32.DLL";
#else
inline constexpr const char* AspiLibraryFileName = "libwnaspi32.so";
// Where POSIX builds look for an ASPI library after the path given to LoadTransport.
inline constexpr const char* AspiLibraryEnvVar = "SCRIVO_ASPI_LIBRARY";
#endif

// Raised when a loaded ASPI library lacks an entry point.
class EAssertionFailed : public std::logic_error {
public:
    EAssertionFailed(const std::string& sourceName, int line);
    std::string SourceName;
    int Line;
};

// Process-wide transport state, written only by the functions below.
extern bool ASPIInitialized;
extern std::string TransportName;

// Chooses and loads a transport: the pass-through layer first when PreferInternal and
// it finds a drive, else the ASPI library (LibraryPath, when given, first), else the
// pass-through layer when it finds a drive. Answers ASPIInitialized. Throws
// EAssertionFailed for a library without an entry point.
bool LoadTransport(bool PreferInternal, const std::string& LibraryPath);
// Releases the transport and loads again with the last PreferInternal; answers true.
bool ReloadTransport();
// Releases a loaded ASPI library; true when there was none or it was released.
bool UnloadTransport();
// Releases whatever LoadTransport chose (the ASPI library, or the pass-through layer's
// open drives), so that nothing of it is left once a library call ends; no effect when
// LoadTransport chose nothing.
void ReleaseTransport();

// The entry points of the transport in use. Without one, GetASPI32SupportInfo answers
// no adapters and SendASPI32Command SS_ERR.
uint32_t GetASPI32SupportInfo();
uint32_t SendASPI32Command(void* srb);

} // namespace scrivo
