// Opening and closing a drive's tray, for `scrivo eject`/`load` and `write --eject`.
#pragma once
#include "device/bvDrvLib.h"
#include <string>

namespace scrivo::cli {

// Ejects the disc of the selected drive; answers an error text, empty when it is out. A drive
// that refuses (removal prevented by some program) is left as it is.
std::string EjectDisc(TSCSIDevice& dev);

} // namespace scrivo::cli
