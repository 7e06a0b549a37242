#include "Timer.h"
#include "Application.h"

namespace scrivo {

TTimer::TTimer(TForm* owner, std::string name, TControl* parent) : TControl(owner, std::move(name), parent)
{
    Application().BackEnd().TimerChanged(*this);
}

TTimer::~TTimer() { Application().BackEnd().TimerDestroyed(*this); }

void TTimer::SetInterval(uint32_t ms)
{
    interval_ = ms;
    Application().BackEnd().TimerChanged(*this);
}

void TTimer::SetTimerEnabled(bool v)
{
    enabled_ = v;
    Application().BackEnd().TimerChanged(*this);
}

void TTimer::Fire()
{
    if (enabled_ && OnTimer)
        OnTimer(this);
}

} // namespace scrivo
