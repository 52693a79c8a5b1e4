#include "timer/timer_clock.h"

#include "timer/broken_down_time.h"

#include <ctime>
#include <thread>

namespace quilve {

namespace {

CivilTime fromTm(const std::tm& tm) {
  CivilTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  return t;
}

}  // namespace

CivilTime SystemTimerClock::now(bool local) {
  const std::time_t seconds = std::time(nullptr);
  std::tm tm{};
  if (local && localBrokenDownTime(seconds, &tm)) return fromTm(tm);
  utcBrokenDownTime(seconds, &tm);
  return fromTm(tm);
}

void SystemTimerClock::sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace quilve
