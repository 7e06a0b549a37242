// The directory side of the tree: clearing, lookup, creation and removal.
#include "bvISOLib_names.h"
#include "bvISOLib_tree.h"
#include "platform/Text.h"
#include <algorithm>
#include <unordered_set>

namespace scrivo {

void TImageBuilder::ClearFiles(int MaxFiles, int MaxDirs) {
    TFileTables& t = FileTables();
    FreeTables(t);
    HeaderStream.Clear();
    ReplacedImported = 0;
    t.MaxFiles = MaxFiles < 0 ? 0 : MaxFiles;
    t.MaxDirs = MaxDirs < 1 ? 1 : MaxDirs;
    t.LimitReported = false;
    // A limit may be far above what is ever added (the command line sets none for files):
    // the tables grow as needed beyond a first reservation.
    constexpr int MaxReserved = 1 << 16;
    for (auto* v : {&t.Dirs, &t.IsoDirs, &t.JolietDirs}) {
        v->shrink_to_fit();
        v->reserve(static_cast<size_t>(std::min(t.MaxDirs, MaxReserved)));
    }
    t.Files.shrink_to_fit();
    t.Files.reserve(static_cast<size_t>(std::min(t.MaxFiles, MaxReserved)));

    auto* root = new TDEntry;
    root->ShortName = "CD_ROOT";
    root->LongName = "CD Root Directory";
    root->Path = "\\";
    root->Level = 1;
    root->Number = 1;
    root->Parent = root;
    t.Dirs.push_back(root);
    t.IsoDirs.push_back(root);
    t.JolietDirs.push_back(root);
    t.PathIndex.emplace(root->Path, root);

    t.TimeZoneOffset = static_cast<int8_t>(-StandardBiasMinutes() / 15);
    t.CaseSensitive = CaseSensitiveNames;
}

TDEntry* TImageBuilder::FindDir(const std::string& Path) const {
    const TFileTables& t = FileTables();
    std::string p = NameKey(Path);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    if (p.empty()) return t.Root();
    auto it = t.PathIndex.find(p);
    return it == t.PathIndex.end() ? nullptr : it->second;
}

int TImageBuilder::DirectoryCount() const {
    const TFileTables& t = FileTables();
    return t.Dirs.empty() ? 0 : static_cast<int>(t.Dirs.size()) - 1;
}

int TImageBuilder::FileCount() const { return static_cast<int>(FileTables().Files.size()); }

TDEntry* TImageBuilder::CreateDirectory(TDEntry* Parent, const FileListing& Item, bool Fresh) {
    TFileTables& t = FileTables();
    std::string path = (Parent == t.Root() ? std::string() : Parent->Path) + "\\" + NameKey(Item.Name);
    if (TDEntry* found = Fresh ? nullptr : FindDir(path)) return found;

    std::string shortName = Item.AltName.empty() ? UpperCase(Item.Name) : Item.AltName;
    if (RockRidge ? Item.Name.size() > MaxPosixName : !NamesFitRecords(shortName, Item.Name, false)) {
        // A listener of left-out items hears of it from the caller, who knows the source.
        if (!OnLeftOut)
            Report(">>> SKIPPING FOLDER " + path +
                       ": NAME TOO LONG FOR A DIRECTORY RECORD (AT MOST 110 CHARACTERS FOR JOLIET)",
                   0);
        return nullptr;
    }
    if (static_cast<int>(t.Dirs.size()) >= t.MaxDirs) {
        ReportLimit(">>> MAXIMUM DIRECTORIES CAN BE " + std::to_string(t.MaxDirs));
        return nullptr;
    }
    if (static_cast<int>(t.Files.size()) >= t.MaxFiles) {
        ReportLimit("MAXIMUM FILES CAN BE " + std::to_string(t.MaxFiles));
        return nullptr;
    }

    auto* d = new TDEntry;
    TFEntry* e = t.Entries.New();
    d->ShortName = e->ShortName = shortName;
    d->LongName = e->LongName = Item.Name;
    d->Path = path;
    d->Parent = Parent;
    d->Level = static_cast<uint16_t>(Parent->Level + 1);
    e->Attr = Item.Attr;
    SetPosix(*e, RockRidge ? MakePosixEntry(t, Item, false) : nullptr);
    e->Dir = d;
    e->DateTime = d->DateTime = Item.TimeValid ? Item.Time : Clock();
    AppendEntry(Parent, e);

    t.Dirs.push_back(d);
    t.IsoDirs.push_back(d);
    t.JolietDirs.push_back(d);
    t.Files.push_back(e);
    t.PathIndex.emplace(path, d);
    return d;
}

TDEntry* TImageBuilder::MakeDestinationPath(const std::string& Path) {
    if (TDEntry* found = FindDir(Path)) return found;
    std::string p = Path;
    while (!p.empty() && p.back() == '\\') p.pop_back();
    if (p.empty()) return FileTables().Root();
    size_t cut = p.rfind('\\');
    std::string head = cut == std::string::npos ? std::string() : p.substr(0, cut);
    std::string name = cut == std::string::npos ? p : p.substr(cut + 1);
    // "." and ".." would be folders readers take for this one or its parent.
    if (name == "." || name == "..") return nullptr;
    TDEntry* parent = head.empty() ? FileTables().Root() : MakeDestinationPath(head);
    if (!parent) return nullptr;
    FileListing item;
    item.Name = name;
    item.AltName = MadeUpShortName(name);
    item.Attr = faDirectory;
    item.Time = Clock();
    item.TimeValid = true;
    return CreateDirectory(parent, item);
}

namespace {

void CollectBelow(TDEntry* d, std::vector<TFEntry*>& files, std::vector<TDEntry*>& dirs) {
    dirs.push_back(d);
    for (TFEntry* p = d->FirstEntry; p; p = p->Next) {
        files.push_back(p);
        if (p->Dir) CollectBelow(p->Dir, files, dirs);
    }
}

// Takes the pointers out keeping the order of the rest. Removing a few records looks
// from the end, where the records just added (pruned empty folders) are.
template <class T>
void EraseAll(std::vector<T*>& v, const std::vector<T*>& dead) {
    if (dead.size() <= 4) {
        for (T* x : dead) {
            for (size_t i = v.size(); i-- > 0;) {
                if (v[i] == x) {
                    v.erase(v.begin() + static_cast<std::ptrdiff_t>(i));
                    break;
                }
            }
        }
        return;
    }
    std::unordered_set<T*> gone(dead.begin(), dead.end());
    std::erase_if(v, [&](T* x) { return gone.count(x) != 0; });
}

} // namespace

void RemoveListed(TFileTables& t, TDEntry* d, TFEntry* e) {
    UnlinkEntry(d, e);
    std::vector<TFEntry*> files{e};
    std::vector<TDEntry*> dirs;
    if (e->Dir) CollectBelow(e->Dir, files, dirs);
    EraseAll(t.Files, files);
    EraseAll(t.Dirs, dirs);
    EraseAll(t.IsoDirs, dirs);
    EraseAll(t.JolietDirs, dirs);
    for (TDEntry* x : dirs) {
        auto it = t.PathIndex.find(x->Path);
        if (it != t.PathIndex.end() && it->second == x) t.PathIndex.erase(it);
        delete x;
    }
    for (TFEntry* x : files)
        t.Entries.Delete(x);
}

bool TImageBuilder::RemoveEntry(const std::string& DirPath, const std::string& LongName) {
    TDEntry* d = FindDir(DirPath);
    if (!d) return false;
    TFEntry* e = FindEntry(d, LongName);
    if (!e) return false;
    RemoveListed(FileTables(), d, e);
    return true;
}

} // namespace scrivo
