// The text form of one settings key on POSIX: a "[key]" header line, then one
// "name=value" line per value. Backslash escapes keep any text safe in a line:
// "\\", "\n", "\r", and "\=", "\[", "\;" (so names may hold "=" and no line can be taken
// for a header or a comment).
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace scrivo {

struct IniValues {
    std::vector<std::pair<std::string, std::string>> Items; // in file order

    // Index of the value named `name` (letter case ignored), -1 when missing.
    int Find(const std::string& name) const;
    // Replaces the value of an existing name (keeping its stored spelling) or appends.
    void Set(const std::string& name, const std::string& value);
    bool Remove(const std::string& name);

    static IniValues Parse(const std::string& text);
    std::string Format(const std::string& header) const;
};

} // namespace scrivo
