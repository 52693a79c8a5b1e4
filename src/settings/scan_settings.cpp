#include "settings/scan_settings.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace quilve {

void setBoundedText(std::string& field, std::string_view value, std::size_t maxChars) {
  field.assign(value.substr(0, maxChars));
}

bool timerProgramEnabled(const ScanSettings& s, int program) {
  switch (program) {
    case 1: return s.TimerProgram1Enable;
    case 2: return s.TimerProgram2Enable;
    case 3: return s.TimerProgram3Enable;
    case 4: return s.TimerProgram4Enable;
    default: return false;
  }
}

std::uint32_t packOutputOptions(const ScanSettings& s) {
  std::uint32_t bits = 0;
  if (s.IncludeSoundPressureLevel) bits |= kOptionSoundPressureLevel;
  if (s.IncludeCurvature) bits |= kOptionCurvature;
  if (s.IncludeCurveFitError) bits |= kOptionCurveFitError;
  if (s.IncludeGPSCoordinates) bits |= kOptionGpsCoordinates;
  if (s.AllowFileCombining) bits |= kOptionFileCombining;
  return bits;
}

void unpackOutputOptions(std::uint32_t bits, ScanSettings& s) {
  s.IncludeSoundPressureLevel = (bits & kOptionSoundPressureLevel) != 0;
  s.IncludeCurvature = (bits & kOptionCurvature) != 0;
  s.IncludeCurveFitError = (bits & kOptionCurveFitError) != 0;
  s.IncludeGPSCoordinates = (bits & kOptionGpsCoordinates) != 0;
  s.AllowFileCombining = (bits & kOptionFileCombining) != 0;
}

int spanMilliseconds(int detailSelection) {
  // Index 1..16; the slider reaches 15, index 16 can only come from storage.
  static const int kSpans[] = {5, 10, 15, 20, 25, 50, 75, 100, 150, 200, 250, 300, 350, 400, 450, 500};
  constexpr int kCount = static_cast<int>(sizeof kSpans / sizeof kSpans[0]);
  if (detailSelection < 1 || detailSelection > kCount) return 20;
  return kSpans[detailSelection - 1];
}

float spanSeconds(int detailSelection) {
  return static_cast<float>(spanMilliseconds(detailSelection)) * 0.001f;
}

std::string spanLabel(int detailSelection) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%3d msec", spanMilliseconds(detailSelection));
  return buf;
}

const char* slopeUnitLabel(int outputFormat) {
  // A label naming another unit than the filter's would have the user type
  // a window no call can pass.
  return slopeFilterInOctaves(outputFormat) ? "(Oct/sec)" : "(KHz/msec)";
}

float stepFrequency(float hz, int steps) {
  float v = hz + static_cast<float>(steps) * 1000.0f;
  return v < 0.0f ? 0.0f : v;
}

float stepDuration(float seconds, int steps) {
  float v = seconds + static_cast<float>(steps) * 0.001f;
  return v < 0.0f ? 0.0f : v;
}

float typedFilterFrequency(float khz) {
  float hz = khzToHz(khz);
  return hz < 0.0f ? 0.0f : hz;
}

namespace {

// Truncates toward zero, keeping the result inside int (NaN gives 0).
int truncateToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

}  // namespace

int typedChirpsPerFile(double value) { return truncateToInt(value); }

int typedRepeatInterval(double minutes) { return truncateToInt(minutes + 0.5); }

std::string shownStartTime(const ScanSettings& s) {
  return s.ProgramStartTime.empty() ? std::string("00:00:00") : s.ProgramStartTime;
}

ColourScale colourScaleEdges(float brightness, float contrast) {
  ColourScale c;
  c.lower = brightness - contrast / 2.0f;
  c.upper = c.lower + contrast;
  return c;
}

}  // namespace quilve
