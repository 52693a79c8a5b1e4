// Seconds since 1970 broken down into calendar fields, thread-safe.
#pragma once

#include <ctime>

namespace quilve {

// Local time (false where the system cannot tell it) and UTC.
bool localBrokenDownTime(std::time_t seconds, std::tm* out);
bool utcBrokenDownTime(std::time_t seconds, std::tm* out);

}  // namespace quilve
