#include "HeadlessBackEnd.h"
#include "host/ui/Dialogs.h"
#include "host/ui/Form.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/Timer.h"
#include "platform/DateTime.h"
#include "platform/Threads.h"

#include <algorithm>
#include <chrono>

namespace scrivo {

THeadlessBackEnd::THeadlessBackEnd(bool install) : installed_(install)
{
    if (!install)
        return;
    previous_ = Application().SetBackEnd(this);
    SetMainThread();
    SetSynchronizeWakeup([this] {
        {
            std::lock_guard<std::mutex> lock(m_);
            syncPending_ = true;
        }
        arrived_.notify_all();
    });
}

THeadlessBackEnd::~THeadlessBackEnd()
{
    if (!installed_)
        return;
    SetSynchronizeWakeup(nullptr);
    Application().SetBackEnd(previous_);
}

uint32_t THeadlessBackEnd::Now() { return VirtualClock ? virtualNow_ : TickCount(); }

void THeadlessBackEnd::Post(TMessage message)
{
    {
        std::lock_guard<std::mutex> lock(m_);
        queue_.push_back(std::move(message));
    }
    arrived_.notify_all();
}

THeadlessBackEnd::StepKind THeadlessBackEnd::Step()
{
    TMessage m;
    bool have = false;
    {
        std::lock_guard<std::mutex> lock(m_);
        if (!queue_.empty()) {
            m = std::move(queue_.front());
            queue_.pop_front();
            have = true;
        }
        syncPending_ = false;
    }
    if (have) {
        TForm* form = m.Target ? Application().FindForm(m.Target) : nullptr;
        if (m.Target && !form)
            return StepKind::Message; // its form is gone
        if (m.Call)
            Application().Guard(m.Call);
        else if (form)
            Application().Guard([&] { form->WndProc(m); });
        return StepKind::Message;
    }
    if (CheckSynchronize(0))
        return StepKind::Message;
    uint32_t now = Now();
    std::vector<TTimer*> due;
    for (TTimer* t : timers_)
        if (t->TimerEnabled() && t->Interval() > 0 && static_cast<int32_t>(now - t->DueAt) >= 0)
            due.push_back(t);
    for (TTimer* t : due) {
        // An earlier tick's handler may have stopped or destroyed this timer.
        if (std::find(timers_.begin(), timers_.end(), t) == timers_.end() || !t->TimerEnabled())
            continue;
        t->DueAt = now + t->Interval();
        Application().Guard([t] { t->Fire(); });
    }
    return due.empty() ? StepKind::Nothing : StepKind::Timer;
}

void THeadlessBackEnd::ProcessMessages()
{
    while (Step() != StepKind::Nothing) {
    }
}

void THeadlessBackEnd::Advance(uint32_t ms)
{
    virtualNow_ += ms;
    ProcessMessages();
}

bool THeadlessBackEnd::NextTimerDue(uint32_t& due)
{
    bool any = false;
    uint32_t now = Now();
    for (TTimer* t : timers_) {
        if (!t->TimerEnabled() || t->Interval() == 0)
            continue;
        if (!any || static_cast<int32_t>(t->DueAt - due) < 0)
            due = t->DueAt;
        any = true;
    }
    if (any && static_cast<int32_t>(due - now) < 0)
        due = now;
    return any;
}

bool THeadlessBackEnd::WaitForOtherThreads(uint32_t ms)
{
    std::unique_lock<std::mutex> lock(m_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return !queue_.empty() || syncPending_; });
}

std::string THeadlessBackEnd::NextUserStep() const
{
    return Script.DescribeNext ? " (" + Script.DescribeNext() + ")" : std::string();
}

void THeadlessBackEnd::RunUntil(const std::function<bool()>& done)
{
    uint32_t lastProgress = TickCount(); // real time of the last thing that was not a timer
    while (!done()) {
        StepKind k = Step();
        if (k == StepKind::Message) {
            lastProgress = TickCount();
            continue;
        }
        if (k == StepKind::Timer)
            continue;
        if (Script.RunNextAction()) {
            lastProgress = TickCount();
            continue;
        }
        uint32_t due = 0;
        bool timer = NextTimerDue(due);
        if (!timer) {
            if (!WaitForOtherThreads(StallTimeoutMs))
                throw EUiAbort("The user has nothing more to do and no thread reports: the loop would wait forever" +
                               NextUserStep());
            continue;
        }
        if (!VirtualClock) {
            WaitForOtherThreads(due - Now());
            continue;
        }
        if (WaitForOtherThreads(TimerYieldMs))
            continue;
        if (TickCount() - lastProgress > StallTimeoutMs)
            throw EUiAbort("Only timers run: the user has nothing more to do and no thread reports" + NextUserStep());
        virtualNow_ = due;
    }
}

void THeadlessBackEnd::TimerChanged(TTimer& timer)
{
    if (std::find(timers_.begin(), timers_.end(), &timer) == timers_.end())
        timers_.push_back(&timer);
    timer.DueAt = Now() + timer.Interval();
}

void THeadlessBackEnd::TimerDestroyed(TTimer& timer)
{
    timers_.erase(std::remove(timers_.begin(), timers_.end(), &timer), timers_.end());
}

void THeadlessBackEnd::FormShown(TForm& form)
{
    shown_.push_back(&form);
    if (OnFormShown)
        OnFormShown(form);
}

void THeadlessBackEnd::FormHidden(TForm& form)
{
    shown_.erase(std::remove(shown_.begin(), shown_.end(), &form), shown_.end());
    if (OnFormHidden)
        OnFormHidden(form);
}

TModalResult THeadlessBackEnd::MessageBox(TMsgKind kind, const std::string& text)
{
    return Script.AnswerMessageBox(kind, text);
}

bool THeadlessBackEnd::ExecuteOpenDialog(TOpenDialog& dialog) { return Script.AnswerFileDialog(dialog); }

void THeadlessBackEnd::CursorChanged(TCursor cursor) { CurrentCursor = cursor; }

void THeadlessBackEnd::Beep() { ++Beeps; }

void THeadlessBackEnd::ShowException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        Script.Exceptions.push_back(e.what());
    } catch (...) {
        Script.Exceptions.push_back("Unknown exception");
    }
}

int THeadlessCanvas::TextWidth(const std::string& text) { return static_cast<int>(CharCount(text)) * CharWidth; }

} // namespace scrivo
