// Scrivo.dll as a host program meets it: loaded from the host's folder at run time,
// WriteFilesToCD looked up by its plain name, and freed again, as a host that shows
// the wizard only now and then would do.
#pragma once
#include "scrivo.h"

#include <string>
#include <vector>

namespace scrivo::e2e {

class ScrivoLibrary {
public:
    ScrivoLibrary() : module_(LoadLibraryW(L"Scrivo.dll"))
    {
        if (module_)
            write_ = reinterpret_cast<ScrivoWriteFilesToCDProc>(
                reinterpret_cast<void*>(GetProcAddress(module_, "WriteFilesToCD")));
    }
    ~ScrivoLibrary()
    {
        if (module_)
            FreeLibrary(module_);
    }
    ScrivoLibrary(const ScrivoLibrary&) = delete;
    ScrivoLibrary& operator=(const ScrivoLibrary&) = delete;

    bool Loaded() const { return write_ != nullptr; }
    ScrivoWriteFilesToCDProc WriteFilesToCD() const { return write_; }

private:
    HMODULE module_;
    ScrivoWriteFilesToCDProc write_ = nullptr;
};

// The host's own main window, owner of the wizard.
class HostWindow {
public:
    HostWindow()
        : hwnd_(CreateWindowExW(0, L"STATIC", L"Scrivo test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~HostWindow() { DestroyWindow(hwnd_); }
    HWND Handle() const { return hwnd_; }

private:
    HWND hwnd_;
};

// A list in the host's 8-bit strings.
class AnsiFileList {
public:
    explicit AnsiFileList(std::vector<std::string> items) : items_(std::move(items))
    {
        for (const std::string& s : items_)
            pointers_.push_back(s.c_str());
        list_.Count = static_cast<int>(pointers_.size());
        list_.Items = pointers_.data();
    }
    const ScrivoFileList* Get() const { return &list_; }

private:
    std::vector<std::string> items_;
    std::vector<const char*> pointers_;
    ScrivoFileList list_{};
};

} // namespace scrivo::e2e
