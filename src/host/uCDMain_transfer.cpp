#include "uCDMain.h"

namespace scrivo {

void TfrmCDMain::AddFilesToBurner() {} // filled by the burn run
void TfrmCDMain::brenvikAddFile(void*, const std::string&, std::string&, std::string&, TDateTime&, uint32_t, int64_t,
                                bool&) {} // filled by the burn run
void TfrmCDMain::brenvikAddDirName(void*, std::string&, std::string&, bool&) {} // filled by the burn run

} // namespace scrivo
