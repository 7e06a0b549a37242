// Telling a folder that is empty from one whose entries cannot be listed: the listing gives
// an empty list for both.
#pragma once
#include <string>

namespace scrivo {

// Why the entries of `folder` cannot be listed (the system's text: no permission to read
// it or to look at its entries, gone), empty when they can.
std::string FolderUnreadable(const std::string& folder);

} // namespace scrivo
