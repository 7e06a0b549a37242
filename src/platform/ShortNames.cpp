// 8.3 alternate names in the Windows style: the cleaned-up base cut to leave room for
// "~N", then the first three characters of the extension, all upper case.
#include "AltNameGenerator.h"
#include "Files.h"
#include "Text.h"
#include "Utf8Decode.h"
#include <cstring>
#include <algorithm>

namespace scrivo {

namespace {

bool Valid83Char(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c && std::strchr("!#$%&'()-@^_`{}~", c));
}

// The part of a long name as 8.3 characters: blanks and dots dropped, lower case raised,
// everything a short name cannot hold turned into "_".
std::string Clean(std::string_view part)
{
    std::string out;
    size_t i = 0;
    while (i < part.size()) {
        Utf8Char c = DecodeUtf8(part, i);
        i += c.Length;
        char32_t cp = c.Valid ? c.CodePoint : 0xFFFD;
        if (cp == ' ' || cp == '.')
            continue;
        if (cp < 0x10000)
            cp = UpperChar(static_cast<char16_t>(cp));
        out += cp < 0x80 && Valid83Char(static_cast<char>(cp)) ? static_cast<char>(cp) : '_';
    }
    return out;
}

} // namespace

void AltNameGenerator::Take(const std::string& name) { taken_.insert(UpperCase(name)); }

std::string AltNameGenerator::Next(const std::string& longName)
{
    std::string upper = UpperCase(longName);
    if (IsValid83Name(upper) && taken_.insert(upper).second)
        return upper;
    // Leading dots do not start an extension (".profile" is PROFILE~1).
    std::string_view name(longName);
    name.remove_prefix(std::min(name.find_first_not_of('.'), name.size()));
    size_t dot = name.rfind('.');
    std::string base = Clean(name.substr(0, dot)).substr(0, 8);
    std::string ext = dot == std::string_view::npos ? "" : Clean(name.substr(dot + 1)).substr(0, 3);
    if (base.empty())
        base = "_";
    // Names with the same base and extension continue where the last one stopped.
    unsigned& n = lastTail_[base + "." + ext];
    for (;;) {
        std::string tail = "~" + std::to_string(++n);
        std::string candidate = base.substr(0, 8 - std::min<size_t>(tail.size(), 8)) + tail;
        if (!ext.empty())
            candidate += "." + ext;
        if (taken_.insert(candidate).second)
            return candidate;
    }
}

bool IsValid83Name(const std::string& name)
{
    size_t dot = name.find('.');
    size_t baseLen = dot == std::string::npos ? name.size() : dot;
    if (baseLen < 1 || baseLen > 8)
        return false;
    if (dot != std::string::npos) {
        size_t extLen = name.size() - dot - 1;
        if (extLen < 1 || extLen > 3)
            return false;
    }
    for (size_t i = 0; i < name.size(); ++i)
        if (i != dot && !Valid83Char(name[i]))
            return false;
    return true;
}

std::string Make83Name(const std::string& longName, const std::vector<std::string>& taken)
{
    AltNameGenerator g;
    for (const std::string& t : taken)
        g.Take(t);
    return g.Next(longName);
}

std::vector<std::string> AssignAltNames(const std::vector<std::string>& names)
{
    AltNameGenerator g;
    for (const std::string& n : names)
        if (IsValid83Name(n))
            g.Take(n);
    std::vector<std::string> out;
    out.reserve(names.size());
    for (const std::string& n : names)
        out.push_back(IsValid83Name(n) ? std::string() : g.Next(n));
    return out;
}

} // namespace scrivo
