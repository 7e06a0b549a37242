#include "uCDAdvanced.h"
#include "SettingValues.h"

#include <memory>

namespace scrivo {

namespace {

constexpr int MiB = 1048576;

} // namespace

TdlgCDSettings::TdlgCDSettings(TForm* owner, TRecordingOptions& options, TSessionImport& import, bool underrunFree)
    : TForm("dlgCDSettings", owner),
      eVolLabel(Add<TEdit>("eVolLabel")),
      sCacheSize(Add<TTrackBar>("sCacheSize")),
      Label1(Add<TLabel>("Label1")),
      Label2(Add<TLabel>("Label2")),
      Label3(Add<TLabel>("Label3")),
      cJoliet(Add<TCheckBox>("cJoliet")),
      cCloseDisc(Add<TCheckBox>("cCloseDisc")),
      cUnderrunProtection(Add<TCheckBox>("cUnderrunProtection")),
      cOPC(Add<TCheckBox>("cOPC")),
      cVerify(Add<TCheckBox>("cVerify")),
      cImportSession(Add<TCheckBox>("cImportSession")),
      eSession(Add<TEdit>("eSession")),
      Button1(Add<TButton>("Button1")),
      Button2(Add<TButton>("Button2")),
      options_(options),
      import_(import),
      underrunFree_(underrunFree)
{
    SetCaption("Advanced options");
    ShowHint = true;
    ClientWidth = 320;
    ClientHeight = 250;

    Label1.SetCaption("Volume Label:");
    Label1.SetBounds(8, 12, 80, 13);
    eVolLabel.MaxLength = 16;
    eVolLabel.SetBounds(96, 8, 137, 21);
    eVolLabel.SetHint("Allows you to set the volume name of the disk (which is displayed in windows when you select "
                      "the drive)");

    Label2.SetCaption("Cache Size:");
    Label2.SetBounds(8, 44, 80, 13);
    sCacheSize.SetBounds(96, 36, 161, 29);
    sCacheSize.SetHint("Specify the size of the internal software buffer (It should be more than 2MB).  This setting "
                       "provides a level of under-run protection by storing the data to be burnt in system RAM "
                       "before writing.");
    sCacheSize.Frequency = 4;
    sCacheSize.SetMax(64);
    sCacheSize.SetMin(2);
    Label3.SetBounds(264, 44, 40, 13);

    cJoliet.SetCaption("Joliet File System");
    cJoliet.SetBounds(8, 76, 200, 17);
    cJoliet.SetHint("Specifies whether Joliet support is enabled.  If it is checked the CD can include Joliet "
                    "filenames (also called Long file names). Joliet file names can be up to 64 characters "
                    "including the extension. If unchecked, only ISO9660 filenames and volume label will be "
                    "written.");
    cCloseDisc.SetCaption("Close Disc (Finalize)");
    cCloseDisc.SetBounds(8, 100, 200, 17);
    cCloseDisc.SetHint("This option is used to \"close\" the disk in the drive.  After a disc has been finalized, no "
                       "more data can be written to it, even if there is free space available.");
    cUnderrunProtection.SetCaption("Underrun Protection");
    cUnderrunProtection.SetBounds(8, 124, 200, 17);
    cUnderrunProtection.SetHint("This setting enables Underrun Protection (if supported by the drive). This enables "
                                "the Burn-Proof mode for buffer under-run protected recording.");
    cOPC.SetCaption("Perform OPC");
    cOPC.SetBounds(8, 148, 200, 17);
    cOPC.SetHint("If enabled OPC is peformed on the drive before writing.  OPC is supported by some newer drives and "
                 "improves the quality and writing of the data");
    cVerify.SetCaption("Verify written data");
    cVerify.SetBounds(8, 172, 200, 17);
    cVerify.SetHint("If enabled the data is read back from the disk after writing and compared with what was "
                    "written; files whose data differs are named in the log.");

    // Importing a previous session is not offered to the user.
    cImportSession.SetCaption("Import Session");
    cImportSession.SetVisible(false);
    eSession.SetVisible(false);
    eSession.SetEnabled(false);

    Button1.SetCaption("OK");
    Button1.Default = true;
    Button1.SetBounds(152, 216, 75, 25);
    Button2.SetCaption("Cancel");
    Button2.Cancel = true;
    Button2.SetBounds(236, 216, 75, 25);

    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    sCacheSize.OnChange = [this](TObject* s) { sCacheSizeChange(s); };
    Button1.OnClick = [this](TObject* s) { Button1Click(s); };
    Button2.OnClick = [this](TObject* s) { Button2Click(s); };
    cImportSession.OnClick = [this](TObject* s) { cImportSessionClick(s); };
}

void TdlgCDSettings::FormShow(TObject*)
{
    cJoliet.SetChecked(options_.JolietFileSystem);
    cCloseDisc.SetChecked(options_.FinalizeDisc);
    eVolLabel.SetText(options_.IdVolume);
    cOPC.SetChecked(options_.PerformOPC);
    cVerify.SetChecked(options_.VerifyWrite);
    eSession.SetText(std::to_string(import_.Session));
    cImportSession.SetChecked(import_.Import);
    cUnderrunProtection.SetChecked(options_.UnderrunProtection);
    cUnderrunProtection.SetEnabled(underrunFree_);
    sCacheSize.SetPosition(options_.CacheSize / MiB);
    sCacheSizeChange(&sCacheSize); // also when the position did not move
}

void TdlgCDSettings::sCacheSizeChange(TObject*)
{
    std::string value = std::to_string(sCacheSize.Position());
    if (value.size() < 2)
        value.insert(0, 2 - value.size(), ' ');
    Label3.SetCaption(value + " MB");
}

void TdlgCDSettings::Button1Click(TObject*)
{
    options_.JolietFileSystem = cJoliet.Checked();
    options_.IdVolume = eVolLabel.Text();
    options_.FinalizeDisc = cCloseDisc.Checked();
    options_.UnderrunProtection = cUnderrunProtection.Checked();
    options_.PerformOPC = cOPC.Checked();
    options_.VerifyWrite = cVerify.Checked();
    options_.CacheSize = sCacheSize.Position() * MiB;
    import_.Import = cImportSession.Checked();
    int session = 0;
    import_.Session = TryParseInt(eSession.Text(), session) ? session : 0;
    ModalResult = mrOk;
}

void TdlgCDSettings::Button2Click(TObject*) { ModalResult = mrCancel; }

void TdlgCDSettings::cImportSessionClick(TObject*) { eSession.SetEnabled(cImportSession.Checked()); }

void TdlgCDSettings::FormClose(TObject*, TCloseAction& Action) { Action = TCloseAction::caFree; }

TModalResult ShowAdvancedOptions(TForm* owner, TRecordingOptions& options, TSessionImport& import, bool underrunFree)
{
    auto dialog = std::make_unique<TdlgCDSettings>(owner, options, import, underrunFree);
    return dialog->ShowModal();
}

} // namespace scrivo
