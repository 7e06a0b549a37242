// The process-wide face of the toolkit: the back end in use, the forms by handle, the
// screen cursor, posting and message boxes.
#pragma once
#include "BackEnd.h"
#include <map>
#include <mutex>

namespace scrivo {

class TApplication {
public:
    // The back end in use; a headless one without a script when none was installed.
    TBackEnd& BackEnd();
    // Installs `backEnd` (not owned) and answers the previous one; nullptr restores the
    // default.
    TBackEnd* SetBackEnd(TBackEnd* backEnd);

    void ProcessMessages() { BackEnd().ProcessMessages(); }
    // Runs `fn` on the loop's thread later, if the form `target` still exists then.
    void PostCall(uint32_t target, std::function<void()> fn);

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);
    void Beep() { BackEnd().Beep(); }
    // Reports an exception that escaped a handler, as the loop does.
    void HandleException(std::exception_ptr error) { BackEnd().ShowException(error); }
    // Runs `fn`, reporting whatever it throws except the back end's own stop signals.
    void Guard(const std::function<void()>& fn);

    // Form handles: a posted message names its form by handle, so one posted to a form
    // that is gone by then is dropped.
    uint32_t Register(TForm* form);
    void Unregister(uint32_t handle);
    TForm* FindForm(uint32_t handle);

private:
    TBackEnd* backEnd_ = nullptr;
    TCursor cursor_ = crDefault;
    std::mutex formsLock_;
    std::map<uint32_t, TForm*> forms_;
    uint32_t nextHandle_ = 1;
};

TApplication& Application();

// Thrown by a back end to stop a run that cannot go on (a script ran out of answers, a
// loop waits for nothing); never swallowed by Guard.
class EUiAbort : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace scrivo
