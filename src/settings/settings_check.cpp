#include "settings/settings_check.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace quilve {

std::string settingNumberText(float value) {
  char text[64];
  if (!std::isfinite(value)) {
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
  }
  // A plain form where one of a few digits holds the value exactly.
  if (std::fabs(value) < 1e7f) {
    for (int decimals = 0; decimals <= 9; ++decimals) {
      std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
      if (std::strtof(text, nullptr) == value) return text;
    }
  }
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) break;
  }
  return text;
}

namespace {

class Problems {
 public:
  std::vector<std::string> texts;

  void add(const char* name, const std::string& value, const std::string& problem) {
    texts.push_back(std::string(name) + "=" + value + ": " + problem);
  }

  // False (and no further checks of it) when the number is not finite.
  bool finite(const char* name, float value) {
    if (std::isfinite(value)) return true;
    add(name, settingNumberText(value), "must be a finite number");
    return false;
  }

  void notBelowZero(const char* name, float value) {
    if (finite(name, value) && value < 0.0f) add(name, settingNumberText(value), "must not be below 0");
  }

  void inRange(const char* name, int value, int low, int high) {
    if (value < low || value > high) {
      add(name, std::to_string(value),
          "not in range " + std::to_string(low) + " to " + std::to_string(high));
    }
  }

  void atLeast(const char* name, int value, int low) {
    if (value < low) add(name, std::to_string(value), "must be at least " + std::to_string(low));
  }

  // A filter-bank row: its bounds are finite, and while the row is enabled
  // its minimum is not above its maximum (no chirp could pass it).
  void row(const char* enable, bool enabled, const char* minName, float min, const char* maxName,
           float max) {
    const bool numbers = finite(minName, min) & finite(maxName, max);
    if (numbers && enabled && min > max) {
      add(maxName, settingNumberText(max),
          std::string("must not be below ") + minName + " (" + settingNumberText(min) + ") while " +
              enable + " is on");
    }
  }
};

}  // namespace

std::vector<std::string> settingsProblems(const ScanSettings& s) {
  Problems p;
  p.finite("TriggerThreshold", s.TriggerThreshold);
  p.finite("PowerThreshold", s.PowerThreshold);
  p.notBelowZero("MinimumFrequency", s.MinimumFrequency);
  if (p.finite("MaximumFrequency", s.MaximumFrequency) && std::isfinite(s.MinimumFrequency) &&
      !(s.MaximumFrequency > s.MinimumFrequency)) {
    p.add("MaximumFrequency", settingNumberText(s.MaximumFrequency),
          "must be above MinimumFrequency (" + settingNumberText(s.MinimumFrequency) + ")");
  }
  p.notBelowZero("MinimumDuration", s.MinimumDuration);
  p.inRange("DetailSelection", s.DetailSelection, 1, 16);
  p.inRange("FitSelection", s.FitSelection, kFitLow, kFitOff);
  p.inRange("PopSelection", s.PopSelection, kFilterOff, kFilterOn);
  p.inRange("ClutterSelection", s.ClutterSelection, kFilterOff, kFilterOn);
  if (!validExpansionFactor(s.DefaultExpansionFactor)) {
    p.add("DefaultExpansionFactor", std::to_string(s.DefaultExpansionFactor), "must be 1 or 10");
  }
  p.row("EnableDominantFreqFilter", s.EnableDominantFreqFilter, "DominantFreqMinValue",
        s.DominantFreqMinValue, "DominantFreqMaxValue", s.DominantFreqMaxValue);
  p.row("EnableEndingFreqFilter", s.EnableEndingFreqFilter, "EndingFreqMinValue", s.EndingFreqMinValue,
        "EndingFreqMaxValue", s.EndingFreqMaxValue);
  p.row("EnableCharacteristicFreqFilter", s.EnableCharacteristicFreqFilter, "CharacteristicFreqMinValue",
        s.CharacteristicFreqMinValue, "CharacteristicFreqMaxValue", s.CharacteristicFreqMaxValue);
  p.row("EnableCharacteristicSlopeFilter", s.EnableCharacteristicSlopeFilter, "CharacteristicSlopeMinValue",
        s.CharacteristicSlopeMinValue, "CharacteristicSlopeMaxValue", s.CharacteristicSlopeMaxValue);
  p.row("EnableUpperSlopeFilter", s.EnableUpperSlopeFilter, "UpperSlopeMinValue", s.UpperSlopeMinValue,
        "UpperSlopeMaxValue", s.UpperSlopeMaxValue);
  p.row("EnableCurvatureFilter", s.EnableCurvatureFilter, "CurvatureMinValue", s.CurvatureMinValue,
        "CurvatureMaxValue", s.CurvatureMaxValue);
  p.atLeast("ChirpDetectionThreshold", s.ChirpDetectionThreshold, 0);
  p.inRange("OutputFormat", s.OutputFormat, kOutputAnalook, kOutputZcd);
  for (const auto& [name, value] : {std::pair<const char*, float>{"SonoBrightness", s.SonoBrightness},
                                    std::pair<const char*, float>{"SonoContrast", s.SonoContrast}}) {
    if (p.finite(name, value) && (value < 0.0f || value > 100.0f)) {
      p.add(name, settingNumberText(value), "not in range 0 to 100");
    }
  }
  p.inRange("TimeStandard", s.TimeStandard, kTimeUtc, kTimeLocal);
  p.inRange("TimerOperationMode", s.TimerOperationMode, kTimerOff, kTimerRunEvery);
  p.atLeast("RepeatIntervalMinutes", s.RepeatIntervalMinutes, 1);
  return p.texts;
}

}  // namespace quilve
