// The disc image builder: the process-wide file tree (directory and file tables), the names
// and path-table order of its directories, the layout of a new session and the generation of
// its metadata sectors (ISO 9660 with a Joliet tree and, optionally, an El Torito boot image).
//
// The burner component owns (or derives from) a TImageBuilder; the tables themselves are
// process-wide, one tree for every builder of the process. Disc paths always use "\".
#pragma once
#include "MemoryStream.h"
#include "bvISOLib_entry_name.h"
#include "bvISOLib_entry_pool.h"
#include "bvISOLib_sources.h"
#include "platform/DateTime.h"
#include "platform/Files.h"
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace scrivo {

constexpr uint32_t SectorSize = 2048;
// The largest extent one directory record describes: 4 GiB - 2 KiB, a whole number of
// sectors. Larger files are recorded as several contiguous extents (multi-extent files).
constexpr uint64_t MaxExtentBytes = 0xFFFFF800ull;
// A directory record's length is one byte.
constexpr uint32_t MaxDirRecordLength = 255;

struct TFEntry;
struct TBootImage;
struct TRelocation;
class TImageWriters;
class TSystemUseHook;
class TFolderWalk;

// The entries of a directory by the hashes of their upper-cased long names (which they keep
// in NameHash): open addressing over the entries themselves, so that a large tree does not
// keep a node per entry. Entries of one hash are told apart by the caller's match.
class TNameIndex {
  public:
    template <class Match> TFEntry* Find(uint32_t hash, Match match) const;
    void Insert(TFEntry* e);
    void Erase(const TFEntry* e);
    // `by` takes the place of `e`: both have the same hash.
    void Replace(const TFEntry* e, TFEntry* by);

  private:
    size_t SlotOf(const TFEntry* e) const; // npos when not indexed
    std::vector<TFEntry*> slots_;          // a power of two, at most half used
    size_t count_ = 0;
};

// One directory of the tree.
struct TDEntry {
    std::string ShortName;       // ISO 9660 identifier (upper case, no version); root "CD_ROOT"
    std::string LongName;        // Joliet identifier; root "CD Root Directory"
    uint64_t IsoSize = 0;        // bytes of the ISO extent, a multiple of 2048
    uint64_t JolietSize = 0;     // bytes of the Joliet extent
    std::string Path;            // absolute disc path of long names (upper case unless the
                                 // tree's names are case-sensitive); root "\"
    uint32_t IsoLocation = 0;    // sector relative to the ISO directory area
    uint32_t JolietLocation = 0; // sector relative to the Joliet directory area
    uint16_t Level = 1;          // 1 for the root
    uint32_t Number = 1;         // 1-based position in path-table order
    TDEntry* Parent = nullptr;   // the root points to itself
    TFEntry* FirstEntry = nullptr;
    // The folder's own date (that of its entry in the parent), for its "." and ".." records;
    // 0 for the root, whose records carry the time the image is made.
    TDateTime DateTime = 0;
    // Holds imported entries whose names differ only in case, which Joliet readers would
    // take for one name.
    bool CaseTwins = false;

    // Lookup aids kept by the builder: the list's tail (appending stays O(1)) and, per
    // upper-cased long name, the first entry of that name in list order.
    TFEntry* LastEntry = nullptr;
    TNameIndex NameIndex;
};

// What Rock Ridge records of an entry beyond the ISO 9660 record: kept only for trees built
// with Rock Ridge, and only for entries whose source gave them. Every listed entry has one:
// it is kept small, and what few entries have (link targets, hard links) lies in the tables.
struct TPosixEntry {
    uint32_t Mode = 0; // file type and permissions
    uint32_t Uid = 0, Gid = 0;
    // Files of one source file (hard links) share a number; 0 for the others. Only the
    // first of them in the file table has data; the layout points the others at it.
    uint32_t Identity = 0;
    uint32_t LinkTarget = 0; // a symbolic link's target: TFileTables::LinkTargets[LinkTarget - 1]
    bool DotAdded = false;   // the long name got a "." the source name does not have
    int64_t ModifyTime = 0, AccessTime = 0, ChangeTime = 0; // seconds since 1970 UTC
};

// One file, or one subdirectory as seen from its parent.
struct TFEntry {
    TEntryName ShortName; // ISO 9660 name without version, upper case
    TEntryName LongName;  // Joliet name, case kept
    TSourceRef Source;    // local source; none for subdirectories and imported entries
    TDateTime DateTime = 0;
    uint64_t IsoSize = 0;
    uint64_t JolietSize = 0;
    uint32_t IsoLocation = 0;    // files: relative to FirstFileLocation; subdirectories:
    uint32_t JolietLocation = 0; // relative to their directory area; imported: absolute
    uint32_t Attr = 0;           // 0x10 directory, 0x02 hidden, 0x20 archive
    uint32_t NameHash = 0;       // of the upper-cased long name, for the directory's NameIndex
    bool Imported = false;       // data already on the disc; locations absolute
    bool Link = false;           // a symbolic link Rock Ridge records as one (set with Posix)
    // Imported: the record's date was all zeros or no date ("not specified"), and the offset
    // from GMT (15-minute units) it was recorded with; others use the tables' offset.
    bool DateUnspecified = false;
    int8_t RecordedZone = TablesZone;
    static constexpr int8_t TablesZone = -128;
    TDEntry* Dir = nullptr; // the directory a subdirectory entry stands for
    TFEntry* Next = nullptr;
    TPosixEntry* Posix = nullptr; // with Rock Ridge; kept by the tables

    std::string SourcePath() const { return Source.Path(); }
    // Set by the layout: the hard link whose data this is (null: its own), and how many
    // entries of the tree are this file.
    const TFEntry* DataOf() const;
    uint32_t Links() const;
    // A hard link whose data another entry of the tree carries: it has no blocks of its own.
    bool SharesData() const { return DataOf() != nullptr; }
};

// The process-wide tables. Index 0 of the three directory arrays is always the root.
struct TFileTables {
    std::vector<TDEntry*> Dirs;       // creation order
    std::vector<TDEntry*> IsoDirs;    // ISO 9660 path-table order
    std::vector<TDEntry*> JolietDirs; // Joliet path-table order
    std::vector<TFEntry*> Files;      // creation order = order of file data on the disc
    int MaxDirs = 0;                  // capacity, root included
    int MaxFiles = 0;                 // capacity, subdirectory entries included
    // Offset from Greenwich in 15-minute intervals, read by ClearFiles.
    int8_t TimeZoneOffset = 0;
    // Long names and paths are compared as they are, not upper-cased (set by ClearFiles).
    bool CaseSensitive = false;
    // A capacity limit was reached and said so: once per tree is enough, every refusal after
    // it is the same news.
    bool LimitReported = false;
    // Path (as NameKey makes it of each component) -> directory.
    std::unordered_map<std::string, TDEntry*> PathIndex;
    // Source files of several hard links (device, inode) -> their TPosixEntry::Identity.
    std::map<std::pair<uint64_t, uint64_t>, uint32_t> HardLinks;
    // Set by a Rock Ridge layout whose tree is deeper than the ISO 9660 tree may be: where
    // that tree's folders stand instead (bvISOLib_relocation.h). Null: as in the tree.
    std::shared_ptr<TRelocation> Relocation;
    // Joliet identifiers the layout made for names a Joliet record cannot hold as they are
    // (too long, or with characters Joliet forbids), unique in their folder; as recorded
    // (a file's with ";1" unless it was cut). Keyed by the TFEntry of a file, the TDEntry of
    // a folder.
    std::unordered_map<const void*, std::u16string> JolietNames;
    // What the Source of the files points into.
    TSourceStore Sources;
    // Where the entries of Files live.
    TEntryPool Entries;
    // What the entries' Posix point at, and the symbolic links' targets.
    std::deque<TPosixEntry> PosixFacts;
    std::vector<std::string> LinkTargets;
    // The hard links of one source file, by TPosixEntry::Identity - 1: the first of them in
    // the file table (it carries the data) and how many the tree has. Set by the layout.
    struct TLinkGroup {
        const TFEntry* First = nullptr;
        uint32_t Links = 0;
    };
    std::vector<TLinkGroup> LinkGroups;
    // Imported files with Rock Ridge facts that share their data (hard links of an earlier
    // session): first sector -> how many entries of the tree point there. Set by the layout.
    std::unordered_map<uint32_t, uint32_t> ImportedLinks;

    TDEntry* Root() const { return Dirs.empty() ? nullptr : Dirs[0]; }
};
TFileTables& FileTables();

template <class Match> TFEntry* TNameIndex::Find(uint32_t hash, Match match) const {
    if (slots_.empty()) return nullptr;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask; slots_[i]; i = (i + 1) & mask)
        if (slots_[i]->NameHash == hash && match(slots_[i])) return slots_[i];
    return nullptr;
}

inline const TFEntry* TFEntry::DataOf() const {
    if (!Posix || !Posix->Identity || Dir || Imported) return nullptr;
    const TFileTables::TLinkGroup& g = FileTables().LinkGroups[Posix->Identity - 1];
    return g.First == this ? nullptr : g.First;
}

inline uint32_t TFEntry::Links() const {
    if (Imported && Posix && !Dir && IsoSize > 0) {
        const auto& shared = FileTables().ImportedLinks;
        const auto it = shared.find(IsoLocation);
        return it == shared.end() ? 1 : it->second;
    }
    if (!Posix || !Posix->Identity || Dir || Imported) return 1;
    const uint32_t links = FileTables().LinkGroups[Posix->Identity - 1].Links;
    return links ? links : 1;
}

// The start of the metadata stream up to and including the descriptor set terminator,
// 0xFF after it, for writing the descriptors again at address 0 on overwritable discs.
constexpr size_t DescriptorCopyCapacity = 65537;
extern uint8_t DescriptorCopy[DescriptorCopyCapacity];
extern uint32_t DescriptorCopyLength;
// 2048 zero bytes for padding writes.
extern const uint8_t ZeroSector[SectorSize];

using TAddFileEvent = std::function<void(void* Sender, const std::string& FullPath, std::string& LongFileName,
                                         std::string& ShortFileName, TDateTime& DateTime, uint32_t Attr,
                                         int64_t FileSize, bool& Skip)>;
using TAddDirEvent = std::function<void(void* Sender, std::string& LongName, std::string& ShortName, bool& Skip)>;
// The owner's debug-message channel: (text, type). Types used here: 0 warnings,
// 1 progress, 3 capacity overflow, 4 invalid destination and session-import errors.
using TImageMessage = std::function<void(const std::string& Message, uint8_t mType)>;

// Settings of the burner component that shape the image.
struct TImageOptions {
    bool JolietFileSystem = true;
    std::string IdVolume, IdSystem, IdVolumeSet, IdPublisher, IdPreparer, IdApplication;
    std::string FileCopyright, FileAbstract, FileBibliographic;
    TDateTime DateCreation = 0, DateModification = 0;
    TDateTime DateEffective = 0, DateExpiration = 0; // kept, not written (fields read all zeros)
    // A boot image (El Torito, no emulation or diskette by size); empty for none.
    std::string BootImageFile;
    // El Torito for the command line: a BIOS image without emulation, of which the firmware
    // loads BootLoadSize sectors of 512 bytes (with BootInfoTable its copy on the disc gets
    // the boot information table), and a UEFI image. Either, both (a hybrid disc) or none;
    // a BIOS image takes the place of BootImageFile. Files that do not exist are left out.
    std::string BiosBootFile;
    uint16_t BootLoadSize = 4;
    bool BootInfoTable = false;
    std::string EfiBootFile;
    // Rock Ridge in the ISO 9660 tree: POSIX names, modes, owners, times, links. Symbolic
    // links are recorded as links unless FollowLinks.
    bool RockRidge = false;
    bool FollowLinks = false;
    // Names that differ only in case are different entries, as on POSIX file systems and in
    // Rock Ridge; otherwise they are one entry, as on Windows. Read by ClearFiles.
    bool CaseSensitiveNames = false;
};

// Results of PrepareImage. Sector numbers are absolute logical block addresses.
struct TImageLayout {
    uint32_t StartAddress = 0;         // first sector of the new session
    uint8_t DiscKind = 0;              // the disc kind read by the layout (0 when not read)
    bool Bootable = false;             // a boot image is part of this layout

    uint32_t PrimaryDescriptorLocation = 0;
    uint32_t BootRecordLocation = 0;   // with a boot image
    uint32_t JolietDescriptorLocation = 0; // with JolietFileSystem
    uint32_t TerminatorLocation = 0;

    uint32_t IsoPathTableSize = 0;     // bytes of one table (L and M are equal)
    uint32_t IsoPathTableL = 0, IsoPathTableM = 0;
    uint32_t JolietPathTableSize = 0;
    uint32_t JolietPathTableL = 0, JolietPathTableM = 0;

    uint32_t IsoDirectoryArea = 0;     // first sector of the ISO directory extents
    uint32_t JolietDirectoryArea = 0;
    uint64_t IsoDirectoryBytes = 0;    // sum of the ISO directory extent sizes
    uint64_t JolietDirectoryBytes = 0;

    uint32_t BootCatalogLocation = 0;
    uint32_t BootImageLocation = 0;    // of the default (first) boot image
    uint32_t BootImageSectors = 0;
    uint64_t BootImageSize = 0;        // bytes of its file

    // Zero sectors that fill the metadata up to sector 150: after the last boot image when
    // there is one (BootImagePaddingSectors), else after the directories
    // (HeaderPaddingSectors). Both are part of the metadata stream.
    uint32_t PaddingSectors = 0;
    uint32_t HeaderPaddingSectors = 0;
    uint32_t BootImagePaddingSectors = 0;

    uint32_t FirstFileLocation = 0;    // first sector of file data
    int64_t FileDataSectors = 0;
    int64_t VolumeSpaceSize = 0;       // one past the image's last sector, absolute
    int64_t ImageSectorCount = 0;      // VolumeSpaceSize - StartAddress: sectors to write
};

// What the layout needs from the disc; the burner component implements it over its drive.
class TImageDisc {
public:
    virtual ~TImageDisc() = default;
    // Reads (and keeps for the write thread) the kind of the disc in the drive.
    virtual uint8_t ReadDiscKind() = 0;
    // Finds the first sector of the new session. False when it could not be determined;
    // `address` then holds what was found (0 when nothing).
    virtual bool FindStartAddress(uint32_t& address) = 0;

    // What the session import reads. The defaults describe a disc without sessions.
    // Complete sessions on the disc (0 when none or when it cannot be read).
    virtual int RecordedSessionCount() { return 0; }
    // First sector and length in sectors of a track (length 0 when not known).
    virtual bool ReadTrackInformation(int track, uint32_t& start, uint32_t& sectors) {
        (void)track, (void)start, (void)sectors;
        return false;
    }
    // First sector of a complete session (that of its first track) and the sectors of all its
    // tracks. By default the session number is taken as a track number (one track per
    // session); discs of other recorders may hold several tracks in a session.
    virtual bool ReadSessionExtent(int session, uint32_t& start, uint32_t& sectors) {
        return ReadTrackInformation(session, start, sectors);
    }
    // Reads `count` sectors of 2048 bytes from `address` into `buffer`.
    virtual bool ReadSectors(uint32_t address, uint32_t count, uint8_t* buffer) {
        (void)address, (void)count, (void)buffer;
        return false;
    }
    // True when the user asked to give up what is under way (an import ends at once).
    virtual bool StopRequested() { return false; }
};

class TImageBuilder : public TImageOptions, public TImageLayout {
public:
    TImageBuilder();
    virtual ~TImageBuilder();
    TImageBuilder(const TImageBuilder&) = delete;
    TImageBuilder& operator=(const TImageBuilder&) = delete;

    // A process that ends with the builder may leave its tables to the system: freeing a
    // large tree entry by entry takes a noticeable part of the run.
    bool FreeTablesWhenDone = true;

    // ---- File tree ----
    // Frees the whole tree, empties HeaderStream, sets the capacities and creates the root.
    void ClearFiles(int MaxFiles, int MaxDirs);
    // 1 the file was found (added or not), -1 it does not exist (or is a folder),
    // 0 the destination is invalid.
    int AddFile(const std::string& DestPath, const std::string& FileName, bool KeepSourcePath);
    // Adds the files of a folder (with Recurse its subfolders too); 1 when the last item
    // handled was added, 0 otherwise. Attr: the listing attributes (63 = any).
    int AddDir(TDEntry* DestDir, const std::string& SourcePath, const std::string& Mask, int Attr, bool Recurse,
               bool KeepSourcePath, bool ArchiveOnly);
    // The directory whose Path equals the upper-cased argument ("" and "\" give the root).
    TDEntry* FindDir(const std::string& Path) const;
    // The directory for the path, creating every missing directory along it; null when a
    // component is "." or ".." or a directory cannot be created.
    TDEntry* MakeDestinationPath(const std::string& Path);
    // Removes the named entry (a subdirectory with everything below it).
    bool RemoveEntry(const std::string& DirPath, const std::string& LongName);
    // Directories other than the root; entries of the file table.
    int DirectoryCount() const;
    int FileCount() const;

    // Adds one listed file to `Dest` (shared by AddFile, AddDir and session import). With
    // `ImportedLocation` the entry points at data already on the disc. 1 added, 0 not added.
    // `Apart`: added beside an entry of a name that differs only in case, not replacing it
    // (the import keeps such names as they were).
    int AddFileEntry(TDEntry* Dest, const FileListing& Item, const std::string& FullPath,
                     std::optional<uint32_t> ImportedLocation = std::nullopt, bool Apart = false);
    // Creates (or finds) the directory `Item.Name` under `Parent`; null when refused. `Fresh`:
    // always a new directory (the import, which finds the names it took itself).
    TDEntry* CreateDirectory(TDEntry* Parent, const FileListing& Item, bool Fresh = false);

    // ---- Session import ----
    // Reads the tree of a previous session of the disc into `ImportDir` (the root when null)
    // as imported entries. Session -1 or above the number of complete sessions: the last
    // one; 0: none. True when a tree was found and read.
    bool ImportSession(int Session, TDEntry* ImportDir);
    uint16_t SessionToImport = 0;     // imported by the layout when not 0
    // What the last ImportSession took: files, folders, and entries it left out because
    // they could not be read or were damaged (each named in a type-4 message).
    int ImportedFiles = 0;
    int ImportedFolders = 0;
    int ImportLeftOut = 0;
    bool ImportInterrupted = false; // the disc asked to give up; nothing of the session was kept
    bool ImportFoundVolume = false; // a volume descriptor was found (else: no file system)

    TAddFileEvent OnAddFile;
    TAddDirEvent OnAddDir;
    bool ReplaceFile = false;         // a file of an existing long name replaces that entry
    // A file of the long name of an imported file replaces it even without ReplaceFile: the
    // new session then records the file's new version (the old data stays, unreferenced).
    bool ReplaceImported = false;
    int ReplacedImported = 0;         // imported files replaced since ClearFiles
    // A file was not added: `Existing`, a file that was not imported, has its name.
    std::function<void(const TFEntry& Existing, const std::string& FullPath)> OnNameTaken;
    // An item of the local disks was left out of the tree: a name the disc cannot hold, a
    // folder that cannot be read. `Why` says it in the user's words. When assigned, these
    // items are told here instead of the type-0 message each would get otherwise.
    std::function<void(const std::string& SourcePath, const std::string& Why)> OnLeftOut;
    bool KeepLastFolderOnly = false;  // with KeepSourcePath: keep only the last folder
    // A folder a recursive AddDir leaves without entries stays in the tree, as file systems
    // and other recorders keep it; by default it is taken out again.
    bool KeepEmptyFolders = false;

    // ---- Layout and generation ----
    // Lays the image out (names ordered, every part placed). Without NoDiscAccess and with
    // a Disc, reads the disc kind and, while WritingImage, the start address. Always true.
    bool PrepareImage(bool NoDiscAccess, TDEntry* ImportDir);
    // Writes every block of the last layout from StartAddress to FirstFileLocation (the
    // metadata, boot images and padding) into HeaderStream and fills DescriptorCopy; the
    // file data that follows is streamed from the file table. False, with GenerationError
    // saying why, when a boot image cannot be read or a writer does not write what the
    // layout reserved for it.
    bool GenerateImage(bool NoDiscAccess, TDEntry* ImportDir);
    std::string GenerationError;
    // With StreamDirectories, GenerateImage puts only the metadata before the directory
    // extents into HeaderStream; the rest of it (DeferredMetadataBytes) is made while it is
    // read, by WriteDeferredMetadata: the directory records of a large tree are never held
    // whole. WriteDeferredMetadata hands the bytes on in order through `out` (false from it
    // stops); it answers "" or why generation failed. Tables and layout must not change
    // between the two.
    bool StreamDirectories = false;
    uint64_t DeferredMetadataBytes() const { return deferredBytes_; }
    std::string WriteDeferredMetadata(const std::function<bool(const uint8_t*, size_t)>& out);

    bool WritingImage = false;        // set by recording start around its layout
    TImageDisc* Disc = nullptr;       // none: the layout runs with start address 0
    TMemoryStream HeaderStream;       // the metadata stream
    bool LastNoDiscAccess = false;    // arguments of the last generation
    TDEntry* LastImportDir = nullptr;

    // ---- Wiring to the owner ----
    void* Sender;                     // passed to the events; this builder by default
    TImageMessage ReportMessage;      // unassigned: messages are dropped
    bool* DoDebug;                    // the owner's detailed-progress switch (own flag by default)
    bool TraceLayout = false;         // emit the layout's progress lines (type 1)
    std::function<TDateTime()> Clock; // current local time; Now by default

protected:
    void Report(const std::string& text, uint8_t type) const;
    // Reports a reached capacity limit (type 3), the first time only.
    void ReportLimit(const std::string& text) const;
    // An item of the local disks (`source`) left out: to OnLeftOut when assigned, else
    // `logLine` as a type-0 message (none when empty). Without a source only the line.
    void LeaveOut(const std::string& source, const std::string& why, const std::string& logLine) const;
    // True when `folder` (listed empty) can be read; else leaves the folder `source` out.
    bool LeaveOutUnreadable(const std::string& source, const std::string& folder) const;

private:
    // Takes out the imported files below `target` whose extents overlap others; answers how many.
    int LeaveOutOverlappingFiles(TDEntry* target);
    // The boot images the options ask for whose files exist.
    std::vector<TBootImage> BootImages() const;
    void MakeWriters(std::vector<TBootImage> boot);
    bool ownDoDebug_ = false;
    TFolderWalk* walk_ = nullptr;            // of the recursive AddDir under way
    std::unique_ptr<TImageWriters> writers_; // of the last layout
    std::unique_ptr<TSystemUseHook> rockRidge_; // the entries its ISO 9660 directories carry
    size_t deferredFrom_ = 0;                // the first writer WriteDeferredMetadata runs
    uint64_t deferredBytes_ = 0;
};

} // namespace scrivo
