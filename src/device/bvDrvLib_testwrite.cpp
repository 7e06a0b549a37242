// Whether the drive can test-write (record with the laser off) on the disc in it.
#include "bvDrvLib.h"

#include "bvDrvLib_bytes.h"

namespace scrivo {

namespace {

// Feature codes of GET CONFIGURATION this check reads.
constexpr uint16_t IncrementalStreamingFeature = 0x0021;
constexpr uint16_t TrackAtOnceFeature = 0x002D;
constexpr uint16_t DVDMinusWriteFeature = 0x002F;
constexpr uint8_t TestWriteBit = 0x04; // byte 4 of both write features

bool IsDVDRWKind(uint8_t kind) {
    return kind == dkDVDRWRestricted || kind == dkDVDRWSequential;
}

} // namespace

bool TSCSIDevice::CurrentFeature(uint16_t code, uint8_t& firstDataByte) {
    alignas(4) uint8_t reply[16] = {};
    if (!GetConfiguration(2, code, reply, sizeof reply) || GetBE16(reply + 8) != code) return false;
    firstDataByte = reply[12];
    return (reply[10] & 0x01) != 0;
}

std::string TSCSIDevice::TestWriteRefusal(uint8_t kind, bool erasedFirst) {
    // The drive simulates a recording only where it says so for the disc in it: page 2Ah and
    // the Test Write bit of the current write feature (track-at-once on CD, DVD-R/-RW on
    // DVD). A DVD-R or sequential DVD-RW is test-written incrementally, so that feature must
    // be current too; a DVD-RW erased quickly first takes disc-at-once recording only.
    const bool cd = kind == dkCDR || kind == dkCDRW;
    const bool dvdMinus = kind == dkDVDR || kind == dkDVDRWSequential;
    uint8_t bits = 0, unused = 0;
    bool can = (cd || dvdMinus) && !(erasedFirst && IsDVDRWKind(kind)) && ReadCapabilities() &&
               Has(WriteTest) && CurrentFeature(cd ? TrackAtOnceFeature : DVDMinusWriteFeature, bits) &&
               (bits & TestWriteBit) != 0;
    if (can && dvdMinus) can = CurrentFeature(IncrementalStreamingFeature, unused);
    if (can) return "";
    std::string medium = std::string(DiscKindName(kind)) + " disc";
    if (erasedFirst && IsDVDRWKind(kind))
        medium += " once erased (it then takes disc-at-once recording only)";
    else if (kind == dkDVDRWRestricted)
        medium += " (formatted for overwriting)";
    else if (kind == dkDVDRWSequential)
        medium += " (erased quickly, for disc-at-once recording only)";
    return "The drive cannot test-write on the " + medium +
           ": test writing exists on CD-R, CD-RW, DVD-R and unformatted DVD-RW discs only. Nothing was "
           "recorded.";
}

} // namespace scrivo
