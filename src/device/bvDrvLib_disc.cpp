// What is in the drive: disc kind, disc state, sessions and free blocks.
#include "bvDrvLib.h"

#include "bvDrvLib_bytes.h"

#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {

uint8_t KindOfProfile(uint16_t profile)
{
    switch (profile) {
    case 0x0008: return dkCDROM;
    case 0x0009: return dkCDR;
    case 0x000A: return dkCDRW;
    case 0x0010: return dkDVDROM;
    case 0x0011: return dkDVDR;
    case 0x0012: return dkDVDRAM;
    case 0x0013: return dkDVDRWRestricted;
    case 0x0014: return dkDVDRWSequential;
    case 0x001A: return dkDVDPlusRW;
    case 0x001B: return dkDVDPlusR;
    case 0x0020: return dkDDCDROM;
    case 0x0021: return dkDDCDR;
    case 0x0022: return dkDDCDRW;
    default: return dkUnknown;
    }
}

uint32_t Subtract(uint32_t a, uint32_t b) { return a > b ? a - b : 0; }

} // namespace

uint8_t TSCSIDevice::DetectDiscKind()
{
    uint8_t kind = dkUnknown;
    alignas(4) uint8_t config[114];
    if (GetConfiguration(2, 0, config, sizeof config))
        kind = KindOfProfile(GetBE16(config + 6));
    if (kind == dkUnknown && ReadTOC(true, 4, 0, TocBuffer, sizeof TocBuffer)) {
        const uint8_t atip = TocBuffer[6];
        kind = !(atip & 0x80) ? dkCDROM : (atip & 0x40) ? dkCDRW : dkCDR;
    }
    if (ReadDiscInformation() && kind == dkUnknown)
        kind = (DiscInformation[2] & 0x10) ? dkCDRW : dkCDR;
    if (kind == dkUnknown && TestUnitReady(5000))
        kind = dkCDROM;
    return kind;
}

int TSCSIDevice::DiscStatus()
{
    if (!ReadDiscInformation())
        return -1;
    return DiscInformation[2] & 0x03;
}

int TSCSIDevice::RecordedSessionCount()
{
    if (!ReadDiscInformation() || (DiscInformation[2] & 0x03) == 0)
        return 0;
    int sessions = DiscInformation[4];
    if (((DiscInformation[2] >> 2) & 0x03) == 0 && sessions > 0)
        --sessions; // the last session is still empty
    return sessions;
}

uint32_t TSCSIDevice::LastTrackInLastSession()
{
    if (ReadDiscInformation() && (DiscInformation[6] | DiscInformation[11]) != 0)
        return DiscInformation[6] | uint32_t(DiscInformation[11]) << 8;
    return uint32_t(RecordedSessionCount() + 1);
}

bool TSCSIDevice::HasUnfinishedTrack(uint32_t& start)
{
    start = 0;
    if (DiscStatus() != 1)
        return false; // only an appendable disc has an open track
    // Our recordings always close their session: an open ("incomplete") last session was
    // left so by one that stopped, whatever state its tracks are in (a track-at-once CD track
    // ended by the flush after a failed write, a DVD-R track reserved but never written).
    const bool openSession = ((DiscInformation[2] >> 2) & 0x03) == 1;
    // Every track of the last session: a partly written reserved track (DVD-R) may be followed
    // by the invisible one.
    const uint32_t first = uint32_t(DiscInformation[10]) << 8 | DiscInformation[5];
    const uint32_t last = uint32_t(DiscInformation[11]) << 8 | DiscInformation[6];
    for (uint32_t track = first; track != 0 && track <= last; ++track) {
        if (!ReadTrackInformation(track))
            return false;
        const bool blank = (TrackInformation[6] & 0x40) != 0;
        const bool reserved = (TrackInformation[6] & 0x80) != 0;
        const bool nwaValid = (TrackInformation[7] & 0x01) != 0;
        if ((!blank && nwaValid) || (openSession && (!blank || reserved))) {
            start = TrackStartAddress();
            return true;
        }
    }
    return false;
}

std::string UnfinishedSessionText(uint8_t kind, uint32_t start) {
    return std::string("The ") + DiscKindName(kind) +
           " disc holds an unfinished session from an interrupted " + "recording (from sector " +
           std::to_string(start) +
           "). Its earlier sessions can still be read, but no session can be added after it.";
}

std::string UnfinishedDiscText(uint8_t kind, bool erasable, uint32_t start) {
    return UnfinishedSessionText(kind, start) +
           (erasable ? " Erase the disc to use it again." : " Copy its files to a new disc.");
}

bool TSCSIDevice::IsErasable()
{
    if (ReadDiscInformation())
        return (DiscInformation[2] & 0x10) != 0;
    CurrentDiscKind = DetectDiscKind();
    return CurrentDiscKind == dkDVDRAM || CurrentDiscKind == dkDVDRWRestricted ||
        CurrentDiscKind == dkDVDRWSequential || CurrentDiscKind == dkDVDPlusRW;
}

bool TSCSIDevice::ReadFormatCapacity(uint32_t& blocks, uint32_t& blockSize)
{
    alignas(4) uint8_t reply[248] = {};
    if (!ReadFormatCapacities(reply))
        return false;
    static const uint8_t block2048[4] = {0x00, 0x00, 0x08, 0x00};
    static const uint8_t plusRWFormat[4] = {0x98, 0x00, 0x00, 0x00};
    blockSize = 2048;
    if (std::memcmp(reply + 8, block2048, 4) == 0)
        blocks = GetBE32(reply + 4);
    else if (std::memcmp(reply + 16, block2048, 4) == 0 || std::memcmp(reply + 16, plusRWFormat, 4) == 0)
        blocks = GetBE32(reply + 12);
    else if (std::memcmp(reply + 24, block2048, 4) == 0)
        blocks = GetBE32(reply + 20);
    else
        blocks = GetBE32(reply + 4);
    return true;
}

bool TSCSIDevice::FormatCapacityOf(uint8_t type, uint32_t& blocks)
{
    alignas(4) uint8_t reply[248] = {};
    if (!ReadFormatCapacities(reply))
        return false;
    const size_t end = std::min<size_t>(4 + reply[3], sizeof reply);
    for (size_t at = 12; at + 8 <= end; at += 8) {
        if ((reply[at + 4] >> 2) != type)
            continue;
        blocks = GetBE32(reply + at);
        return true;
    }
    return false;
}

bool TSCSIDevice::FitFormatList(uint8_t* list12)
{
    // A drive takes only the block count it offers for a format type: the list's count is the
    // one of a disc of the common size, and a disc of another size would refuse it.
    uint32_t blocks = 0;
    if (!FormatCapacityOf(list12[8] >> 2, blocks))
        return false;
    PutBE32(list12 + 4, blocks);
    return true;
}

bool TSCSIDevice::FormatFitted(const uint8_t* list12)
{
    uint8_t list[12];
    std::memcpy(list, list12, sizeof list);
    FitFormatList(list);
    return FormatUnit(0x11, list, sizeof list);
}

uint32_t TSCSIDevice::ReadISOVolumeSize()
{
    alignas(4) uint8_t block[2048];
    for (uint32_t lba = 16; lba <= 32; ++lba) {
        if (!ReadBlocks(lba, 1, sizeof block, block))
            continue;
        if (std::memcmp(block + 1, "CD001", 5) == 0 && (block[0] == 1 || block[0] == 2))
            return GetLE32(block + 80);
    }
    return 0;
}

uint32_t TSCSIDevice::GetFreeBlocks()
{
    const uint8_t kind = DetectDiscKind();
    // A closing page (no next session) makes the drive report the space of one session.
    const auto sendClosingPage = [&] {
        const bool finalize = FinalizeDisc;
        FinalizeDisc = true;
        SetWriteParameters(false, UnderrunProtection, kind);
        FinalizeDisc = finalize;
    };
    sendClosingPage();
    DiscInformation[6] = 0;
    ReadDiscInformation();
    uint8_t track = DiscInformation[6];

    if (IsCDKind(kind)) {
        sendClosingPage();
        if (DiscStatus() == 2)
            return 0;
        ReadDiscInformation();
        track = DiscInformation[6];
        if (!ReadTrackInformation(track) && !ReadTrackInformation(track))
            return 0;
        return std::max(FreeBlocks(), TrackSize());
    }

    if (!ReadTrackInformation(track))
        return 0;
    if (kind == dkDVDRWRestricted) {
        // Each session grows the formatted area as far as it needs (quick grow): the room is
        // the whole disc, as a full format offers it, past where the next session starts.
        const uint32_t next = NextWritableAddress();
        uint32_t whole = 0;
        if (FormatCapacityOf(0x00, whole) || FormatCapacityOf(0x10, whole))
            return Subtract(whole, next);
        return FreeBlocks();
    } else if (kind == dkDVDRAM || kind == dkDVDPlusRW) {
        return Subtract(TrackSize(), ReadISOVolumeSize());
    }
    if (TrackSize() == 0xFFFFFFFF)
        return 0;
    if (LastRecordedAddress() == 0)
        return TrackSize();
    return FreeBlocks();
}

} // namespace scrivo
