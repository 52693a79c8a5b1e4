#pragma once
// Time conversions for recording metadata: a UTC date-time to local time
// under a fixed bias (no daylight saving), and a file's creation time.
#include <ctime>
#include <string>

#include "input/sono_attribute.h"

namespace quilve {

// Local time = UTC - biasMinutes (the bias is UTC minus local time).
bool utcToLocalWithBias(const DateTime& utc, long biasMinutes, DateTime* local);

// The file's birth time (statx), else its modification time, as local time
// in the machine's time zone; `offsetMinutes` (when given) receives that
// zone's offset from UTC at that time.
bool fileCreationLocalTime(const std::string& path, DateTime* local, int* offsetMinutes = nullptr);

}  // namespace quilve
