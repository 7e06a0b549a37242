// The windowed back end: forms and controls are real windows, the loop is the system's
// message loop. Posted toolkit messages and Synchronize calls wake the loop through a
// private message to the back end's own (message-only) window; timers are system timers.
#pragma once
#include "host/ui/BackEnd.h"
#include "platform/Threads.h"

#include "WinApi.h"

#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace scrivo {

class TWin32BackEnd : public TBackEnd {
public:
    // Installs itself as the application's back end and the calling thread as the main
    // thread; `hostWindow` (may be null) owns the forms without an owner form and is
    // disabled while a form is modal.
    explicit TWin32BackEnd(HWND hostWindow = nullptr);
    ~TWin32BackEnd() override;
    TWin32BackEnd(const TWin32BackEnd&) = delete;
    TWin32BackEnd& operator=(const TWin32BackEnd&) = delete;

    HWND HostWindow() const { return host_; }
    // The texts of exceptions that escaped handlers (each also shown in a message box).
    std::vector<std::string> Exceptions;
    // Whether ShowException shows a message box (tests switch it off).
    bool ShowExceptionBoxes = true;

    void Post(TMessage message) override;
    void ProcessMessages() override;
    void RunUntil(const std::function<bool()>& done) override;
    uint32_t Now() override;
    void TimerChanged(TTimer& timer) override;
    void TimerDestroyed(TTimer& timer) override;
    void FormShown(TForm& form) override;
    void FormHidden(TForm& form) override;
    TModalResult MessageBox(TMsgKind kind, const std::string& text) override;
    bool ExecuteOpenDialog(TOpenDialog& dialog) override;
    void CursorChanged(TCursor cursor) override;
    void Beep() override;
    void ShowException(std::exception_ptr error) override;

    // Runs `fn` from a window procedure: errors are reported as the loop does, and a stop
    // signal is kept to be raised again once the message has been dispatched (it must not
    // unwind through the system's frames).
    static void FromWindow(const std::function<void()>& fn);
    // Unregisters the window classes of the toolkit; for a library that is unloaded
    // while its host goes on (the classes name window procedures in its code).
    static void UnregisterWindowClasses();

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void RunPosted();
    // One message from the queue (waiting for it when `wait`); false when there was none.
    bool Pump(bool wait);
    // The window that owns what is shown now: the top modal form's, else the host's.
    HWND ActiveOwner() const;

    HWND host_;
    HWND window_ = nullptr;
    TBackEnd* previous_ = nullptr;
    TMutex m_;
    std::deque<TMessage> queue_;
    bool wakePosted_ = false;
    std::map<UINT_PTR, TTimer*> timers_;
    std::map<TTimer*, UINT_PTR> timerIds_;
    UINT_PTR nextTimerId_ = 1;
    // Modal forms, innermost last, with the window each disabled.
    std::vector<std::pair<TForm*, HWND>> modal_;
};

} // namespace scrivo
