// The headless back end: controls are plain state, the loop is a queue on the calling
// thread, and the user is a script. Its clock is virtual by default: when the loop has
// nothing to do but wait for a timer, the clock jumps to the timer's due time, so tests
// never wait for time to pass. Worker threads still reach the loop (posted messages,
// Synchronize) in real time; a loop with nothing at all to wait for stops the run.
#pragma once
#include "Script.h"
#include "host/ui/BackEnd.h"
#include "host/ui/ListCtrls.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace scrivo {

class THeadlessBackEnd : public TBackEnd {
public:
    // Installs itself as the application's back end, and the calling thread as the main
    // thread whose loop runs Synchronize calls, unless `install` is false.
    explicit THeadlessBackEnd(bool install = true);
    ~THeadlessBackEnd() override;

    TUiScript Script;
    // Virtual (default) or real milliseconds for timers.
    bool VirtualClock = true;
    // How long, in real time, the loop waits for another thread when neither the script
    // nor a timer has anything for it, before it gives up with EUiAbort.
    uint32_t StallTimeoutMs = 10000;
    // How long the loop, waiting only for timers, lets other threads report first.
    uint32_t TimerYieldMs = 1;

    int Beeps = 0;
    TCursor CurrentCursor = crDefault;
    std::function<void(TForm&)> OnFormShown;
    std::function<void(TForm&)> OnFormHidden;

    // The form shown last of those still shown: where the user acts.
    TForm* ActiveForm() const { return shown_.empty() ? nullptr : shown_.back(); }

    // Moves the virtual clock on and runs what became due.
    void Advance(uint32_t ms);

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

private:
    enum class StepKind { Nothing, Message, Timer };
    StepKind Step();
    bool NextTimerDue(uint32_t& due);
    // Waits up to `ms` real milliseconds for a message or Synchronize call from another
    // thread.
    bool WaitForOtherThreads(uint32_t ms);
    std::string NextUserStep() const;

    bool installed_;
    TBackEnd* previous_ = nullptr;
    std::mutex m_;
    std::condition_variable arrived_;
    std::deque<TMessage> queue_;
    bool syncPending_ = false;
    std::vector<TTimer*> timers_;
    std::vector<TForm*> shown_;
    uint32_t virtualNow_ = 0;
};

// A canvas that records what is drawn and measures text as CharWidth pixels a character.
class THeadlessCanvas : public TCanvas {
public:
    int CharWidth = 6;
    std::string Text; // everything drawn since the last fill, in drawing order

    void FillRect(const TRect&) override { Text.clear(); }
    void TextOut(int, int, const std::string& text) override { Text += text; }
    int TextWidth(const std::string& text) override;
};

} // namespace scrivo
