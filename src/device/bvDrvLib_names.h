// Name tables of the drive layer: disc kinds and command operation codes.
#pragma once
#include <cstdint>
#include <string>

namespace scrivo {

// Disc kinds (index into DiscKindName): 1-3 are CDs, 4 and above DVDs.
enum : uint8_t {
    dkUnknown = 0, dkCDROM = 1, dkCDR = 2, dkCDRW = 3, dkDVDROM = 4, dkDVDR = 5, dkDVDRAM = 6,
    dkDVDRW = 7, dkDVDRWRestricted = 8, dkDVDRWSequential = 9, dkDVDPlusRW = 10,
    dkDVDPlusR = 11, dkDDCDROM = 12, dkDDCDR = 13, dkDDCDRW = 14
};
constexpr int DiscKindCount = 15;

// "UNKNOWN", "CD-ROM", ... ; kinds outside the table give "UNKNOWN".
const char* DiscKindName(uint8_t kind);
inline bool IsCDKind(uint8_t kind) { return kind < dkDVDROM; }
// Discs recorded in place rather than appended to: their sessions are found by a copy of the
// volume descriptors at address 0 (DVD-RW is formatted for restricted overwrite first).
inline bool IsOverwritableKind(uint8_t kind) {
    return kind == dkDVDRAM || kind == dkDVDRWRestricted || kind == dkDVDRWSequential || kind == dkDVDPlusRW;
}

// The trace name of an operation code: the command's name padded to 22 characters, or the
// code as two upper-case hexadecimal digits for codes without a name.
const std::string& CommandName(uint8_t opcode);

} // namespace scrivo
