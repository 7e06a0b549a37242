#include "ListingOrder.h"
#include "Files.h"
#include "Text.h"
#include <algorithm>

namespace scrivo {

void SortByUpperName(std::vector<std::string>& names)
{
    struct Keyed {
        std::u16string Key; // UTF-16 code units, the ordinal order of Windows
        std::string Name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (std::string& n : names)
        keyed.push_back({UpperCase16(Utf8ToUtf16(n)), std::move(n)});
    // Names equal once upper-cased (or made of invalid bytes) fall back to their bytes.
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        int c = a.Key.compare(b.Key);
        return c != 0 ? c < 0 : a.Name < b.Name;
    });
    for (size_t i = 0; i < names.size(); ++i)
        names[i] = std::move(keyed[i].Name);
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
