#include "engine/chirp_record.h"

#include <cmath>
#include <cstring>

#include "input/name_stamp.h"
#include "settings/scan_settings.h"

namespace quilve {

void trimChirp(ChirpRecord& record) {
  int first = record.firstPoint;
  const int end = record.endPoint;
  if (first < 0 || end > kTracePoints || first >= end) return;
  const auto& pts = record.points;

  // The call starts at the first point loud enough to belong to it.
  for (int k = first; k < end; ++k) {
    if (pts[k].level >= record.levelThreshold) {
      first = k;
      break;
    }
  }
  record.firstPoint = first;

  const float f0 = pts[first].frequency;
  const float fLast = pts[end - 1].frequency;
  int m = first;
  float fMin = pts[first].frequency;
  for (int k = first + 1; k < end; ++k) {
    if (pts[k].frequency < fMin) {
      fMin = pts[k].frequency;
      m = k;
    }
  }
  const bool sweepsDown = f0 > fLast && f0 > fMin;

  // Look for a jump against the call's direction, measured from the running
  // extreme so that a slow drift back counts as well as a single step. The
  // scan starts at half the index of the minimum, counted from point 0.
  const int start = m / 2;
  float extreme = pts[start].frequency;
  for (int k = start; k < end; ++k) {
    const float f = pts[k].frequency;
    float jump;
    if (sweepsDown) {
      jump = f - extreme;
      if (f < extreme) extreme = f;
    } else {
      jump = extreme - f;
      if (f > extreme) extreme = f;
    }
    if (jump > 2500.0f) {
      record.endPoint = k;
      if (record.firstPoint >= k) record.firstPoint = k - 1;
      return;
    }
  }
}

std::int32_t samplesPerColumn(int detailSelection, float effectiveSampleRate) {
  // Span in whole milliseconds so that rate x span is exact for whole rates.
  const double samples =
      static_cast<double>(effectiveSampleRate) * spanMilliseconds(detailSelection) / (1000.0 * 128.0);
  // A column must advance by at least one sample, or a scan of a very slow
  // recording would never reach the end of its data.
  if (!(samples >= 1.0)) return 1;
  if (samples > 2147483647.0) return 2147483647;
  return static_cast<std::int32_t>(samples);
}

double timeOfDayFromName(const char* path) {
  NameStamp stamp;
  return findNameStamp(path, &stamp) ? secondsOfDay(stamp.time.time) : 0.0;
}

}  // namespace quilve
