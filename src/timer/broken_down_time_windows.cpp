#include "timer/broken_down_time.h"

namespace quilve {

bool localBrokenDownTime(std::time_t seconds, std::tm* out) { return localtime_s(out, &seconds) == 0; }

bool utcBrokenDownTime(std::time_t seconds, std::tm* out) { return gmtime_s(out, &seconds) == 0; }

}  // namespace quilve
