#include "Settings.h"

namespace scrivo {

std::vector<std::string> SplitKeyPath(const std::string& key)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : key) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

} // namespace scrivo
