#include "uCDMain.h"

namespace scrivo {

void TfrmCDMain::bBurnClick(TObject*) {} // filled by the burn run
void TfrmCDMain::tab2Show(TObject*) {} // filled by the burn run
bool TfrmCDMain::EraseCD(bool) { return false; } // filled by the burn run
void TfrmCDMain::BurnCD() {} // filled by the burn run
void TfrmCDMain::Eject() {} // filled by the burn run
void TfrmCDMain::WndProc(const TMessage& Message) { TForm::WndProc(Message); } // filled by the burn run
void TfrmCDMain::WMCDErase(const TMessage&) {} // filled by the burn run
void TfrmCDMain::WMCDBurn(const TMessage&) {} // filled by the burn run
void TfrmCDMain::WMCDDone(const TMessage&) {} // filled by the burn run
void TfrmCDMain::WMCDEject(const TMessage&) {} // filled by the burn run
void TfrmCDMain::brenvikEraseDone(TSCSIDevice*, bool) {} // filled by the burn run
void TfrmCDMain::brenvikWriteDone(TBrenvik*, const std::string&) {} // filled by the burn run
void TfrmCDMain::brenvikFinalizingTrack(void*) {} // filled by the burn run
void TfrmCDMain::Timer1Timer(TObject*) {} // filled by the burn run
void TfrmCDMain::btnCancel4Click(TObject*) {} // filled by the burn run
void TfrmCDMain::btnPrev2Click(TObject*) {} // filled by the burn run
void TfrmCDMain::ShowCloseButton(bool) {} // filled by the burn run

} // namespace scrivo
