#include "bvISOLib_names.h"
#include "platform/Text.h"
#include <algorithm>
#include <charconv>

namespace scrivo {

std::string MadeUpShortName(std::string_view name) {
    std::u16string upper = UpperCase16(Utf8ToUtf16(name));
    std::string out;
    for (size_t i = 0; i < upper.size() && out.size() < 13; ++i) {
        char16_t c = upper[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < upper.size()) ++i; // one character, two units
        out += (c < u'!' || c > u'z' || c == u';' || c == u'/') ? '_' : static_cast<char>(c);
    }
    return out;
}

bool JolietForbidden(char16_t c) {
    return c < 0x20 || c == u'*' || c == u'/' || c == u':' || c == u';' || c == u'?' || c == u'\\';
}

std::u16string JolietSafeName(std::u16string name) {
    for (char16_t& c : name)
        if (JolietForbidden(c)) c = u'_';
    return name;
}

bool HasJolietForbidden(std::string_view utf8) {
    // Bytes of multi-byte UTF-8 characters are all 0x80 and above: no decoding needed.
    for (char c : utf8)
        if (static_cast<unsigned char>(c) < 0x80 && JolietForbidden(static_cast<char16_t>(c))) return true;
    return false;
}

uint32_t Utf16Length(std::string_view utf8) {
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) return static_cast<uint32_t>(Utf8ToUtf16(utf8).size());
    return static_cast<uint32_t>(utf8.size()); // ASCII: one unit per byte
}

static bool IsFileEntry(const TFEntry& e) { return e.Dir == nullptr; }

uint32_t IsoIdentifierLength(const TFEntry& e) {
    uint32_t n = static_cast<uint32_t>(e.ShortName.size()) + (IsFileEntry(e) ? 2 : 0);
    return n < MaxIsoIdentifier ? n : MaxIsoIdentifier;
}

uint32_t JolietIdentifierLength(const TFEntry& e) {
    const uint32_t name = 2 * Utf16Length(e.LongName);
    const uint32_t n = name + (IsFileEntry(e) ? 4 : 0);
    // A name cut to fit (only Rock Ridge keeps such names) loses the whole ";1".
    return n <= MaxJolietIdentifier ? n : std::min(name, MaxJolietIdentifier);
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

namespace {

enum class SortBy { Level, Parent, ParentNumber, OwnNumber };

// A sort key: a number, then a name compared byte by byte (a prefix first). This is the
// order of the text key "number with at least four digits, a space, the name" for numbers
// below 10000; above, where that text puts 10000 before 9999 and the ordering below would
// never settle, the number keeps its numeric order.
struct TSortKey {
    uint32_t Number = 0;
    std::string_view Name;
    bool operator<(const TSortKey& o) const { return Number != o.Number ? Number < o.Number : Name < o.Name; }
};

// The name a directory is ordered by in one tree's path table.
using TDirName = std::string TDEntry::*;
constexpr TDirName IsoName = &TDEntry::ShortName, JolietName = &TDEntry::LongName;

// The gap sort: halving gaps, passes repeated at each gap until one makes no exchange,
// element 0 (the root) left alone; then every element is numbered by its position.
// At one gap the passes compare and exchange only neighbours of the same chain (positions
// s, s + gap, s + 2 gap, ...), never equal keys, until the chain is in order: that is a
// stable sort of each chain, which is how it is done here, with the same result in
// O(n log n) per gap instead of a quadratic number of passes. An array in order makes no
// exchange at any gap, so the sort ends there.
// Keys are computed once per sort (they depend only on numbers given before it) and
// replaced by their ranks, equal keys by equal ranks, so the passes compare integers.
void GapSort(std::vector<TDEntry*>& a, const std::vector<uint32_t>& keys) {
    const size_t h = a.size() - 1;
    std::vector<uint32_t> at(a.size()); // at[i]: the original index of the element at i
    for (size_t i = 0; i < at.size(); ++i) at[i] = static_cast<uint32_t>(i);
    auto less = [&](uint32_t x, uint32_t y) { return keys[x] < keys[y]; };
    auto ordered = [&] {
        for (size_t i = 1; i < h; ++i)
            if (less(at[i + 1], at[i])) return false;
        return true;
    };
    std::vector<uint32_t> chain;
    for (size_t gap = h; gap > 1 && !ordered();) {
        gap /= 2;
        for (size_t start = 1; start <= gap && start + gap <= h; ++start) {
            chain.clear();
            for (size_t i = start; i <= h; i += gap) chain.push_back(at[i]);
            if (std::is_sorted(chain.begin(), chain.end(), less)) continue;
            if (chain.size() <= 16) {
                for (size_t i = 1; i < chain.size(); ++i) {
                    uint32_t x = chain[i];
                    size_t j = i;
                    for (; j > 0 && less(x, chain[j - 1]); --j) chain[j] = chain[j - 1];
                    chain[j] = x;
                }
            } else {
                std::stable_sort(chain.begin(), chain.end(), less);
            }
            for (size_t k = 0, i = start; k < chain.size(); ++k, i += gap) at[i] = chain[k];
        }
    }
    std::vector<TDEntry*> before(a);
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = before[at[i]];
        a[i]->Number = static_cast<uint32_t>(i + 1);
    }
}

void Sort(std::vector<TDEntry*>& a, SortBy by, TDirName name) {
    if (a.empty()) return;
    std::vector<uint32_t> ranks(a.size());
    if (by == SortBy::ParentNumber || by == SortBy::OwnNumber) {
        for (size_t i = 1; i < a.size(); ++i) ranks[i] = by == SortBy::OwnNumber ? a[i]->Number : a[i]->Parent->Number;
    } else {
        std::vector<std::pair<TSortKey, uint32_t>> keys;
        keys.reserve(a.size());
        for (size_t i = 1; i < a.size(); ++i) {
            const TDEntry* d = a[i];
            keys.push_back({{by == SortBy::Level ? d->Level : d->Parent->Number, d->*name},
                            static_cast<uint32_t>(i)});
        }
        std::sort(keys.begin(), keys.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
        uint32_t rank = 0;
        for (size_t k = 0; k < keys.size(); ++k) {
            if (k > 0 && keys[k - 1].first < keys[k].first) ++rank;
            ranks[keys[k].second] = rank;
        }
    }
    GapSort(a, ranks);
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
    Sort(t.IsoDirs, SortBy::Level, IsoName);
    Sort(t.IsoDirs, SortBy::Parent, IsoName);
    Sort(t.JolietDirs, SortBy::Level, JolietName);
    Sort(t.JolietDirs, SortBy::Parent, JolietName);
    // Each round settles at least one more level of the tree, so the rounds are bounded by
    // the directory count; the bound only guards against a tree that is not a tree.
    size_t rounds = t.Dirs.size() + 2;
    for (;;) {
        do {
            Sort(t.IsoDirs, SortBy::ParentNumber, IsoName);
            Sort(t.IsoDirs, SortBy::Parent, IsoName);
        } while (!Ordered(t.IsoDirs, 1) && --rounds > 0);
        Sort(t.JolietDirs, SortBy::OwnNumber, JolietName);
        Sort(t.JolietDirs, SortBy::ParentNumber, JolietName);
        if (Ordered(t.JolietDirs, 0) || rounds == 0 || --rounds == 0) break;
    }
}

} // namespace scrivo
