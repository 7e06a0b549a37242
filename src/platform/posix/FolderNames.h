// The names in a folder, in listing order, and the alternate names they get there.
#pragma once
#include <string>
#include <vector>

namespace scrivo {

// "." and ".." left out; sorted by the upper-cased names. Empty when unreadable.
std::vector<std::string> ReadNames(const std::string& folder);
// The alternate name `name` has in `folder`'s listing; "" when it needs none.
std::string AltNameIn(const std::string& folder, const std::string& name);

} // namespace scrivo
