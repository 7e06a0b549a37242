// Drives real windows from inside the test's own message loop, as a user would: a system
// timer runs one step per tick, also while a message box or dialog runs its own loop. A
// step answers false to be tried again on the next tick (its window is not up yet).
#pragma once
#include "host/ui/win32/WinApi.h"

#include <functional>
#include <string>
#include <vector>

namespace scrivo::test {

class TWindowDriver {
public:
    explicit TWindowDriver(UINT tickMs = 15);
    ~TWindowDriver();
    void Then(std::function<bool()> step) { steps_.push_back(std::move(step)); }
    bool Finished() const { return next_ >= steps_.size(); }
    // Set when the run took longer than allowed; the driver then closes `escape`.
    bool TimedOut = false;
    HWND Escape = nullptr;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Step();

    std::vector<std::function<bool()>> steps_;
    size_t next_ = 0;
    UINT_PTR timer_;
    DWORD started_;
};

// The child of `parent` with the class and (when given) the text, or null.
HWND FindChild(HWND parent, const wchar_t* className, const wchar_t* text = nullptr);
// A click on the window, as the mouse makes it.
void MouseClick(HWND window, int x, int y);
// Saves what the screen shows of `window` as a BMP file.
bool SaveScreenshot(HWND window, const std::wstring& path);
// Where screenshots go: build/artifacts of the source tree.
std::wstring ArtifactPath(const std::wstring& name);

} // namespace scrivo::test
