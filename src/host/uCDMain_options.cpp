// The first page's helpers: device information, the speed list, the review and the
// advanced options dialogs.
#include "SpeedList.h"
#include "uCDDeviceCaps.h"
#include "uCDMain.h"

namespace scrivo {

void TfrmCDMain::btnInfoClick(TObject*)
{
    infoDialogs_.push_back(std::make_unique<TdlgCDCapabilities>(this));
    auto& dialog = static_cast<TdlgCDCapabilities&>(*infoDialogs_.back());
    dialog.ShowDevice(brenvik);
    dialog.ShowModal();
}

void TfrmCDMain::cbSpeedDropDown(TObject*) { FillSpeedList(cbSpeed, brenvik); }

int TfrmCDMain::GetSelectedSpeed() { return SelectedSpeed(cbSpeed, brenvik); }

void TfrmCDMain::btnEditFilesClick(TObject*)
{
    if (dlgCDFiles)
        dlgCDFiles->ShowModal();
}

void TfrmCDMain::btnAdvancedClick(TObject*)
{
    TRecordingOptions options;
    options.JolietFileSystem = brenvik.JolietFileSystem;
    options.FinalizeDisc = brenvik.FinalizeDisc;
    options.IdVolume = brenvik.IdVolume;
    options.UnderrunProtection = brenvik.UnderrunProtection;
    options.PerformOPC = brenvik.PerformOPC;
    options.VerifyWrite = brenvik.VerifyWrite;
    options.CacheSize = brenvik.CacheSize();
    if (ShowAdvancedOptions(this, options, SessionImport, brenvik.Has(UnderrunFree)) != mrOk)
        return;
    brenvik.JolietFileSystem = options.JolietFileSystem;
    brenvik.FinalizeDisc = options.FinalizeDisc;
    brenvik.IdVolume = options.IdVolume;
    brenvik.UnderrunProtection = options.UnderrunProtection;
    brenvik.PerformOPC = options.PerformOPC;
    brenvik.VerifyWrite = options.VerifyWrite;
    brenvik.SetCacheSize(options.CacheSize);
}

} // namespace scrivo
