// Time as the drive sees it; tests substitute a manual clock so nothing waits.
#pragma once

namespace scrivo::vrecorder {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual double NowMs() = 0;
  virtual void SleepMs(double ms) = 0;
};

class SteadyClock : public Clock {
 public:
  double NowMs() override;
  void SleepMs(double ms) override;
};

}  // namespace scrivo::vrecorder
