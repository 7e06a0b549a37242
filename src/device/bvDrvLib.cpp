// The drive component's life cycle, module-wide state and reporting channel.
#include "bvDrvLib.h"
#include "bvDrvLib_erase.h"

#include "transport/bvASPI_event.h"
#include "transport/bvASPI.h"
#include "transport/bvSPTI.h"

namespace scrivo {

std::function<uint32_t(void* srb)> TransportEntry;

uint32_t SendToTransport(void* srb) { return TransportEntry ? TransportEntry(srb) : SendASPI32Command(srb); }

bool TransportReady() { return ASPIInitialized; }

uint8_t CurrentDiscKind = dkUnknown;
bool ReadyPollQuirk = false;
bool CloseSessionImmediate = true;
bool SessionAtOnceWrite = false;
bool CommandTrace = false;
alignas(4) uint8_t DiscInformation[DiscInformationSize] = {};
alignas(4) uint8_t TransferBuffer[TransferBufferSize] = {};

TSCSIDevice::TSCSIDevice()
{
    Sleep = [](uint32_t ms) { SleepMs(ms); };
    if (TransportReady()) {
        HostAdapterCount = ReadHostAdapterCount(0);
        RescanDevices();
    }
}

TSCSIDevice::~TSCSIDevice() { WaitForErase(); }

bool TSCSIDevice::InitializeTransport(bool usePassThrough, const std::string& libraryPath)
{
    bool ok = false;
    try {
        ok = LoadTransport(usePassThrough, libraryPath);
    } catch (...) {
        ok = false; // a library without its entry points ends the load with an exception
    }
    if (!ok)
        return false;
    HostAdapterCount = ReadHostAdapterCount(0);
    RescanDevices();
    return true;
}

void TSCSIDevice::DebugMessage(const std::string& text, uint8_t mType)
{
    if (OnDebugMessage)
        OnDebugMessage(this, text, mType);
}

void TSCSIDevice::DoSleep(uint32_t ms)
{
    if (Sleep)
        Sleep(ms);
    else
        SleepMs(ms);
}

void TSCSIDevice::SetHandleRelease(bool value) { HandleRelease = value; }

void TSCSIDevice::HoldHandle()
{
    handleHeld_ = true;
    SetHandleRelease(false);
}

} // namespace scrivo
