// The El Torito options `scrivo image` and `scrivo write` share: --boot FILE (BIOS, no
// emulation) with --boot-info-table and --boot-load-size N, and --efi-boot FILE.
#pragma once
#include "ArgReader.h"
#include "image/bvISOLib.h"

namespace scrivo::cli {

// The usage lines of the options, for the commands' usage texts.
#define SCRIVO_BOOT_USAGE                                                                                    \
    "  --boot FILE makes the disc bootable by a BIOS (no emulation; --boot-load-size N loads N\n"            \
    "  sectors of 512 bytes, 4 by default; --boot-info-table writes the boot information table\n"            \
    "  into the image's copy on the disc); --efi-boot FILE adds a UEFI boot image (both: a hybrid\n"         \
    "  disc).\n"

struct TBootArgs {
    std::string Bios, Efi;
    bool InfoTable = false;
    std::string LoadSize; // as given; empty for the default
    uint16_t LoadSectors = 4;
};

// Takes the current argument when it is one of the options; false otherwise.
bool TakeBootOption(TArgReader& r, TBootArgs& a);

// Checks the options once all are read: UsageError for a boot file missing, unreadable or
// empty, a load size out of range, a table or load size without a BIOS image.
void CheckBootArgs(TBootArgs& a);
// Hands checked options to the image builder.
void ApplyBootArgs(const TBootArgs& a, TImageOptions& o);

} // namespace scrivo::cli
