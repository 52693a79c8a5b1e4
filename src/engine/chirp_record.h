#pragma once
// Helpers of the analysis over the chirp store: trimming a finished trace,
// the dB power sum, the column size and the time of day of a file name.
#include <cmath>
#include <cstdint>

#include "records/call_records.h"

namespace quilve {

// Cuts the weak lead-in of a finished trace (points below levelThreshold) and
// everything from the first frequency jump of more than 2.5 kHz away from the
// call's direction. Adjusts firstPoint and endPoint only; a slot whose point
// range is empty or out of bounds is left unchanged.
void trimChirp(ChirpRecord& record);

// Approximate level of the power sum of two levels in dB: the louder one,
// plus 3 - 0.2 x their distance when that is positive. Inline, so that the
// detector's band sums stay in registers.
inline float addLevels(float a, float b) {
  const float m = a > b ? a : b;
  const float k = 3.0f - 0.2f * std::fabs(a - b);
  return m + (k > 0.0f ? k : 0.0f);
}

// Samples per sonogram column for a view span index at the effective rate.
std::int32_t samplesPerColumn(int detailSelection, float effectiveSampleRate);

// Seconds since midnight from a date-time stamp in the file name (the part
// after the last path separator; the forms of input/name_stamp.h); 0
// without such a stamp.
double timeOfDayFromName(const char* path);

}  // namespace quilve
