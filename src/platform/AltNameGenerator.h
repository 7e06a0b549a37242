// Hands out 8.3 alternate names unique within one folder.
#pragma once
#include <map>
#include <string>
#include <unordered_set>

namespace scrivo {

class AltNameGenerator {
public:
    // Marks a name (a valid 8.3 long name, or an alternate name the system gave) as used.
    void Take(const std::string& name);
    // A free alternate name for `longName`, marked as used.
    std::string Next(const std::string& longName);

private:
    std::unordered_set<std::string> taken_;   // upper case
    std::map<std::string, unsigned> lastTail_; // per cleaned base and extension
};

} // namespace scrivo
