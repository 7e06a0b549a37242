// Session import: finds the volume descriptors of a previous session and reads its tree,
// the Joliet one when the session has it, the ISO 9660 one otherwise.
#include "bvISOLib_import.h"
#include "bvISOLib_layout.h"
#include "bvISOLib_records.h"
#include "bvISOLib_rrip.h"
#include "bvISOLib_tree.h"
#include <algorithm>
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

namespace {

// The root directory record of a descriptor describes a directory.
// The sectors of the volume the descriptor `d` describes that lie at `start` and after (its
// volume space size counts from the start of the disc); 0 when none do.
uint32_t VolumeSectorsAfter(const uint8_t* d, uint32_t start) {
    const uint32_t volume = GetLE32(d + 80);
    return volume > start ? volume - start : 0;
}

bool RootRecordSound(const uint8_t* root) {
    return root[0] >= 34 && (root[25] & FlagDirectory) && root[32] == 1;
}

struct TImportedFile {
    TDEntry* Dir;
    TFEntry* Entry;
};

void CollectImportedFiles(TDEntry* d, std::vector<TImportedFile>& out) {
    for (TFEntry* e = d->FirstEntry; e; e = e->Next) {
        if (e->Dir)
            CollectImportedFiles(e->Dir, out);
        else if (e->Imported && e->IsoSize > 0)
            out.push_back({d, e});
    }
}

} // namespace

// Damaged records may point into another file's data; a session that lists both would be
// invalid. Files sharing one extent whole (hard links) are sound.
int TImageBuilder::LeaveOutOverlappingFiles(TDEntry* target) {
    std::vector<TImportedFile> files;
    CollectImportedFiles(target, files);
    auto first = [](const TImportedFile& f) { return uint64_t(f.Entry->IsoLocation); };
    auto end = [](const TImportedFile& f) {
        return uint64_t(f.Entry->IsoLocation) + SectorsFor(f.Entry->IsoSize);
    };
    std::sort(files.begin(), files.end(), [&](const TImportedFile& a, const TImportedFile& b) {
        return first(a) != first(b) ? first(a) < first(b) : end(a) < end(b);
    });
    std::vector<bool> bad(files.size());
    size_t reach = 0; // the file reaching furthest so far
    for (size_t i = 1; i < files.size(); ++i) {
        const TImportedFile &f = files[i], &g = files[reach];
        if (first(f) < end(g) && !(first(f) == first(g) && end(f) == end(g))) bad[i] = bad[reach] = true;
        if (end(f) > end(g)) reach = i;
    }
    int left = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!bad[i]) continue;
        TDEntry* d = files[i].Dir;
        Report(std::string(ImportOverlapText) + "\n\r" +
                   (d == FileTables().Root() ? std::string() : d->Path) + "\\" + files[i].Entry->LongName,
               4);
        RemoveListed(FileTables(), d, files[i].Entry);
        ++left;
    }
    return left;
}

namespace {

// Whether the tree of the root record `root` carries Rock Ridge: an SP entry in its "."
// record.
bool HasRockRidge(TImageDisc& disc, const uint8_t* root) {
    std::vector<uint8_t> s(SectorSize);
    if (!disc.ReadSectors(GetLE32(root + 2), 1, s.data())) return false;
    const uint32_t id = s[32], area = 33 + id + (id % 2 == 0 ? 1 : 0);
    return s[0] >= area + SpEntryLength && s[area] == 'S' && s[area + 1] == 'P' &&
           s[area + 4] == SpCheck[0] && s[area + 5] == SpCheck[1];
}

} // namespace

bool TImageBuilder::ImportSession(int Session, TDEntry* ImportDir) {
    ImportedFiles = ImportedFolders = ImportLeftOut = 0;
    ImportFoundVolume = ImportInterrupted = false;
    if (!Disc) return false;
    const int sessions = Disc->RecordedSessionCount();
    if (sessions <= 0) return false;
    if (Session < 0 || Session > sessions) Session = sessions;
    if (Session == 0) return false;
    const std::string number = std::to_string(Session);
    Report(">>> IMPORTING SESSION # " + number, 1);

    // The session starts with its first track; other recorders may put several in a session.
    uint32_t start = 0, sectors = 0;
    if (!Disc->ReadSessionExtent(Session, start, sectors)) {
        Report(">>> ERROR IMPORTING SESSION # " + number, 4);
        return false;
    }
    TDEntry* target = ImportDir ? ImportDir : FileTables().Root();

    std::vector<uint8_t> sector(SectorSize);
    bool found = false;
    // A new session with Rock Ridge keeps what an old one recorded with it (modes, links,
    // long names): its ISO 9660 tree is read rather than the Joliet one.
    std::vector<TImportTree> order{TImportTree::Joliet, TImportTree::Iso};
    if (RockRidge && FindDescriptor(*Disc, start, TImportTree::Iso, sector) &&
        RootRecordSound(sector.data() + 156) && HasRockRidge(*Disc, sector.data() + 156))
        order = {TImportTree::Iso};
    // Sectors read in all: each directory sector once, the continuation areas of Rock
    // Ridge, the descriptors; a session that takes more is damaged.
    uint64_t budget = 0;
    TFEntry* const before = target->LastEntry; // what the import adds comes after it
    for (TImportTree tree : order) {
        if (!FindDescriptor(*Disc, start, tree, sector)) continue;
        found = ImportFoundVolume = true;
        const uint8_t* root = sector.data() + 156; // the root directory record
        const bool joliet = tree == TImportTree::Joliet;
        // Everything the session refers to lies before the end of its tracks; a track of
        // unknown length ends where its volume does.
        const uint64_t discEnd =
            uint64_t(start) + (sectors ? sectors : VolumeSectorsAfter(sector.data(), start));
        if (budget == 0) budget = 2 * (discEnd - start) + 2 * DescriptorScan;
        TDirectoryImporter reader(*this, *Disc, tree, discEnd, budget,
                                  [this](const std::string& text, uint8_t type) { Report(text, type); });
        int taken = 0;
        if (!RootRecordSound(root)) {
            Report(std::string(ImportBadRootText) + "\n\r" + (joliet ? "JOLIET" : "ISO 9660"), 4);
            ++ImportLeftOut;
        } else {
            taken = reader.Import(GetLE32(root + 2), GetLE32(root + 10), target);
            ImportLeftOut += reader.LeftOut();
            budget -= std::min(budget, reader.Reads());
        }
        if (reader.Interrupted()) {
            // Half a tree would be recorded as the whole session: none of it stays.
            for (TFEntry* e = before ? before->Next : target->FirstEntry; e;) {
                TFEntry* next = e->Next;
                RemoveListed(FileTables(), target, e);
                e = next;
            }
            ImportInterrupted = true;
            Report(">>> " + std::string(ImportInterruptedText) + " (SESSION # " + number + ")", 4);
            return false;
        }
        // A Joliet tree that yields nothing readable leaves the ISO 9660 tree to import.
        if (joliet && taken == 0 && ImportLeftOut > 0) {
            Report(">>> JOLIET TREE OF SESSION # " + number + " CANNOT BE READ, IMPORTING ITS ISO 9660 TREE",
                   4);
            ImportLeftOut = 0;
            continue;
        }
        ImportedFiles = reader.Files();
        ImportedFolders = taken - reader.Files();
        const int overlapping = LeaveOutOverlappingFiles(target);
        ImportedFiles -= overlapping;
        ImportLeftOut += overlapping;
        Report(">>> IMPORTED " + std::to_string(ImportedFiles) + " FILES AND " +
                   std::to_string(ImportedFolders) + " FOLDERS FROM SESSION # " + number +
                   (ImportLeftOut ? ", " + std::to_string(ImportLeftOut) + " DAMAGED ENTRIES LEFT OUT" : ""),
               1);
        return true;
    }
    if (!found) Report(">>> ERROR IMPORTING SESSION " + number + " (ISO IMAGE NOT FOUND)", 4);
    return false;
}

} // namespace scrivo
