#include "engine/bvCDBC_disc.h"
#include "device/bvDrvLib_bytes.h"
#include "engine/bvCDBC.h"
#include <algorithm>
#include <cstring>
#include <vector>

namespace scrivo {

namespace {
// Track numbers walked when looking for the tracks of a session; the walk ends at the first
// track the drive does not know.
constexpr uint32_t MaxTrackNumber = 999;
} // namespace

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
    // The incomplete track is the last track of the last session (a session may hold several).
    if (!c_.ReadTrackInformation(c_.LastTrackInLastSession()))
        return false;
    address = c_.NextWritableAddress();
    return true;
}

int TBrenvikDisc::RecordedSessionCount() {
    int sessions = c_.TSCSIDevice::RecordedSessionCount();
    // Overwritable discs keep one file system, whose descriptors a failed run never replaces.
    if (IsOverwritableKind(CurrentDiscKind)) return sessions;
    while (sessions > 0 && HoldsInterruptedRecording(sessions))
        --sessions;
    return sessions;
}

bool TBrenvikDisc::HoldsInterruptedRecording(int session) {
    const int first = FirstTrackOfSession(session);
    if (first == 0 || !c_.TSCSIDevice::ReadTrackInformation(uint32_t(first))) return false;
    const uint32_t start = c_.TrackStartAddress();
    uint64_t end = start; // one past the last block recorded
    for (uint32_t track = uint32_t(first); track <= MaxTrackNumber; ++track) {
        if (track != uint32_t(first) && (!c_.TSCSIDevice::ReadTrackInformation(track) ||
                                         (c_.TrackInformation[3] | c_.TrackInformation[33] << 8) != session))
            break;
        if (c_.LastRecordedValid())
            end = std::max<uint64_t>(end, uint64_t(c_.LastRecordedAddress()) + 1);
        else if (!c_.TrackBlank())
            end = std::max<uint64_t>(end, uint64_t(c_.TrackStartAddress()) + c_.TrackSize());
    }
    if (end <= uint64_t(start) + 16) return true; // not even its volume descriptor was recorded
    uint8_t pvd[SectorSize];
    // A descriptor that cannot be read is a damaged session, not one known to be cut off: the
    // import says what it cannot read.
    if (!ReadSectors(start + 16, 1, pvd) || pvd[0] != 1 || std::memcmp(pvd + 1, "CD001", 5) != 0)
        return false;
    return GetLE32(pvd + 80) > end;
}

bool TBrenvikDisc::ReadTrackInformation(int track, uint32_t& start, uint32_t& sectors) {
    if (track < 1 || !c_.TSCSIDevice::ReadTrackInformation(uint32_t(track)))
        return false;
    start = c_.TrackStartAddress();
    sectors = c_.TrackSize();
    return true;
}

int TBrenvikDisc::FirstTrackOfSession(int session) {
    // The last complete session: the multi-session reply of READ TOC names its first track.
    alignas(4) uint8_t toc[12] = {};
    if (session == c_.TSCSIDevice::RecordedSessionCount() && c_.ReadTOC(false, 1, 0, toc, sizeof toc) &&
        toc[3] == session && toc[6] != 0)
        return toc[6];
    // Any session: the first track whose track information names it.
    for (uint32_t track = 1; track <= MaxTrackNumber; ++track) {
        if (!c_.TSCSIDevice::ReadTrackInformation(track))
            return 0;
        const int owner = c_.TrackInformation[3] | c_.TrackInformation[33] << 8;
        if (owner == session)
            return int(track);
        if (owner > session)
            return 0;
    }
    return 0;
}

bool TBrenvikDisc::ReadSessionExtent(int session, uint32_t& start, uint32_t& sectors) {
    const int first = session >= 1 ? FirstTrackOfSession(session) : 0;
    if (first == 0 || !ReadTrackInformation(first, start, sectors))
        return false;
    // Everything the session refers to lies before the end of its last track.
    uint64_t end = uint64_t(start) + sectors;
    for (uint32_t track = uint32_t(first) + 1; track <= MaxTrackNumber; ++track) {
        if (!c_.TSCSIDevice::ReadTrackInformation(track) ||
            (c_.TrackInformation[3] | c_.TrackInformation[33] << 8) != session)
            break;
        end = uint64_t(c_.TrackStartAddress()) + c_.TrackSize();
    }
    sectors = end - start > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(end - start);
    return true;
}

bool TBrenvikDisc::StopRequested() {
    return c_.StopWaiting && c_.StopWaiting();
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
