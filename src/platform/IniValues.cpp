#include "IniValues.h"
#include "Text.h"

namespace scrivo {

namespace {

std::string Escape(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '=': out += "\\="; break;
        case '[': out += "\\["; break;
        case ';': out += "\\;"; break;
        default: out += c;
        }
    }
    return out;
}

// Unescapes `line` from `pos`; stops at an unescaped '=' when `stopAtEquals` and leaves
// `pos` on it.
std::string Unescape(const std::string& line, size_t& pos, bool stopAtEquals)
{
    std::string out;
    while (pos < line.size()) {
        char c = line[pos];
        if (c == '=' && stopAtEquals)
            break;
        ++pos;
        if (c != '\\' || pos == line.size()) {
            out += c;
            continue;
        }
        char e = line[pos++];
        out += e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    }
    return out;
}

} // namespace

int IniValues::Find(const std::string& name) const
{
    for (size_t i = 0; i < Items.size(); ++i)
        if (SameText(Items[i].first, name))
            return static_cast<int>(i);
    return -1;
}

void IniValues::Set(const std::string& name, const std::string& value)
{
    int i = Find(name);
    if (i >= 0)
        Items[i].second = value;
    else
        Items.emplace_back(name, value);
}

bool IniValues::Remove(const std::string& name)
{
    int i = Find(name);
    if (i < 0)
        return false;
    Items.erase(Items.begin() + i);
    return true;
}

IniValues IniValues::Parse(const std::string& text)
{
    IniValues v;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '[' || line[0] == ';')
            continue;
        size_t pos = 0;
        std::string name = Unescape(line, pos, true);
        if (pos >= line.size())
            continue; // no '=': not a value line
        ++pos;
        std::string value = Unescape(line, pos, false);
        v.Set(name, value);
    }
    return v;
}

std::string IniValues::Format(const std::string& header) const
{
    std::string out = "[" + Escape(header) + "]\n";
    for (const auto& [name, value] : Items)
        out += Escape(name) + "=" + Escape(value) + "\n";
    return out;
}

} // namespace scrivo
