// The write parameters mode page (05h): built per disc kind for a recording, and probed
// per write type when a drive is selected.
#include "bvDrvLib.h"

#include "bvDrvLib_bytes.h"

#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {

bool IsSequentialDVDKind(uint8_t kind)
{
    return kind == dkDVDR || kind == dkDVDRW || kind == dkDVDRWRestricted || kind == dkDVDRWSequential ||
        kind == dkDVDPlusR;
}

} // namespace

bool TSCSIDevice::SendWriteParametersPage(size_t pageOffset)
{
    uint8_t* page = WriteParametersPage;
    const size_t length = size_t(page[1]) + 10;
    alignas(4) uint8_t list[8 + 257] = {}; // mode parameter header, then the page
    // The page image holds what the reply had from the page on, up to byte 61 of the reply.
    const size_t take = std::min({61 - pageOffset, sizeof WriteParametersPage, length - 8});
    std::memcpy(list + 8, page, take);
    return ModeSelect(list, uint16_t(length));
}

bool TSCSIDevice::SetWriteParameters(bool testWrite, bool underrunProtection, uint8_t discKind)
{
    if (discKind == dkDVDRAM)
        return true;
    alignas(4) uint8_t reply[512];
    if (!ModeSense(0x05, false, reply, sizeof reply))
        return false;
    const size_t offset = LocateModePage(reply, 0x05, 8);
    uint8_t* p = WriteParametersPage;
    std::memcpy(p, reply + offset, sizeof WriteParametersPage);

    p[1] = 0x32;
    uint32_t packetSize = 0;
    if (discKind == dkDVDR) {
        p[2] = 0x60;
        p[3] = 0xE5;
        p[5] = 0x10;
        packetSize = 16;
    } else {
        p[2] = 0x01; // track-at-once
        p[3] = 0x04; // track mode 4
        p[5] = 0x00;
    }
    p[4] = 0x08; // Mode 1, 2,048 bytes
    if (SessionAtOnceWrite) {
        p[2] = 0x02;
        p[4] = 0x00;
    }
    if (discKind == dkDVDPlusR || discKind == dkDVDPlusRW) {
        p[2] = 0x22;
        p[3] |= 0xC0;
    }
    if (LinkSizeQuirk)
        p[2] |= 0x20;
    if (IsSequentialDVDKind(discKind))
        p[3] |= 0xE0;
    else if (!testWrite && !FinalizeDisc)
        p[3] = uint8_t((p[3] & 0x3F) | 0xC0); // next session allowed
    else if ((p[3] & 0xC0) == 0xC0)
        p[3] &= 0x3F;
    p[2] = uint8_t((p[2] & ~0x40) | (Has(UnderrunFree) && underrunProtection ? 0x40 : 0));
    p[2] = uint8_t((p[2] & ~0x10) | (Has(WriteTest) && testWrite ? 0x10 : 0));
    p[6] = p[7] = p[8] = p[9] = 0;
    if (discKind == dkDVDPlusR)
        packetSize = 16;
    if (discKind == dkDVDRWRestricted || discKind == dkDVDRWSequential) {
        // Incremental; only a sequential disc knows test writing.
        p[2] = uint8_t(0x20 | (discKind == dkDVDRWSequential ? p[2] & 0x10 : 0));
        p[3] = 0xC5;
        p[5] = 0x10;
    }
    if (discKind == dkDVDPlusR)
        p[3] = 0xC4;
    if (discKind == dkDVDPlusRW) {
        p[3] = 0x04;
        p[5] = 0x10;
    }
    PutBE32(p + 10, packetSize);
    PutBE16(p + 14, 150); // audio pause length
    return SendWriteParametersPage(offset);
}

void TSCSIDevice::ProbeWriteModes()
{
    struct Probe {
        TWriteMode Mode;
        uint8_t WriteType, DataBlockType;
    };
    static const Probe probes[] = {{wmRaw, 3, 1}, {wmSessionAtOnce, 2, 0}, {wmTrackAtOnce, 1, 0}};
    SupportedWriteModes = 0;
    for (const Probe& probe : probes) {
        alignas(4) uint8_t reply[512];
        if (!ModeSense(0x05, false, reply, sizeof reply))
            continue;
        const size_t offset = (reply[16] & 0x7F) == 0x05 ? 16 : 8;
        uint8_t* p = WriteParametersPage;
        std::memcpy(p, reply + offset, sizeof WriteParametersPage);
        p[2] = probe.WriteType;
        p[4] = probe.DataBlockType;
        p[3] = 0;
        p[8] = p[9] = 0;
        PutBE16(p + 14, 150);
        if (SendWriteParametersPage(offset))
            SupportedWriteModes |= probe.Mode;
    }
}

} // namespace scrivo
