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
    const std::string nothing = ". Nothing was recorded.";
    if (erasedFirst && IsDVDRWKind(kind))
        return "The drive cannot test-write on the DVD-RW disc once erased: it then takes disc-at-once "
               "recording only" +
               nothing;
    if (!cd && !dvdMinus)
        return "The drive cannot test-write on the " + std::string(DiscKindName(kind)) + " disc" +
               (kind == dkDVDRWRestricted ? " (formatted for overwriting)" : "") +
               ": test writing exists on CD-R, CD-RW, DVD-R and unformatted DVD-RW discs only" + nothing;
    uint8_t bits = 0, unused = 0;
    const bool offered = ReadCapabilities() && Has(WriteTest) &&
                         CurrentFeature(cd ? TrackAtOnceFeature : DVDMinusWriteFeature, bits) &&
                         (bits & TestWriteBit) != 0;
    if (offered && (cd || CurrentFeature(IncrementalStreamingFeature, unused))) return "";
    if (offered)
        return "The drive cannot test-write on the DVD-RW disc in it: erased quickly, it takes disc-at-once "
               "recording only" +
               nothing;
    return "The drive does not offer test writing on the " + std::string(DiscKindName(kind)) + " disc in it" +
           nothing;
}

} // namespace scrivo
