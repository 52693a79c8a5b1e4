#include "timer/broken_down_time.h"

namespace quilve {

bool localBrokenDownTime(std::time_t seconds, std::tm* out) { return localtime_r(&seconds, out) != nullptr; }

bool utcBrokenDownTime(std::time_t seconds, std::tm* out) { return gmtime_r(&seconds, out) != nullptr; }

}  // namespace quilve
