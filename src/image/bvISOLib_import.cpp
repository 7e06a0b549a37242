// Session import: finds the volume descriptors of a previous session and reads its tree,
// the Joliet one when the session has it, the ISO 9660 one otherwise.
#include "bvISOLib_import.h"
#include <cstring>

namespace scrivo {

namespace {

constexpr uint8_t PrimaryDescriptor = 1;
constexpr uint8_t SupplementaryDescriptor = 2;
constexpr uint8_t DescriptorSetTerminator = 255;
// The descriptors are looked for in this many sectors from the session's sector 16 on.
constexpr uint32_t DescriptorScan = 21;

bool IsDescriptor(const uint8_t* s) {
    return std::memcmp(s + 1, "CD001", 5) == 0;
}

// A supplementary descriptor is a Joliet one when its escape sequences name UCS-2
// (levels 1 to 3); other supplementary descriptors do not hold UCS-2 names.
bool IsJolietDescriptor(const uint8_t* s) {
    return s[0] == SupplementaryDescriptor && s[88] == '%' && s[89] == '/' &&
           (s[90] == '@' || s[90] == 'C' || s[90] == 'E');
}

// Scans the descriptors of the session at `start` for the wanted kind; false when the
// terminator or the end of the scan comes first. Unreadable sectors are passed over.
bool FindDescriptor(TImageDisc& disc, uint32_t start, TImportTree tree, std::vector<uint8_t>& sector) {
    for (uint32_t i = 16; i < 16 + DescriptorScan; ++i) {
        if (!disc.ReadSectors(start + i, 1, sector.data())) continue;
        if (!IsDescriptor(sector.data())) continue;
        if (tree == TImportTree::Joliet ? IsJolietDescriptor(sector.data()) : sector[0] == PrimaryDescriptor)
            return true;
        if (sector[0] == DescriptorSetTerminator) return false;
    }
    return false;
}

} // namespace

bool TImageBuilder::ImportSession(int Session, TDEntry* ImportDir) {
    if (!Disc) return false;
    const int sessions = Disc->RecordedSessionCount();
    if (sessions <= 0) return false;
    if (Session < 0 || Session > sessions) Session = sessions;
    if (Session == 0) return false;
    const std::string number = std::to_string(Session);
    Report(">>> IMPORTING SESSION # " + number, 1);

    // One track per session, as this system records: the session number is the track number.
    uint32_t start = 0, sectors = 0;
    if (!Disc->ReadTrackInformation(Session, start, sectors)) {
        Report(">>> ERROR IMPORTING SESSION # " + number, 4);
        return false;
    }
    // Everything the session refers to lies before the end of its track.
    const uint64_t discEnd = sectors ? uint64_t(start) + sectors : uint64_t(1) << 32;
    TDEntry* target = ImportDir ? ImportDir : FileTables().Root();

    std::vector<uint8_t> sector(SectorSize);
    for (TImportTree tree : {TImportTree::Joliet, TImportTree::Iso}) {
        if (!FindDescriptor(*Disc, start, tree, sector)) continue;
        const uint8_t* root = sector.data() + 156; // the root directory record
        TDirectoryImporter reader(*this, *Disc, tree, discEnd, [this](const std::string& text) { Report(text, 4); });
        reader.Import(GetLE32(root + 2), GetLE32(root + 10), target);
        return true;
    }
    Report(">>> ERROR IMPORTING SESSION " + number + " (ISO IMAGE NOT FOUND)", 4);
    return false;
}

} // namespace scrivo
