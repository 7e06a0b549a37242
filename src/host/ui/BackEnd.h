// What a form toolkit back end provides: the message loop with posted messages and
// timers, the user's answers (message boxes, file dialogs), cursor and beep. The headless
// back end answers from a script; a windowed one shows real windows.
#pragma once
#include "UiTypes.h"
#include <exception>

namespace scrivo {

class TForm;
class TTimer;
class TOpenDialog;

class TBackEnd {
public:
    virtual ~TBackEnd() = default;

    // Queues a message for the loop; callable from any thread.
    virtual void Post(TMessage message) = 0;
    // Runs everything that is due now (posted messages, Synchronize calls, timers),
    // without waiting.
    virtual void ProcessMessages() = 0;
    // Runs the loop until `done` answers true (checked after every step).
    virtual void RunUntil(const std::function<bool()>& done) = 0;
    // The loop's millisecond clock, the one timers count in.
    virtual uint32_t Now() = 0;

    virtual void TimerChanged(TTimer& timer) = 0;
    virtual void TimerDestroyed(TTimer& timer) = 0;
    virtual void FormShown(TForm& form) = 0;
    virtual void FormHidden(TForm& form) = 0;

    virtual TModalResult MessageBox(TMsgKind kind, const std::string& text) = 0;
    virtual bool ExecuteOpenDialog(TOpenDialog& dialog) = 0;
    virtual void CursorChanged(TCursor cursor) = 0;
    virtual void Beep() = 0;
    // An exception that escaped an event handler run by the loop: reported, and the loop
    // goes on (the wizard stays open).
    virtual void ShowException(std::exception_ptr error) = 0;
};

} // namespace scrivo
