#include "ListingOrder.h"
#include "Files.h"
#include "Text.h"
#include <algorithm>

namespace scrivo {

namespace {

// Sorts by key, names equal once upper-cased (or made of invalid bytes) by their bytes.
template <class Key, class MakeKey> void SortByKey(std::vector<std::string>& names, MakeKey makeKey)
{
    struct Keyed {
        Key K;
        std::string Name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (std::string& n : names)
        keyed.push_back({makeKey(n), std::move(n)});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        int c = a.K.compare(b.K);
        return c != 0 ? c < 0 : a.Name < b.Name;
    });
    for (size_t i = 0; i < names.size(); ++i)
        names[i] = std::move(keyed[i].Name);
}

bool IsAscii(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

void SortByUpperName(std::vector<std::string>& names)
{
    // The key is the name in UTF-16 code units, upper-cased: the ordinal order of Windows.
    // Plain ASCII names order the same by their upper-cased bytes, which cost far less.
    if (std::all_of(names.begin(), names.end(), IsAscii))
        SortByKey<std::string>(names, [](const std::string& n) { return UpperCase(n); });
    else
        SortByKey<std::u16string>(names, [](const std::string& n) { return UpperCase16(Utf8ToUtf16(n)); });
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
