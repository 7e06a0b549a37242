#include "Win32BackEnd.h"
#include "FormPeer.h"
#include "platform/win32/WidePath.h"
#include "host/ui/Application.h"
#include "host/ui/Dialogs.h"
#include "host/ui/Timer.h"
#include "platform/Threads.h"

#include <algorithm>

namespace scrivo {

namespace {

constexpr UINT WM_SCRIVO_POSTED = WM_APP + 1;
constexpr UINT WM_SCRIVO_SYNC = WM_APP + 2;
const wchar_t kLoopClass[] = L"ScrivoLoop";

// Only the thread of the loop that runs the forms dispatches to them. Not thread_local:
// a library's thread-local objects outlive it in every thread that touched them.
std::exception_ptr& PendingAbort()
{
    static std::exception_ptr pending;
    return pending;
}

void RaisePendingAbort()
{
    if (auto e = PendingAbort()) {
        PendingAbort() = nullptr;
        std::rethrow_exception(e);
    }
}

} // namespace

TWin32BackEnd::TWin32BackEnd(HWND hostWindow) : host_(hostWindow)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kLoopClass;
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, kLoopClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetMainThread();
    HWND w = window_;
    SetSynchronizeWakeup([w] { PostMessageW(w, WM_SCRIVO_SYNC, 0, 0); });
    previous_ = Application().SetBackEnd(this);
}

TWin32BackEnd::~TWin32BackEnd()
{
    SetSynchronizeWakeup(nullptr);
    Application().SetBackEnd(previous_);
    for (auto& [id, timer] : timers_)
        KillTimer(window_, id);
    DestroyWindow(window_);
}

void TWin32BackEnd::UnregisterWindowClasses()
{
    UnregisterClassW(kLoopClass, GetModuleHandleW(nullptr));
    UnregisterFormClass();
}

void TWin32BackEnd::FromWindow(const std::function<void()>& fn)
{
    try {
        Application().Guard(fn);
    } catch (...) {
        if (!PendingAbort())
            PendingAbort() = std::current_exception();
    }
}

LRESULT CALLBACK TWin32BackEnd::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = reinterpret_cast<TWin32BackEnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_SCRIVO_POSTED: self->RunPosted(); return 0;
    case WM_SCRIVO_SYNC: FromWindow([] { CheckSynchronize(0); }); return 0;
    case WM_TIMER: {
        auto it = self->timers_.find(wp);
        if (it != self->timers_.end()) {
            TTimer* t = it->second;
            FromWindow([t] { t->Fire(); });
        }
        return 0;
    }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void TWin32BackEnd::Post(TMessage message)
{
    std::lock_guard<std::mutex> lock(m_);
    queue_.push_back(std::move(message));
    if (!wakePosted_)
        wakePosted_ = PostMessageW(window_, WM_SCRIVO_POSTED, 0, 0) != 0;
}

void TWin32BackEnd::RunPosted()
{
    std::deque<TMessage> batch;
    {
        std::lock_guard<std::mutex> lock(m_);
        batch.swap(queue_);
        wakePosted_ = false;
    }
    for (auto& m : batch) {
        // A message to a form that is gone by now is dropped, as the system drops one
        // posted to a destroyed window.
        TForm* form = m.Target ? Application().FindForm(m.Target) : nullptr;
        if (m.Target && !form)
            continue;
        FromWindow([&] {
            if (m.Call)
                m.Call();
            else if (form)
                form->WndProc(m);
        });
    }
}

bool TWin32BackEnd::Pump(bool wait)
{
    MSG msg;
    if (wait) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            throw EUiAbort("The application is quitting");
        }
        if (r < 0)
            throw EUiAbort("The message loop failed");
    } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    } else if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        throw EUiAbort("The application is quitting");
    }
    // Tab, Enter and Escape work as in a dialog in the active form.
    HWND active = GetActiveWindow();
    bool dialogKey = false;
    for (auto& [form, disabled] : modal_)
        if (form->Peer && static_cast<TFormPeer*>(form->Peer.get())->Handle() == active)
            dialogKey = IsDialogMessageW(active, &msg);
    if (!dialogKey) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    RaisePendingAbort();
    return true;
}

void TWin32BackEnd::ProcessMessages()
{
    while (Pump(false)) {
    }
}

void TWin32BackEnd::RunUntil(const std::function<bool()>& done)
{
    while (!done())
        Pump(true);
}

uint32_t TWin32BackEnd::Now() { return GetTickCount(); }

void TWin32BackEnd::TimerChanged(TTimer& timer)
{
    auto it = timerIds_.find(&timer);
    UINT_PTR id;
    if (it == timerIds_.end()) {
        id = nextTimerId_++;
        timerIds_[&timer] = id;
        timers_[id] = &timer;
    } else {
        id = it->second;
    }
    KillTimer(window_, id);
    if (timer.TimerEnabled() && timer.Interval() > 0)
        SetTimer(window_, id, timer.Interval(), nullptr);
}

void TWin32BackEnd::TimerDestroyed(TTimer& timer)
{
    auto it = timerIds_.find(&timer);
    if (it == timerIds_.end())
        return;
    KillTimer(window_, it->second);
    timers_.erase(it->second);
    timerIds_.erase(it);
}

HWND TWin32BackEnd::ActiveOwner() const
{
    for (auto it = modal_.rbegin(); it != modal_.rend(); ++it)
        if (it->first->Peer)
            return static_cast<TFormPeer*>(it->first->Peer.get())->Handle();
    return host_;
}

void TWin32BackEnd::FormShown(TForm& form)
{
    HWND owner = host_;
    if (TForm* o = form.OwnerForm(); o && o->Peer)
        owner = static_cast<TFormPeer*>(o->Peer.get())->Handle();
    if (form.Modal())
        owner = ActiveOwner();
    if (!form.Peer)
        form.Peer = std::make_unique<TFormPeer>(form, owner);
    auto& peer = static_cast<TFormPeer&>(*form.Peer);
    peer.CreateControls();
    peer.SyncAllVisible();
    if (form.Modal()) {
        // The owner takes no input while the modal form is up.
        HWND disabled = owner && IsWindowEnabled(owner) ? owner : nullptr;
        if (disabled)
            EnableWindow(disabled, FALSE);
        modal_.push_back({&form, disabled});
    }
    ShowWindow(peer.Handle(), SW_SHOW);
    SetForegroundWindow(peer.Handle());
    UpdateWindow(peer.Handle());
}

void TWin32BackEnd::FormHidden(TForm& form)
{
    auto it = std::find_if(modal_.begin(), modal_.end(), [&](auto& p) { return p.first == &form; });
    if (it != modal_.end()) {
        // Enabled again before the form goes, so the activation returns to it.
        if (it->second)
            EnableWindow(it->second, TRUE);
        modal_.erase(it);
    }
    if (form.Peer)
        ShowWindow(static_cast<TFormPeer*>(form.Peer.get())->Handle(), SW_HIDE);
}

TModalResult TWin32BackEnd::MessageBox(TMsgKind kind, const std::string& text)
{
    UINT flags = MB_OK | MB_ICONINFORMATION;
    if (kind == TMsgKind::Error)
        flags = MB_OK | MB_ICONERROR;
    else if (kind == TMsgKind::Confirmation)
        flags = MB_YESNO | MB_ICONQUESTION;
    int r = MessageBoxW(ActiveOwner(), WideText(text).c_str(), WideText(MsgKindName(kind)).c_str(), flags);
    switch (r) {
    case IDYES: return mrYes;
    case IDNO: return mrNo;
    case IDCANCEL: return mrCancel;
    default: return mrOk;
    }
}

void TWin32BackEnd::CursorChanged(TCursor cursor)
{
    SetCursor(LoadCursorW(nullptr, cursor == crHourGlass ? IDC_WAIT : IDC_ARROW));
}

void TWin32BackEnd::Beep() { MessageBeep(MB_OK); }

void TWin32BackEnd::ShowException(std::exception_ptr error)
{
    std::string text = "Unknown exception";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
    }
    Exceptions.push_back(text);
    if (ShowExceptionBoxes)
        MessageBoxW(ActiveOwner(), WideText(text).c_str(), L"Error", MB_OK | MB_ICONERROR);
}

} // namespace scrivo
