#pragma once
// Helpers of the analysis over the chirp store: trimming a finished trace,
// the dB power sum, the column size and the time of day of a file name.
#include <cstdint>

#include "records/call_records.h"

namespace quilve {

// Cuts the weak lead-in of a finished trace (points below levelThreshold) and
// everything from the first frequency jump of more than 2.5 kHz away from the
// call's direction. Adjusts firstPoint and endPoint only; a slot whose point
// range is empty or out of bounds is left unchanged.
void trimChirp(ChirpRecord& record);

// Approximate level of the power sum of two levels in dB.
float addLevels(float a, float b);

// Samples per sonogram column for a view span index at the effective rate.
std::int32_t samplesPerColumn(int detailSelection, float effectiveSampleRate);

// Seconds since midnight from a date-time stamp in the file name (the part
// after the last path separator; the forms of input/name_stamp.h); 0
// without such a stamp.
double timeOfDayFromName(const char* path);

}  // namespace quilve
