#pragma once
// Hand-built traces for the call-analysis tests: points appended one by one
// with every field set directly.
#include "engine/chirp_record.h"

namespace quilve::test {

// Appends a point; the smoothed frequency follows the measured one and the
// point stands 40 dB above its background.
inline TracePoint& appendPoint(ChirpRecord& r, float time, float frequency, float level = 80.0f) {
  TracePoint& p = r.points[r.endPoint++];
  p.time = time;
  p.frequency = frequency;
  p.level = level;
  p.noise = level - 40.0f;
  p.harmonicFrequency = -1.0f;
  p.harmonicLevel = -1.0f;
  p.smoothedFrequency = frequency;
  p.smoothedSlope = 0.0f;
  p.smoothedCurvature = 0.0f;
  return p;
}

// A trace of `count` points `step` seconds apart from `start`, frequency
// from `f0` changing linearly by `slope` Hz per second.
inline void appendSweep(ChirpRecord& r, int count, float start, float step, float f0,
                        float slope) {
  for (int i = 0; i < count; ++i) {
    const float t = start + step * static_cast<float>(i);
    appendPoint(r, t, f0 + slope * (t - start));
  }
}

}  // namespace quilve::test
