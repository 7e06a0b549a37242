// Name masks and attribute filters as the Windows file listing applies them.
#include "Files.h"
#include "Text.h"

namespace scrivo {

namespace {

// Glob match over UTF-16 code units ("?" is one unit, as on Windows).
bool Glob(const std::u16string& n, const std::u16string& m)
{
    size_t i = 0, j = 0, starJ = std::u16string::npos, starI = 0;
    while (i < n.size()) {
        if (j < m.size() && (m[j] == u'?' || m[j] == n[i])) {
            ++i;
            ++j;
        } else if (j < m.size() && m[j] == u'*') {
            starJ = j++;
            starI = i;
        } else if (starJ != std::u16string::npos) {
            j = starJ + 1;
            i = ++starI;
        } else {
            return false;
        }
    }
    while (j < m.size() && m[j] == u'*')
        ++j;
    return j == m.size();
}

} // namespace

bool MatchesMask(const std::string& name, const std::string& mask)
{
    if (mask == "*.*" || mask == "*")
        return true; // every name; a whole tree is listed with it, name by name
    std::u16string n = UpperCase16(Utf8ToUtf16(name));
    std::u16string m = UpperCase16(Utf8ToUtf16(mask.empty() ? "*" : mask));
    if (Glob(n, m))
        return true;
    bool noDot = n.find(u'.') == std::u16string::npos;
    if (m.size() >= 2 && m.compare(m.size() - 2, 2, u".*") == 0)
        return noDot && Glob(n, m.substr(0, m.size() - 2));
    if (m.size() >= 1 && m.back() == u'.')
        return noDot && Glob(n, m.substr(0, m.size() - 1));
    return false;
}

bool AttrWanted(uint32_t entryAttr, uint32_t wanted)
{
    uint32_t excluded = ~wanted & (faHidden | faSysFile | faDirectory);
    return (entryAttr & excluded) == 0;
}

} // namespace scrivo
