#include "engine/bvCDBC_disc.h"
#include "engine/bvCDBC.h"
#include <cstring>
#include <vector>

namespace scrivo {

uint8_t TBrenvikDisc::ReadDiscKind() { return c_.DetectDiscKind(); }

uint32_t TBrenvikDisc::OverwritableStart() {
    uint8_t sector[SectorSize];
    for (uint32_t lba = 32; lba >= 16; --lba) {
        if (!c_.ReadBlocks(lba, 1, SectorSize, sector))
            continue;
        if (std::memcmp(sector + 1, "CD001", 5) == 0 && (sector[0] == 1 || sector[0] == 2))
            return uint32_t(sector[80]) | uint32_t(sector[81]) << 8 | uint32_t(sector[82]) << 16 |
                   uint32_t(sector[83]) << 24;
    }
    return 0;
}

bool TBrenvikDisc::FindStartAddress(uint32_t& address) {
    address = 0;
    c_.WaitUntilReady(10000, 500);
    const uint8_t kind = ReadDiscKind();
    const bool finalize = c_.FinalizeDisc;
    c_.FinalizeDisc = true;
    c_.SetWriteParameters(c_.TestWrite, c_.UnderrunProtection, kind);
    c_.FinalizeDisc = finalize;
    c_.WaitUntilReady(10000, 500);

    if (kind == dkDVDRAM || kind == dkDVDPlusRW) {
        address = OverwritableStart();
        return true;
    }
    c_.ReadDiscInformation();
    if (kind == dkDVDRWRestricted || kind == dkDVDRWSequential) {
        if (!c_.ReadTrackInformation(1))
            return false;
        if (c_.NextWritableAddress() != 0)
            address = c_.NextWritableAddress();
        return true;
    }
    if (!c_.ReadTrackInformation(uint32_t(c_.TSCSIDevice::RecordedSessionCount() + 1)))
        return false;
    address = c_.NextWritableAddress();
    return true;
}

int TBrenvikDisc::RecordedSessionCount() { return c_.TSCSIDevice::RecordedSessionCount(); }

bool TBrenvikDisc::ReadTrackInformation(int track, uint32_t& start, uint32_t& sectors) {
    if (track < 1 || !c_.TSCSIDevice::ReadTrackInformation(uint32_t(track)))
        return false;
    start = c_.TrackStartAddress();
    sectors = c_.TrackSize();
    return true;
}

bool TBrenvikDisc::ReadSectors(uint32_t address, uint32_t count, uint8_t* buffer) {
    // READ (10) carries up to 65,535 blocks; the import reads far fewer at a time.
    while (count > 0) {
        const uint16_t n = uint16_t(count > 32 ? 32 : count);
        if (!c_.ReadBlocks(address, n, uint32_t(n) * SectorSize, buffer))
            return false;
        address += n;
        count -= n;
        buffer += size_t(n) * SectorSize;
    }
    return true;
}

} // namespace scrivo
