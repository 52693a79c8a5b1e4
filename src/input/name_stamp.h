#pragma once
// Date-time stamps in recording file names: DyyyymmddThhmmssmNNN,
// YYYYMMDD_HHMMSS with an optional _NNN millisecond part, and
// YYYYMMDDTHHMMSS with an optional +HHMM or -HHMM offset, found anywhere in
// the name.
#include "input/guano.h"

namespace quilve {

struct NameStamp {
  StatedTime time;
  // The stamp is a real date and time (the DyyyymmddThhmmssmNNN form is
  // taken for its time of day even when its digits are not one).
  bool hasDate = false;
};

// The first stamp in the part of `path` after its last separator ("/" or
// "\"). False when the name holds none.
bool findNameStamp(const char* path, NameStamp* out);

// Seconds since midnight of a time of day, milliseconds included.
double secondsOfDay(const DateTime& time);

// The time of day of a recording's calls: from the stamp in its file name,
// else from its GUANO time stamp (when `guano` is given), else 0.
double recordingTimeOfDay(const char* path, const GuanoFields* guano);

}  // namespace quilve
