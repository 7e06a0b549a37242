// The write speed list of the wizard: filled from the drive when it is dropped down, and
// its texts turned back into KB/s for the burner.
#pragma once
#include "device/bvDrvLib.h"
#include "host/ui/ListCtrls.h"
#include "platform/Text.h"

#include <stdexcept>

namespace scrivo {

class EConvertError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// A speed item's text as KB/s: "Max" or empty gives 0; otherwise the number before the
// first "X" (in the user's number format) times 1385 for DVD kinds (4 and above), else
// times 177, rounded half to even. EConvertError when the number does not read.
int SpeedTextToKBps(const std::string& text, uint8_t kind);
int SpeedTextToKBps(const std::string& text, uint8_t kind, const FormatSettings& fs);

// cbSpeedDropDown: rebuilds the list from the drive (see WriteSpeedItems) and selects the
// previous index again when it still exists, else "Max".
void FillSpeedList(TComboBox& cbSpeed, TSCSIDevice& drive);
// GetSelectedSpeed: the selected speed in KB/s, 0 (the drive's maximum) for "Max" and for
// anything that does not read; selects "Max" when nothing is selected.
int SelectedSpeed(TComboBox& cbSpeed, uint8_t kind);
// The same with the kind of the disc in `drive`.
int SelectedSpeed(TComboBox& cbSpeed, TSCSIDevice& drive);

} // namespace scrivo
