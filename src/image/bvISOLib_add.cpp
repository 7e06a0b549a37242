// Adding files and folders of the local disks to the tree.
#include "bvISOLib_names.h"
#include "bvISOLib_tree.h"
#include "platform/FolderAccess.h"
#include "platform/FolderWalk.h"
#include "platform/Text.h"
#include <cstring>

namespace scrivo {

namespace {

bool TablesFull(const TFileTables& t) {
    return static_cast<int>(t.Files.size()) >= t.MaxFiles || static_cast<int>(t.Dirs.size()) >= t.MaxDirs;
}

// The disc path ("\"-separated, leading "\") that keeps a local folder's path. A Windows
// network path loses its server and share, a drive path its drive (always for files,
// only when the second character is ":" for folders). A POSIX path keeps its text.
std::string DiscPathOfSource(std::string s, bool dropDrive) {
    if constexpr (PathDelim == '\\') {
        if (s.size() >= 2 && s[0] == '\\' && s[1] == '\\') {
            size_t server = s.find('\\', 2);
            size_t share = server == std::string::npos ? server : s.find('\\', server + 1);
            s = share == std::string::npos ? std::string() : s.substr(share);
        } else if (dropDrive || (s.size() >= 2 && s[1] == ':')) {
            s = s.size() >= 2 ? s.substr(2) : std::string();
        }
    } else {
        (void)dropDrive;
        for (char& c : s)
            if (c == PathDelim) c = '\\';
    }
    if (s.empty() || s[0] != '\\') s.insert(s.begin(), '\\');
    return s;
}

// \A\B\C\ becomes \C\.
std::string LastFolderOnly(std::string p) {
    while (!p.empty() && p.back() == '\\') p.pop_back();
    size_t cut = p.rfind('\\');
    std::string last = cut == std::string::npos ? p : p.substr(cut + 1);
    return last.empty() ? std::string("\\") : "\\" + last + "\\";
}

// The folder that keeps a source path on the disc, made as needed; null when it cannot be.
TDEntry* KeptFolder(TImageBuilder& b, std::string path) {
    if (b.KeepLastFolderOnly) path = LastFolderOnly(path);
    b.MakeDestinationPath(path);
    return b.FindDir(path);
}

// Fifos, sockets and devices: reading them would hang or make no sense.
bool IsSpecial(const FileListing& item) {
    const uint32_t type = item.Posix.Mode & PosixTypeMask;
    return type == PosixFifo || type == PosixSocket || type == PosixCharDevice || type == PosixBlockDevice;
}

} // namespace

TPosixEntry* MakePosixEntry(TFileTables& t, const FileListing& item, bool dotAdded) {
    const PosixFacts& f = item.Posix;
    if (f.Mode == 0) return nullptr;
    TPosixEntry& p = t.PosixFacts.emplace_back();
    p.Mode = f.Mode;
    p.Uid = f.Uid;
    p.Gid = f.Gid;
    p.DotAdded = dotAdded;
    p.ModifyTime = f.ModifyTime;
    p.AccessTime = f.AccessTime;
    p.ChangeTime = f.ChangeTime;
    const uint32_t type = f.Mode & PosixTypeMask;
    if (type == PosixSymlink) {
        t.LinkTargets.push_back(item.LinkTarget);
        p.LinkTarget = static_cast<uint32_t>(t.LinkTargets.size());
    } else if (type == PosixRegular && f.Links > 1) {
        const auto next = static_cast<uint32_t>(t.HardLinks.size() + 1);
        p.Identity = t.HardLinks.emplace(std::make_pair(f.Device, f.Inode), next).first->second;
        t.LinkGroups.resize(t.HardLinks.size());
    }
    return &p;
}

bool TImageBuilder::LeaveOutUnreadable(const std::string& source, const std::string& folder) const {
    const std::string why = FolderUnreadable(folder);
    if (why.empty()) return true;
    LeaveOut(source, "the folder cannot be read (" + why + ")",
             ">>> SKIPPING FOLDER " + source + ": CANNOT BE READ (" + why + ")");
    return false;
}

int TImageBuilder::AddFileEntry(TDEntry* Dest, const FileListing& Item, const std::string& FullPath,
                                std::optional<uint32_t> ImportedLocation, bool Apart) {
    TFileTables& t = FileTables();
    std::string longName = Item.Name;
    const bool dotAdded = !(Item.Attr & faDirectory) && longName.find('.') == std::string::npos;
    if (dotAdded) longName += '.';
    std::string key = NameKey(longName); // the upper-cased long name
    TFEntry* existing = Apart ? nullptr : FindEntryByKey(Dest, key);

    std::string shortFileName = Item.AltName.empty() ? key : Item.AltName.substr(0, 13);
    std::string longFileName = longName;
    TDateTime dateTime = Item.TimeValid ? Item.Time : Clock();
    // With Rock Ridge the Joliet name may be cut: the whole name is in the ISO 9660 tree.
    bool skip = RockRidge ? Item.Name.size() > MaxPosixName : Utf16Length(longName) >= 110;
    if (OnAddFile)
        OnAddFile(Sender, FullPath, longFileName, shortFileName, dateTime, Item.Attr, static_cast<int64_t>(Item.Size),
                  skip);
    if (skip) {
        // A handler that skips says why itself.
        if (!OnAddFile)
            LeaveOut(FullPath, "its name has " + std::to_string(Utf16Length(longName)) +
                                   " characters, too many for the disc (at most 109)", "");
        return 0;
    }

    std::string shortName = UpperCase(shortFileName);
    if (!NamesFitRecords(shortName, RockRidge ? std::string() : longFileName, true)) {
        LeaveOut(FullPath, "its name is too long for a directory record (at most 108 characters with Joliet)",
                 ">>> SKIPPING FILE " + (FullPath.empty() ? longFileName : FullPath) +
                     ": NAME TOO LONG FOR A DIRECTORY RECORD (AT MOST 108 CHARACTERS FOR JOLIET)");
        return 0;
    }

    TFEntry* e = existing;
    if (e) {
        const bool updatesImported = e->Imported && !e->Dir && !ImportedLocation;
        if (!ReplaceFile && !(ReplaceImported && updatesImported)) {
            if (OnNameTaken && !e->Dir && !e->Imported) OnNameTaken(*e, FullPath);
            return 0;
        }
        if (e->Dir) {
            // Reusing a folder's entry for a file would orphan the folder.
            LeaveOut(FullPath, "a folder of that name is on the disc",
                     ">>> SKIPPING FILE " + (FullPath.empty() ? longFileName : FullPath) +
                         ": A FOLDER OF THAT NAME EXISTS");
            return 0;
        }
        RenameEntry(Dest, e, longFileName);
        if (updatesImported) ++ReplacedImported;
    } else {
        if (static_cast<int>(t.Files.size()) >= t.MaxFiles) {
            ReportLimit("MAXIMUM FILES CAN BE " + std::to_string(t.MaxFiles));
            return 0;
        }
        e = t.Entries.New();
        e->LongName = longFileName;
        if (longFileName == longName)
            AppendEntry(Dest, e, std::move(key));
        else
            AppendEntry(Dest, e);
        t.Files.push_back(e);
    }
    e->ShortName = std::move(shortName);
    e->IsoSize = e->JolietSize = Item.Size;
    e->Attr = Item.Attr;
    SetPosix(*e, RockRidge ? MakePosixEntry(t, Item, dotAdded && longFileName == longName) : nullptr);
    e->DateTime = dateTime;
    e->DateUnspecified = false; // an imported entry replaced: the new file's own date
    e->RecordedZone = TFEntry::TablesZone;
    e->Source = t.Sources.Keep(FullPath);
    e->Imported = ImportedLocation.has_value();
    e->IsoLocation = e->JolietLocation = ImportedLocation.value_or(0);
    return 1;
}

int TImageBuilder::AddFile(const std::string& DestPath, const std::string& FileName, bool KeepSourcePath) {
    TDEntry* dest;
    if (!KeepSourcePath) {
        dest = FindDir(DestPath);
    } else {
        size_t cut = FileName.rfind(PathDelim);
        dest = KeptFolder(*this, DiscPathOfSource(cut == std::string::npos ? "" : FileName.substr(0, cut + 1), true));
    }
    if (!dest) {
        Report("INVALID DESTINATION PATH", 4);
        return 0;
    }
    FileListing item;
    if (!FindFile(FileName, item) || (item.Attr & faDirectory)) return -1;
    AddFileEntry(dest, item, FileName);
    return 1;
}

int TImageBuilder::AddDir(TDEntry* DestDir, const std::string& SourcePath, const std::string& Mask, int Attr,
                          bool Recurse, bool KeepSourcePath, bool ArchiveOnly) {
    TFileTables& t = FileTables();
    TDEntry* dest = DestDir ? DestDir : t.Root();
    if (dest && KeepSourcePath) {
        std::string path = DiscPathOfSource(SourcePath, false);
        dest = KeptFolder(*this, dest == t.Root() ? path : dest->Path + path);
    }
    if (!dest) {
        Report("INVALID DESTINATION PATH", 4);
        return 0;
    }
    std::string folder = SourcePath;
    if (folder.empty() || folder.back() != PathDelim) folder += PathDelim;
    const std::string mask = Mask.empty() ? "*.*" : Mask;
    const ListingMode mode = !RockRidge    ? ListingMode::Files
                             : FollowLinks ? ListingMode::PosixFollowLinks
                                           : ListingMode::Posix;
    const uint32_t attr = static_cast<uint32_t>(Attr);
    int result = 0;

    std::vector<FileListing> all;
    if (Recurse) {
        // The walk below the first folder reads ahead while the tree is built.
        std::optional<TFolderWalk> ownWalk;
        if (!walk_) walk_ = &ownWalk.emplace(folder, mode);
        struct EndWalk {
            TFolderWalk*& walk;
            bool own;
            ~EndWalk() {
                if (own) walk = nullptr;
            }
        } endWalk{walk_, ownWalk.has_value()};
        all = walk_->List(folder);
        if (all.empty() && !LeaveOutUnreadable(SourcePath, folder)) return 0;
        for (const FileListing& sub : all) {
            if (!(sub.Attr & faDirectory)) continue;
            FileListing item = sub;
            if (item.AltName.empty()) item.AltName = UpperCase(item.Name);
            bool skip = false;
            if (OnAddDir) OnAddDir(Sender, item.Name, item.AltName, skip);
            if (skip) continue;
            TDEntry* d = CreateDirectory(dest, item);
            if (!d) {
                if (TablesFull(t)) return 0;
                // A name that cannot be recorded: that folder is left out.
                LeaveOut(folder + sub.Name,
                         "its name is too long for a directory record (at most 110 characters with Joliet)", "");
                continue;
            }
            result = AddDir(d, folder + sub.Name, mask, Attr, Recurse, false, ArchiveOnly);
            // A folder that could not be read was left out (and named), even where empty
            // folders stay.
            if (!d->FirstEntry &&
                (!KeepEmptyFolders || !FolderUnreadable(folder + sub.Name + PathDelim).empty())) {
                if (TFEntry* e = EntryOfDir(d)) RemoveListed(t, dest, e);
            }
            // Only a full tree ends the walk; a folder whose last file was refused does not.
            if (result == 0 && TablesFull(t)) return 0;
        }
    }

    const bool reuse = Recurse && mask == "*.*" && (attr & faAnyFile) == faAnyFile;
    std::vector<FileListing> listed = reuse ? std::move(all) : ListDirectory(folder, mask, attr, mode);
    if (!Recurse && listed.empty() && !LeaveOutUnreadable(SourcePath, folder)) return 0;
    std::string path; // one buffer for the files' paths
    for (const FileListing& item : listed) {
        if (item.Attr & faDirectory) continue;
        if (ArchiveOnly && !(item.Attr & faArchive)) continue;
        if (IsSpecial(item)) { // named, but not a reason to fail: there is nothing to record
            Report(">>> SKIPPING " + folder + item.Name + ": A FIFO, SOCKET OR DEVICE IS NO FILE", 0);
            continue;
        }
        path.assign(folder).append(item.Name);
        result = AddFileEntry(dest, item, path);
    }
    return result;
}

} // namespace scrivo
