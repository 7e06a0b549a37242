#include "bvISOLib_names.h"
#include "platform/Text.h"
#include <charconv>

namespace scrivo {

std::string MadeUpShortName(std::string_view name) {
    std::u16string upper = UpperCase16(Utf8ToUtf16(name));
    std::string out;
    for (size_t i = 0; i < upper.size() && out.size() < 13; ++i) {
        char16_t c = upper[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < upper.size()) ++i; // one character, two units
        out += (c < u'!' || c > u'z') ? '_' : static_cast<char>(c);
    }
    return out;
}

uint32_t Utf16Length(std::string_view utf8) {
    return static_cast<uint32_t>(Utf8ToUtf16(utf8).size());
}

static bool IsFileEntry(const TFEntry& e) { return e.Dir == nullptr; }

uint32_t IsoIdentifierLength(const TFEntry& e) {
    uint32_t n = static_cast<uint32_t>(e.ShortName.size()) + (IsFileEntry(e) ? 2 : 0);
    return n < MaxIsoIdentifier ? n : MaxIsoIdentifier;
}

uint32_t JolietIdentifierLength(const TFEntry& e) {
    uint32_t n = 2 * (Utf16Length(e.LongName) + (IsFileEntry(e) ? 2 : 0));
    return n < MaxJolietIdentifier ? n : MaxJolietIdentifier;
}

bool NamesFitRecords(const std::string& shortName, const std::string& longName, bool isFile) {
    uint32_t suffix = isFile ? 2 : 0;
    return DirRecordLength(static_cast<uint32_t>(shortName.size()) + suffix) <= MaxDirRecordLength &&
           DirRecordLength(2 * (Utf16Length(longName) + suffix)) <= MaxDirRecordLength;
}

uint32_t ExtentCount(const TFEntry& e) {
    if (!IsFileEntry(e) || e.IsoSize <= MaxExtentBytes) return 1;
    return static_cast<uint32_t>((e.IsoSize + MaxExtentBytes - 1) / MaxExtentBytes);
}

std::string SortKey(uint32_t number, const std::string& name) {
    char digits[16];
    auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    size_t n = static_cast<size_t>(end - digits);
    std::string key;
    key.reserve((n < 4 ? 4 : n) + 1 + name.size());
    if (n < 4) key.append(4 - n, '0');
    key.append(digits, n);
    key += ' ';
    key += name;
    return key;
}

namespace {

enum class SortBy { Level, Parent, ParentNumber, OwnNumber };

const std::string& NameOf(const TDEntry* d, bool joliet) { return joliet ? d->LongName : d->ShortName; }

// The gap sort: halving gaps, passes repeated at each gap until one makes no exchange,
// element 0 (the root) left alone; then every element is numbered by its position.
// Keys are computed once per sort: they depend only on numbers given before it.
template <class Key>
void GapSort(std::vector<TDEntry*>& a, std::vector<Key>& keys) {
    size_t h = a.size() - 1;
    size_t gap = h;
    while (gap > 1) {
        gap /= 2;
        bool exchanged;
        do {
            exchanged = false;
            for (size_t i = 1; i + gap <= h; ++i) {
                if (keys[i + gap] < keys[i]) {
                    std::swap(keys[i], keys[i + gap]);
                    std::swap(a[i], a[i + gap]);
                    exchanged = true;
                }
            }
        } while (exchanged);
    }
    for (size_t i = 0; i < a.size(); ++i) a[i]->Number = static_cast<uint32_t>(i + 1);
}

void Sort(std::vector<TDEntry*>& a, SortBy by, bool joliet) {
    if (a.empty()) return;
    if (by == SortBy::Level || by == SortBy::Parent) {
        std::vector<std::string> keys(a.size());
        for (size_t i = 1; i < a.size(); ++i) {
            uint32_t n = by == SortBy::Level ? a[i]->Level : a[i]->Parent->Number;
            keys[i] = SortKey(n, NameOf(a[i], joliet));
        }
        GapSort(a, keys);
    } else {
        std::vector<uint32_t> keys(a.size());
        for (size_t i = 1; i < a.size(); ++i)
            keys[i] = by == SortBy::ParentNumber ? a[i]->Parent->Number : a[i]->Number;
        GapSort(a, keys);
    }
}

// Parent numbers and numbers never decrease from element `from` on.
bool Ordered(const std::vector<TDEntry*>& a, size_t from) {
    for (size_t i = from + 1; i < a.size(); ++i) {
        if (a[i]->Parent->Number < a[i - 1]->Parent->Number) return false;
        if (a[i]->Number < a[i - 1]->Number) return false;
    }
    return true;
}

} // namespace

void OrderDirectories(TFileTables& t) {
    Sort(t.IsoDirs, SortBy::Level, false);
    Sort(t.IsoDirs, SortBy::Parent, false);
    Sort(t.JolietDirs, SortBy::Level, true);
    Sort(t.JolietDirs, SortBy::Parent, true);
    // Each round settles at least one more level of the tree, so the rounds are bounded by
    // the directory count; the bound only guards against a tree that is not a tree.
    size_t rounds = t.Dirs.size() + 2;
    for (;;) {
        do {
            Sort(t.IsoDirs, SortBy::ParentNumber, false);
            Sort(t.IsoDirs, SortBy::Parent, false);
        } while (!Ordered(t.IsoDirs, 1) && --rounds > 0);
        Sort(t.JolietDirs, SortBy::OwnNumber, true);
        Sort(t.JolietDirs, SortBy::ParentNumber, true);
        if (Ordered(t.JolietDirs, 0) || rounds == 0 || --rounds == 0) break;
    }
}

} // namespace scrivo
