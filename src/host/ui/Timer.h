// A timer: OnTimer every Interval milliseconds of the loop's clock while Enabled. Like
// a system timer it fires from the loop, after the posted messages, and ticks missed
// while the loop was busy collapse into one.
#pragma once
#include "Control.h"

namespace scrivo {

class TTimer : public TControl {
public:
    TTimer(TForm* owner, std::string name, TControl* parent);
    ~TTimer() override;
    TNotifyEvent OnTimer;

    uint32_t Interval() const { return interval_; }
    // Restarts the count.
    void SetInterval(uint32_t ms);
    bool TimerEnabled() const { return enabled_; }
    // Enabling starts counting from now.
    void SetTimerEnabled(bool v);

    // Back end bookkeeping: when the next tick is due on the loop's clock.
    uint32_t DueAt = 0;
    void Fire();

private:
    uint32_t interval_ = 1000;
    bool enabled_ = true;
    bool registered_ = false;
};

} // namespace scrivo
