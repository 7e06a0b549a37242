// A form as text, for a terminal front end: the caption, then every control on screen in
// the order the form created them, one a line.
#pragma once
#include "host/ui/Form.h"

namespace scrivo {

// One line for a control ("[Finish]", "[x] Joliet File System", "cbDrives: E: VENDOR",
// "pbrWriteCD: 120/3000"); empty for controls that show nothing by themselves.
std::string ControlText(TControl& control);
std::string FormText(TForm& form);

} // namespace scrivo
