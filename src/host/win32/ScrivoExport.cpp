// The library's one export: the host's 8-bit strings and its list come in, the wizard
// runs on real windows owned by the host's window, a result code goes out. Nothing the
// wizard raises may cross into the host, which may not even be C++.
#include "device/TimeScale.h"
#include "host/WriteCD.h"
#include "host/uCDMain.h"
#include "host/ui/win32/Win32BackEnd.h"
#include "platform/win32/WidePath.h"
// After the toolkit's headers, whose names the system's macros would take.
#include "scrivo.h"

#include <atomic>
#include <string>
#include <vector>

namespace {

constexpr int kNotWritten = SCRIVO_RESULT_NOT_WRITTEN;

// The wizard's forms are process-wide: a second call while one runs (another thread, or
// a host calling again from inside a message it handles) must not reach them.
std::atomic<bool> wizardRunning{false};

class TRunningWizard {
public:
    TRunningWizard() : entered_(!wizardRunning.exchange(true)) {}
    ~TRunningWizard()
    {
        if (entered_)
            wizardRunning = false;
    }
    bool Entered() const { return entered_; }

private:
    bool entered_;
};

// The toolkit's window classes name window procedures in this library's code, under the
// host's instance: they go when the call ends (every window of theirs is gone by then),
// so that a host may free the library and load it again at another address. Done here
// rather than when the library is unloaded, where the loader's lock is held.
struct TUnregisterClassesAtEnd {
    ~TUnregisterClassesAtEnd() { scrivo::TWin32BackEnd::UnregisterWindowClasses(); }
};

// A copy of the host's list in UTF-8. A list that claims items but holds no array is
// read as empty, and null items are left out: there is no path to write for them.
std::vector<std::string> CopyFileList(const ScrivoFileList& files)
{
    std::vector<std::string> out;
    if (!files.Items || files.Count <= 0)
        return out;
    out.reserve(static_cast<size_t>(files.Count));
    for (int i = 0; i < files.Count; ++i)
        if (files.Items[i])
            out.push_back(scrivo::AnsiToUtf8(files.Items[i]));
    return out;
}

} // namespace

extern "C" int __stdcall WriteFilesToCD(HWND ParentWindow, const ScrivoFileList* Files, short AddMode,
                                        const char* DestFolder, const char* VolLabel, const char* RegistryKey,
                                        unsigned char ShowReviewFiles, unsigned char ShowPrevious,
                                        unsigned char WriteLog)
{
    try {
        TRunningWizard running;
        if (!running.Entered())
            return kNotWritten;
        std::string destFolder = scrivo::AnsiToUtf8(DestFolder);
        std::string volLabel = scrivo::AnsiToUtf8(VolLabel);
        std::string registryKey = scrivo::AnsiToUtf8(RegistryKey);
        std::vector<std::string> files;
        if (Files)
            files = CopyFileList(*Files);
        // The windowed back end for this call: the wizard's loop is the system's, on the
        // host's thread, and its windows are owned by the host's window. A handle that
        // names no window (one the host has destroyed) would keep the wizard from being
        // created at all, and the call would wait for it for ever: no owner then.
        HWND owner = ParentWindow && IsWindow(ParentWindow) ? ParentWindow : nullptr;
        TUnregisterClassesAtEnd classes;
        scrivo::TWin32BackEnd backEnd(owner);
        // Test runs against the virtual recorder scale the engine's waits.
        scrivo::WizardCreated = [](scrivo::TfrmCDMain& wizard) { scrivo::ApplyTimeScale(wizard.brenvik); };
        return scrivo::WriteFilesToCD(owner, Files ? &files : nullptr, AddMode, destFolder.c_str(),
                                      volLabel.c_str(), registryKey.c_str(), ShowReviewFiles != 0,
                                      ShowPrevious != 0, WriteLog != 0);
    } catch (...) {
        return kNotWritten;
    }
}
