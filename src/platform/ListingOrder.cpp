#include "ListingOrder.h"
#include "Files.h"
#include "Text.h"
#include <algorithm>

namespace scrivo {

namespace {

// The order of `names` by key, names equal once upper-cased (or made of invalid bytes) by
// their bytes.
template <class Key, class MakeKey>
std::vector<uint32_t> OrderByKey(const std::vector<std::string>& names, MakeKey makeKey) {
    struct Keyed {
        Key K;
        uint32_t At;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        keyed.push_back({makeKey(names[i]), static_cast<uint32_t>(i)});
    std::sort(keyed.begin(), keyed.end(), [&names](const Keyed& a, const Keyed& b) {
        int c = a.K.compare(b.K);
        return c != 0 ? c < 0 : names[a.At] < names[b.At];
    });
    std::vector<uint32_t> order;
    order.reserve(keyed.size());
    for (const Keyed& k : keyed)
        order.push_back(k.At);
    return order;
}

bool IsAscii(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::vector<uint32_t> UpperNameOrder(const std::vector<std::string>& names) {
    // The key is the name in UTF-16 code units, upper-cased: the ordinal order of Windows.
    // Plain ASCII names order the same by their upper-cased bytes, which cost far less.
    if (std::all_of(names.begin(), names.end(), IsAscii))
        return OrderByKey<std::string>(names, [](const std::string& n) { return UpperCase(n); });
    return OrderByKey<std::u16string>(names,
                                      [](const std::string& n) { return UpperCase16(Utf8ToUtf16(n)); });
}

void SortByUpperName(std::vector<std::string>& names) {
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (uint32_t i : UpperNameOrder(names))
        sorted.push_back(std::move(names[i]));
    names = std::move(sorted);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    char last = folder.back();
    bool hasDelim = last == PathDelim || last == '/';
    return hasDelim ? folder + name : folder + PathDelim + name;
}

} // namespace scrivo
