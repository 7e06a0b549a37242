// The advanced options dialog. It edits a copy of the burner's recording options; the
// wizard copies them from the component before and back after, so the dialog needs no
// component of its own.
#pragma once
#include "host/ui/ComCtrls.h"
#include "host/ui/Form.h"
#include "host/ui/StdCtrls.h"

namespace scrivo {

// The burner properties the dialog shows and changes.
struct TRecordingOptions {
    bool JolietFileSystem = true;
    bool FinalizeDisc = false;
    std::string IdVolume;
    bool UnderrunProtection = false;
    bool PerformOPC = true;
    bool VerifyWrite = false;
    int CacheSize = 4194304; // bytes
};

// The previous-session import choice the wizard keeps for the recording.
struct TSessionImport {
    bool Import = false;
    int Session = 0;
};

class TdlgCDSettings : public TForm {
public:
    // `underrunFree`: the selected drive offers buffer-underrun protection.
    TdlgCDSettings(TForm* owner, TRecordingOptions& options, TSessionImport& import, bool underrunFree);

    TEdit& eVolLabel;
    TTrackBar& sCacheSize;
    TLabel& Label1;
    TLabel& Label2;
    TLabel& Label3;
    TCheckBox& cJoliet;
    TCheckBox& cCloseDisc;
    TCheckBox& cUnderrunProtection;
    TCheckBox& cOPC;
    TCheckBox& cVerify;
    TCheckBox& cImportSession;
    TEdit& eSession;
    TButton& Button1;
    TButton& Button2;

    void FormShow(TObject* Sender);
    void sCacheSizeChange(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void cImportSessionClick(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);

private:
    TRecordingOptions& options_;
    TSessionImport& import_;
    bool underrunFree_;
};

// What btnAdvancedClick does: a new dialog showing the options and the import choice,
// shown modally and destroyed when it closes. Answers the dialog's modal result.
TModalResult ShowAdvancedOptions(TForm* owner, TRecordingOptions& options, TSessionImport& import,
                                 bool underrunFree);

} // namespace scrivo
