#include "transport/bvASPI.h"
#include "transport/bvASPI_library.h"
#include "transport/bvSPTI.h"
#include "platform/Library.h"

namespace scrivo {

bool ASPIInitialized = false;
std::string TransportName;

namespace {

TAspiEntryPoints current;
bool lastPreferInternal = false;

void Select(const TAspiEntryPoints& entries, const char* name) {
    current = entries;
    ASPIInitialized = true;
    TransportName = name;
}

void SelectPassThrough() {
    Select({SPTI_GetASPI32SupportInfo, SPTI_SendASPI32Command}, PassThroughTransportName);
}

void Deselect() {
    current = {};
    ASPIInitialized = false;
    TransportName.clear();
}

// Keeps the system quiet about drives and libraries while a transport is looked for.
class QuietErrorMode {
public:
    QuietErrorMode() : previous_(SetFailCriticalErrorMode()) {}
    ~QuietErrorMode() { RestoreErrorMode(previous_); }

private:
    uint32_t previous_;
};

} // namespace

EAssertionFailed::EAssertionFailed(const std::string& sourceName, int line)
    : std::logic_error("Assertion failure (" + sourceName + ", line " + std::to_string(line) +
                       ")"),
      SourceName(sourceName), Line(line) {}

bool LoadTransport(bool PreferInternal, const std::string& LibraryPath) {
    QuietErrorMode quiet;
    // A second scan answers no drives, so a transport already selected stays.
    if (PreferInternal && BuildDriveTable() > 0)
        SelectPassThrough();
    if (!ASPIInitialized) {
        TAspiEntryPoints entries;
        if (LoadAspiLibrary(LibraryPath, entries))
            Select(entries, AspiLibraryTransportName);
    }
    if (!ASPIInitialized && BuildDriveTable() > 0)
        SelectPassThrough();
    if (ASPIInitialized)
        current.GetSupportInfo();
    lastPreferInternal = PreferInternal;
    return ASPIInitialized;
}

void ReleaseTransport() {
    if (TransportName != PassThroughTransportName) {
        UnloadTransport();
    } else {
        Deselect();
        CloseDriveTable();
    }
}

bool ReloadTransport() {
    ReleaseTransport();
    LoadTransport(lastPreferInternal, "");
    return true;
}

bool UnloadTransport() {
    if (!ASPIInitialized || !AspiLibraryLoaded())
        return true;
    // The entry points die with the library.
    Deselect();
    return FreeAspiLibrary();
}

uint32_t GetASPI32SupportInfo() {
    if (!ASPIInitialized || !current.GetSupportInfo)
        return uint32_t(SS_NO_ADAPTERS) << 8;
    return current.GetSupportInfo();
}

uint32_t SendASPI32Command(void* srb) {
    if (!ASPIInitialized || !current.SendCommand) {
        if (srb)
            static_cast<SRB_Header*>(srb)->SRB_Status = SS_ERR;
        return SS_ERR;
    }
    return current.SendCommand(srb);
}

} // namespace scrivo
