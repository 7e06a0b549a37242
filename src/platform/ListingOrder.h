// The order of POSIX listings: ordinal comparison of the upper-cased names, so that
// images made from the same folders are the same everywhere.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace scrivo {

void SortByUpperName(std::vector<std::string>& names);
// The same order as indexes into `names`.
std::vector<uint32_t> UpperNameOrder(const std::vector<std::string>& names);
// Joins a folder and a name with one separator.
std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace scrivo
