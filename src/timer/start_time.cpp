#include "timer/start_time.h"

namespace quilve {

bool parseStartTime(const std::string& text, int* secondsOfDay) {
  static const int kLimits[3] = {23, 59, 59};
  int fields[3] = {0, 0, 0};
  std::size_t pos = 0;
  for (int f = 0; f < 3; ++f) {
    if (f > 0) {
      if (pos >= text.size() || text[pos] != ':') return false;
      ++pos;
    }
    const std::size_t start = pos;
    long value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      // Leading zeros may be many; the value itself never needs to grow past the limit.
      if (value <= kLimits[f]) value = value * 10 + (text[pos] - '0');
      ++pos;
    }
    if (pos == start || value > kLimits[f]) return false;
    fields[f] = static_cast<int>(value);
  }
  if (pos != text.size()) return false;
  if (secondsOfDay) *secondsOfDay = (fields[0] * 60 + fields[1]) * 60 + fields[2];
  return true;
}

}  // namespace quilve
