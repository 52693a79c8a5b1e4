#include "settings/settings_names.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "settings/settings_file.h"

namespace quilve {

namespace {

struct Field {
  const char* name;
  float ScanSettings::*f = nullptr;
  int ScanSettings::*i = nullptr;
  bool ScanSettings::*b = nullptr;
  std::string ScanSettings::*s = nullptr;
};

#define QUILVE_FLOAT(n) Field{#n, &ScanSettings::n, nullptr, nullptr, nullptr}
#define QUILVE_INT(n) Field{#n, nullptr, &ScanSettings::n, nullptr, nullptr}
#define QUILVE_BOOL(n) Field{#n, nullptr, nullptr, &ScanSettings::n, nullptr}
#define QUILVE_TEXT(n) Field{#n, nullptr, nullptr, nullptr, &ScanSettings::n}

const Field kFields[] = {
    QUILVE_FLOAT(TriggerThreshold), QUILVE_FLOAT(PowerThreshold), QUILVE_FLOAT(MinimumFrequency),
    QUILVE_FLOAT(MaximumFrequency), QUILVE_FLOAT(MinimumDuration), QUILVE_INT(DetailSelection),
    QUILVE_INT(FitSelection), QUILVE_INT(PopSelection), QUILVE_INT(ClutterSelection),
    QUILVE_INT(DefaultExpansionFactor),
    QUILVE_BOOL(EnableDominantFreqFilter), QUILVE_FLOAT(DominantFreqMinValue), QUILVE_FLOAT(DominantFreqMaxValue),
    QUILVE_BOOL(EnableEndingFreqFilter), QUILVE_FLOAT(EndingFreqMinValue), QUILVE_FLOAT(EndingFreqMaxValue),
    QUILVE_BOOL(EnableCharacteristicFreqFilter), QUILVE_FLOAT(CharacteristicFreqMinValue),
    QUILVE_FLOAT(CharacteristicFreqMaxValue),
    QUILVE_BOOL(EnableCharacteristicSlopeFilter), QUILVE_FLOAT(CharacteristicSlopeMinValue),
    QUILVE_FLOAT(CharacteristicSlopeMaxValue),
    QUILVE_BOOL(EnableUpperSlopeFilter), QUILVE_FLOAT(UpperSlopeMinValue), QUILVE_FLOAT(UpperSlopeMaxValue),
    QUILVE_BOOL(EnableCurvatureFilter), QUILVE_FLOAT(CurvatureMinValue), QUILVE_FLOAT(CurvatureMaxValue),
    QUILVE_INT(ChirpDetectionThreshold), QUILVE_INT(OutputFormat),
    QUILVE_BOOL(IncludeSoundPressureLevel), QUILVE_BOOL(IncludeCurvature), QUILVE_BOOL(IncludeCurveFitError),
    QUILVE_BOOL(IncludeGPSCoordinates), QUILVE_BOOL(AllowFileCombining),
    QUILVE_FLOAT(SonoBrightness), QUILVE_FLOAT(SonoContrast), QUILVE_INT(TimeStandard),
    QUILVE_INT(TimerOperationMode), QUILVE_TEXT(ProgramStartTime), QUILVE_INT(RepeatIntervalMinutes),
    QUILVE_BOOL(TimerProgram1Enable), QUILVE_BOOL(TimerProgram2Enable), QUILVE_BOOL(TimerProgram3Enable),
    QUILVE_BOOL(TimerProgram4Enable),
};

#undef QUILVE_FLOAT
#undef QUILVE_INT
#undef QUILVE_BOOL
#undef QUILVE_TEXT

}  // namespace

bool setSettingByName(ScanSettings& settings, const std::string& name, const std::string& value,
                      std::string* error) {
  for (const Field& field : kFields) {
    if (name != field.name) continue;
    if (field.s) {
      if (value.size() > kMaxStartTimeChars) {
        if (error) *error = name + ": at most 63 characters";
        return false;
      }
      settings.*field.s = value;
      return true;
    }
    if (field.b) {
      if (value == "1" || value == "true" || value == "on") {
        settings.*field.b = true;
        return true;
      }
      if (value == "0" || value == "false" || value == "off") {
        settings.*field.b = false;
        return true;
      }
      if (error) *error = name + ": expected 0 or 1, not \"" + value + "\"";
      return false;
    }
    float number = 0;
    if (!parseSettingsNumber(value, &number)) {
      if (error) *error = name + ": \"" + value + "\" is not a number";
      return false;
    }
    if (field.f) {
      settings.*field.f = number;
      return true;
    }
    const float whole = std::trunc(number);
    if (whole != number || std::fabs(whole) > 1e9f) {
      if (error) *error = name + ": expected a whole number, not \"" + value + "\"";
      return false;
    }
    settings.*field.i = static_cast<int>(whole);
    return true;
  }
  if (error) *error = "no setting named \"" + name + "\"";
  return false;
}

std::vector<std::string> settingNames() {
  std::vector<std::string> out;
  for (const Field& f : kFields) out.emplace_back(f.name);
  return out;
}

std::string settingsValuesText(const ScanSettings& settings) {
  std::string out;
  for (const Field& f : kFields) {
    out += f.name;
    out += '=';
    if (f.s) {
      out += settings.*f.s;
    } else if (f.b) {
      out += settings.*f.b ? "1" : "0";
    } else if (f.i) {
      out += std::to_string(settings.*f.i);
    } else {
      char text[32];
      std::snprintf(text, sizeof text, "%.9g", static_cast<double>(settings.*f.f));
      out += text;
    }
    out += '\n';
  }
  return out;
}

}  // namespace quilve
