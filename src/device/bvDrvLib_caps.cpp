// What the selected drive can read and write, its speeds, and the models that need care.
#include "bvDrvLib.h"

#include "bvDrvLib_bytes.h"

#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {

// -1 when the page is at none of the places a MODE SENSE (10) reply can hold it. The PS bit
// (bit 7 of the page code byte) is not part of the code.
int FindModePage(const uint8_t* reply, uint8_t pageCode)
{
    for (int offset : {16, 8, 7})
        if ((reply[offset] & 0x7F) == pageCode)
            return offset;
    return -1;
}

std::string TrimmedText(const uint8_t* field, size_t width)
{
    std::string s(reinterpret_cast<const char*>(field), width);
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return "";
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// The bits page 2Ah bytes 2 (read), 3 (write) and 4 give directly.
TCapabilities PageCapabilities(const uint8_t* page)
{
    struct Source {
        int Byte;
        uint8_t Mask;
        TCapability Cap;
    };
    static const Source sources[] = {{2, 0x01, ReadCDR}, {2, 0x02, ReadCDRW}, {2, 0x04, ReadMethod2},
        {2, 0x08, ReadDVD}, {2, 0x10, ReadDVDR}, {2, 0x10, ReadDVDRW}, {2, 0x20, ReadDVDRAM},
        {3, 0x01, WriteCDR}, {3, 0x02, WriteCDRW}, {3, 0x04, WriteTest}, {3, 0x10, WriteDVDR},
        {3, 0x10, WriteDVDRW}, {3, 0x20, WriteDVDRAM}, {4, 0x80, UnderrunFree}};
    TCapabilities caps = 0;
    for (const Source& s : sources)
        if (page[s.Byte] & s.Mask)
            caps |= CapBit(s.Cap);
    return caps;
}

} // namespace

size_t LocateModePage(const uint8_t* reply, uint8_t pageCode, size_t fallback)
{
    const int offset = FindModePage(reply, pageCode);
    return offset < 0 ? fallback : size_t(offset);
}

uint16_t TSCSIDevice::CapabilitiesWord(size_t offset) const { return GetHost16(CapabilitiesPage + offset); }

bool TSCSIDevice::ReadCapabilities()
{
    Capabilities = 0;
    DeviceMaxWriteSpeed = 0;
    DeviceMaxReadSpeed = 0;
    std::memset(CapabilitiesPage, 0, sizeof CapabilitiesPage);
    size_t offset = 15;
    uint8_t* page = CapabilitiesPage;

    alignas(4) uint8_t reply[255];
    if (ModeSense(0x2A, true, reply, sizeof reply)) {
        offset = LocateModePage(reply, 0x2A, 8);
        std::memcpy(page, reply + offset, sizeof reply - offset);
        Capabilities = PageCapabilities(page);
        if (HasVendorPage30() || ForceUnderrunProtection)
            Capabilities |= CapBit(UnderrunFree);
        // A DVD-RAM writer may report no speeds in its default values.
        const bool ramWriter = (page[3] & 0x20) != 0;
        DeviceMaxWriteSpeed = GetBE16(page + 18) ? GetBE16(page + 18) : (ramWriter ? 1 : 0);
        DeviceMaxReadSpeed = GetBE16(page + 8) ? GetBE16(page + 8) : (ramWriter ? 1 : 0);

        alignas(4) uint8_t config[114];
        if (GetConfiguration(2, 0x2A, config, sizeof config) && GetBE16(config + 8) == 0x2A) {
            Capabilities |= CapBit(ReadDVDPR) | CapBit(ReadDVDPRW);
            if (config[12] == 1)
                Capabilities |= CapBit(WriteDVDPR) | CapBit(WriteDVDPRW);
        }
        if (GetConfiguration(2, 0x2F, config, sizeof config) && GetBE16(config + 8) == 0x2F) {
            Capabilities |= CapBit(ReadDVDR) | CapBit(ReadDVDRW);
            if (config[12] == 1)
                Capabilities |= CapBit(WriteDVDR) | CapBit(WriteDVDRW);
        }
    }

    alignas(4) uint8_t current[128];
    if (!ModeSense(0x2A, false, current, sizeof current))
        return false;
    offset = LocateModePage(current, 0x2A, offset);
    std::memset(page, 0, sizeof CapabilitiesPage);
    std::memcpy(page, current + offset, sizeof current - offset);
    if (GetBE16(page + 20) == 0)
        PutBE16(page + 20, 1385);
    if (GetBE16(page + 18) == 0)
        PutBE16(page + 18, 1385);
    for (size_t field : {20, 18, 14, 8, 12})
        BE16ToHostInPlace(page + field);
    DeviceMaxWriteSpeed = std::max(DeviceMaxWriteSpeed, CapabilitiesWord(18));
    DeviceMaxReadSpeed = std::max(DeviceMaxReadSpeed, CapabilitiesWord(8));
    return true;
}

uint16_t TSCSIDevice::MaxWriteSpeed() { return ReadCapabilities() ? CapabilitiesWord(18) : 0; }
uint16_t TSCSIDevice::MaxReadSpeed() { return ReadCapabilities() ? CapabilitiesWord(8) : 0; }
uint16_t TSCSIDevice::CurrentWriteSpeed() { return ReadCapabilities() ? CapabilitiesWord(20) : 0; }

bool TSCSIDevice::HasVendorPage30()
{
    alignas(4) uint8_t reply[128];
    return ModeSense(0x30, false, reply, sizeof reply) && FindModePage(reply, 0x30) >= 0;
}

void TSCSIDevice::SetWriteSpeed(uint16_t kbps)
{
    SetCDSpeed(ReadSpeed, kbps); // a drive that refuses keeps its own speed
    writeSpeed_ = kbps;
}

void TSCSIDevice::SetModelQuirks()
{
    const std::string product = TrimmedText(InquiryData + 16, 16);
    std::string vendor = TrimmedText(InquiryData + 8, 8);
    if (vendor.size() < 3)
        vendor = "     ";
    ForceUnderrunProtection = product == "CD-W512EB";
    LinkSizeQuirk = product == "CRX175E" || product == "CD-RW  CRX800E";
    ReadyPollQuirk = product.starts_with("UJDA") || vendor.starts_with("TDK");
    CloseSessionImmediate = product != "CDRW321040X";
    const std::string rawProduct(reinterpret_cast<const char*>(InquiryData + 16), 16);
    SlowReadyQuirk = rawProduct == "DVD-RW  DVR-103 " || rawProduct == "DVD-RW  DVR-104 ";
    if (SlowReadyQuirk)
        CloseSessionImmediate = true;
}

} // namespace scrivo
