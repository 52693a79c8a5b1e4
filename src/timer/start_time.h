#pragma once
// The "Run scan at" start time, typed as "hh:mm:ss".
#include <string>

namespace quilve {

// Three fields of one or more decimal digits separated by ':' and nothing
// else (no blanks, no sign, no fourth field); hours 0..23, minutes and
// seconds 0..59. On success `secondsOfDay` = (h * 60 + m) * 60 + s.
bool parseStartTime(const std::string& text, int* secondsOfDay);

}  // namespace quilve
