#include "WriteCD.h"
#include "uCDMain.h"
#include "platform/Threads.h"
#include "transport/bvASPI.h"

#include <memory>

namespace scrivo {

namespace {

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

// Whether a disc path has a "." or ".." component: the disc would get folders of those
// names, which readers take for the folder itself or its parent.
bool HasDotComponent(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "." || part == "..") return true;
        start = end + 1;
    }
    return false;
}

// Destroys the wizard (whose engine joins its threads) and then the review dialog,
// whatever happened before, and lets the transport go: a host may free the library the
// moment the call returns, and nothing of the call may be left to release then.
struct TWizardForms {
    std::unique_ptr<TfrmCDMain> Main;
    std::unique_ptr<TdlgCDFiles> Files;
    ~TWizardForms()
    {
        Main.reset();
        Files.reset();
        frmCDMain = nullptr;
        dlgCDFiles = nullptr;
        ReleaseTransport();
    }
};

int RunWizard(const std::vector<std::string>* files, int16_t addMode, const std::string& destFolder,
              const std::string& volLabel, const std::string& registryKey, bool showReviewFiles, bool showPrevious,
              bool writeLog)
{
    // One wizard at a time: a call from inside the wizard (a host's timer, say) would take
    // over the library-wide forms and leave the running wizard without its review list.
    if (frmCDMain)
        return 2;
    // A destination that climbs out of the disc's root is refused, as the command line
    // refuses it, before anything is shown or touched.
    if (addMode == 2 && HasDotComponent(destFolder)) return 2;
    TWizardForms forms;
    forms.Main = std::make_unique<TfrmCDMain>();
    frmCDMain = forms.Main.get();
    if (WizardCreated)
        WizardCreated(*forms.Main);
    forms.Files = std::make_unique<TdlgCDFiles>();
    dlgCDFiles = forms.Files.get();
    TfrmCDMain& wizard = *forms.Main;
    if (files) {
        forms.Files->lbxFiles.ClearItems();
        for (const std::string& path : *files)
            forms.Files->lbxFiles.AddItem(path);
    }
    wizard.AddMode = addMode;
    wizard.DestFolder = destFolder;
    wizard.brenvik.IdVolume = volLabel;
    wizard.RegistryKey = registryKey.empty() ? std::string(DefaultRegistryKey) : registryKey;
    wizard.btnEditFiles.SetVisible(showReviewFiles);
    wizard.btnPrev1.SetVisible(showPrevious);
    wizard.btnPrev2.SetVisible(showPrevious);
    wizard.LogEnabled = writeLog;
    const TModalResult modal = wizard.ShowModal();
    return modal == mrNo ? 0 : wizard.DiscWritten ? 1 : 2;
}

} // namespace

int WriteFilesToCD(void*, const std::vector<std::string>* Files, int16_t AddMode, const char* DestFolder,
                   const char* VolLabel, const char* RegistryKey, bool ShowReviewFiles, bool ShowPrevious,
                   bool WriteLog) noexcept
{
    try {
        // Engine threads report through Synchronize, which must reach this thread's loop.
        SetMainThread();
        return RunWizard(Files, AddMode, Text(DestFolder), Text(VolLabel), Text(RegistryKey), ShowReviewFiles,
                         ShowPrevious, WriteLog);
    } catch (...) {
        return 2;
    }
}

} // namespace scrivo
