// The state file of a disc: "key=value" lines, one "track=" line per track.
#pragma once
#include <string>

#include "Disc.h"

namespace scrivo::vrecorder {

std::string SerializeDisc(const Disc& d);
// False when the text is not a state file this version understands.
bool ParseDisc(const std::string& text, Disc& d);
// The JSON that `vrecorder show` prints.
std::string DiscJson(const Disc& d);

}  // namespace scrivo::vrecorder
