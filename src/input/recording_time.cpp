#include "input/recording_time.h"

#include <cstdint>

#include "input/calendar.h"

namespace quilve {

namespace {

// The range a recording time may take (the years a Windows SYSTEMTIME holds);
// it keeps every intermediate value far inside 64 bits.
constexpr int kMinYear = 1601;
constexpr int kMaxYear = 30827;
// A bias beyond a century is no time zone; refusing it bounds the arithmetic.
constexpr long kMaxBiasMinutes = 100L * 366 * 24 * 60;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2);
}

bool validDateTime(const DateTime& t) {
  if (t.year < kMinYear || t.year > kMaxYear) return false;
  if (t.month < 1 || t.month > 12) return false;
  if (t.day < 1 || t.day > daysInMonth(t.year, t.month)) return false;
  return t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
         t.second <= 59 && t.millisecond >= 0 && t.millisecond <= 999;
}

}  // namespace

bool utcToLocalWithBias(const DateTime& utc, long biasMinutes, DateTime* local) {
  if (local == nullptr || !validDateTime(utc)) return false;
  if (biasMinutes > kMaxBiasMinutes || biasMinutes < -kMaxBiasMinutes) return false;

  // Milliseconds since 1970 in UTC, shifted by the bias alone (no daylight
  // saving, no time zone database).
  const std::int64_t days = daysFromCivil(utc.year, static_cast<unsigned>(utc.month),
                                          static_cast<unsigned>(utc.day));
  std::int64_t ms = ((days * 24 + utc.hour) * 60 + utc.minute) * 60 + utc.second;
  ms = ms * 1000 + utc.millisecond;
  ms -= static_cast<std::int64_t>(biasMinutes) * 60 * 1000;

  constexpr std::int64_t kMsPerDay = 86400000;
  std::int64_t day = ms / kMsPerDay;
  std::int64_t rest = ms % kMsPerDay;
  if (rest < 0) {
    rest += kMsPerDay;
    --day;
  }
  std::int64_t y;
  unsigned m, d;
  civilFromDays(day, &y, &m, &d);
  if (y < kMinYear || y > kMaxYear) return false;

  DateTime out;
  out.year = static_cast<int>(y);
  out.month = static_cast<int>(m);
  out.day = static_cast<int>(d);
  // 1970-01-01 was a Thursday; 0 is Sunday.
  out.dayOfWeek = static_cast<int>(((day % 7) + 11) % 7);
  out.hour = static_cast<int>(rest / 3600000);
  out.minute = static_cast<int>(rest / 60000 % 60);
  out.second = static_cast<int>(rest / 1000 % 60);
  out.millisecond = static_cast<int>(rest % 1000);
  *local = out;
  return true;
}

}  // namespace quilve
