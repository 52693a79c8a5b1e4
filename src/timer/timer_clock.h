#pragma once
// The clock the operation timer reads and the sleep between its ticks. The
// program uses the system clock; tests drive a clock of their own.
#include <chrono>

namespace quilve {

// A civil date and time of day.
struct CivilTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class TimerClock {
 public:
  virtual ~TimerClock() = default;
  // The current time in UTC, or in local time when `local` is set (UTC
  // again when the local time cannot be worked out).
  virtual CivilTime now(bool local) = 0;
  virtual void sleep(std::chrono::milliseconds duration) = 0;
};

class SystemTimerClock : public TimerClock {
 public:
  CivilTime now(bool local) override;
  void sleep(std::chrono::milliseconds duration) override;
};

}  // namespace quilve
