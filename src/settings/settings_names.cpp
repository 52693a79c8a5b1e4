#include "settings/settings_names.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "settings/settings_check.h"
#include "settings/settings_file.h"

namespace quilve {

namespace {

constexpr double kNo = std::numeric_limits<double>::quiet_NaN();  // no such bound

struct Field {
  const char* name;
  float ScanSettings::*f = nullptr;
  int ScanSettings::*i = nullptr;
  bool ScanSettings::*b = nullptr;
  std::string ScanSettings::*s = nullptr;
  const char* unit = "";
  double low = kNo;   // plain bounds the settings check holds the value to
  double high = kNo;
  const char* range = nullptr;  // the range in words where bounds alone do not say it
  const char* meaning = "";
};

#define QUILVE_FLOAT(n, unit, low, high, range, meaning) \
  Field{#n, &ScanSettings::n, nullptr, nullptr, nullptr, unit, low, high, range, meaning}
#define QUILVE_INT(n, unit, low, high, range, meaning) \
  Field{#n, nullptr, &ScanSettings::n, nullptr, nullptr, unit, low, high, range, meaning}
#define QUILVE_BOOL(n, meaning) Field{#n, nullptr, nullptr, &ScanSettings::n, nullptr, "0/1", 0, 1, nullptr, meaning}
#define QUILVE_TEXT(n, unit, range, meaning) \
  Field{#n, nullptr, nullptr, nullptr, &ScanSettings::n, unit, kNo, kNo, range, meaning}

constexpr const char* kSlopeUnit = "Oct/s or kHz/ms";
constexpr const char* kRowMax = "not below the row's minimum while the row is on";

const Field kFields[] = {
    QUILVE_FLOAT(TriggerThreshold, "dB", kNo, kNo, nullptr,
                 "how far a spectrum peak must stand out from the noise floor to start a call"),
    QUILVE_FLOAT(PowerThreshold, "dB", kNo, kNo, nullptr,
                 "how far a call's peak must stand out from the background for the call to count"),
    QUILVE_FLOAT(MinimumFrequency, "Hz", 0, kNo, "at least 0, below MaximumFrequency",
                 "lower edge of the analysed band; a call reaching below it does not count"),
    QUILVE_FLOAT(MaximumFrequency, "Hz", kNo, kNo, "above MinimumFrequency",
                 "upper edge of the analysed band; a call reaching above it does not count"),
    QUILVE_FLOAT(MinimumDuration, "s", 0, kNo, nullptr, "shortest call that counts"),
    QUILVE_INT(DetailSelection, "index", 1, 16, nullptr,
               "time span of the 128 sonogram columns (1: 5 ms, 3: 15 ms, 4: 20 ms, ..., 16: 500 ms), "
               "which sets the time step of the analysis"),
    QUILVE_INT(FitSelection, "choice", 0, 3, nullptr,
               "fit restriction: the fit error of a call's contour must be below 20 % (0, low), 10 % (1, "
               "standard) or 5 % (2, high); 3 is off"),
    QUILVE_INT(PopSelection, "0/1", 0, 1, nullptr,
               "pop filter: a call needs a signal-to-interference ratio above 4.9 dB"),
    QUILVE_INT(ClutterSelection, "0/1", 0, 1, nullptr,
               "clutter filter: a gap in a call does not end it, it is followed to the end of its window"),
    QUILVE_INT(DefaultExpansionFactor, "factor", kNo, kNo, "1 or 10",
               "time-expansion factor of recordings that state none (--expansion)"),
    QUILVE_BOOL(EnableDominantFreqFilter, "filter bank: test the dominant frequency (that of the loudest point)"),
    QUILVE_FLOAT(DominantFreqMinValue, "Hz", kNo, kNo, nullptr, "lowest dominant frequency that passes"),
    QUILVE_FLOAT(DominantFreqMaxValue, "Hz", kNo, kNo, kRowMax, "highest dominant frequency that passes"),
    QUILVE_BOOL(EnableEndingFreqFilter, "filter bank: test the frequency of a call's last point"),
    QUILVE_FLOAT(EndingFreqMinValue, "Hz", kNo, kNo, nullptr, "lowest ending frequency that passes"),
    QUILVE_FLOAT(EndingFreqMaxValue, "Hz", kNo, kNo, kRowMax, "highest ending frequency that passes"),
    QUILVE_BOOL(EnableCharacteristicFreqFilter, "filter bank: test the characteristic frequency (Fc)"),
    QUILVE_FLOAT(CharacteristicFreqMinValue, "Hz", kNo, kNo, nullptr, "lowest characteristic frequency that passes"),
    QUILVE_FLOAT(CharacteristicFreqMaxValue, "Hz", kNo, kNo, kRowMax, "highest characteristic frequency that passes"),
    QUILVE_BOOL(EnableCharacteristicSlopeFilter,
                "filter bank: test the characteristic slope (Sc; Oct/s with the analook layout, else kHz/ms)"),
    QUILVE_FLOAT(CharacteristicSlopeMinValue, kSlopeUnit, kNo, kNo, nullptr,
                 "lowest characteristic slope that passes"),
    QUILVE_FLOAT(CharacteristicSlopeMaxValue, kSlopeUnit, kNo, kNo, kRowMax,
                 "highest characteristic slope that passes"),
    QUILVE_BOOL(EnableUpperSlopeFilter,
                "filter bank: test the slope before the knee (Oct/s with the analook layout, else kHz/ms)"),
    QUILVE_FLOAT(UpperSlopeMinValue, kSlopeUnit, kNo, kNo, nullptr, "lowest upper slope that passes"),
    QUILVE_FLOAT(UpperSlopeMaxValue, kSlopeUnit, kNo, kNo, kRowMax, "highest upper slope that passes"),
    QUILVE_BOOL(EnableCurvatureFilter, "filter bank: test the curvature (the exponent P of the contour's power law)"),
    QUILVE_FLOAT(CurvatureMinValue, "exponent", kNo, kNo, nullptr, "lowest curvature that passes"),
    QUILVE_FLOAT(CurvatureMaxValue, "exponent", kNo, kNo, kRowMax, "highest curvature that passes"),
    QUILVE_INT(ChirpDetectionThreshold, "calls", 0, kNo, nullptr,
               "accepted calls a recording needs to pass (--min-calls)"),
    QUILVE_INT(OutputFormat, "choice", 0, 4, nullptr,
               "results layout: 0 analook, 1 sonobat2, 2 echoclass, 3 quilve, 4 zero-crossing files (--format)"),
    QUILVE_BOOL(IncludeSoundPressureLevel, "SPL column in the analook and sonobat2 layouts (--include spl)"),
    QUILVE_BOOL(IncludeCurvature, "Curv column in the analook and sonobat2 layouts (--include curvature)"),
    QUILVE_BOOL(IncludeCurveFitError, "Fit column in the analook and sonobat2 layouts (--include fit)"),
    QUILVE_BOOL(IncludeGPSCoordinates, "Lat, Lon and Alt columns in every layout but echoclass (--include gps)"),
    QUILVE_BOOL(AllowFileCombining, "zero-crossing output of consecutive recordings in one file (--combine)"),
    QUILVE_FLOAT(SonoBrightness, "dB", 0, 100, nullptr, "centre of the sonogram colour scale"),
    QUILVE_FLOAT(SonoContrast, "dB", 0, 100, nullptr, "width of the sonogram colour scale"),
    QUILVE_INT(TimeStandard, "choice", 0, 1, nullptr, "clock of the desktop program's operation timer: 0 UTC, 1 local"),
    QUILVE_INT(TimerOperationMode, "choice", 0, 2, nullptr,
               "operation timer: 0 off, 1 runs at ProgramStartTime each day, 2 every RepeatIntervalMinutes"),
    QUILVE_TEXT(ProgramStartTime, "hh:mm:ss", "at most 63 characters", "daily start of the operation timer (empty: 00:00:00)"),
    QUILVE_INT(RepeatIntervalMinutes, "min", 1, kNo, nullptr, "interval of the operation timer"),
    QUILVE_BOOL(TimerProgram1Enable, "the operation timer runs scan program 1"),
    QUILVE_BOOL(TimerProgram2Enable, "the operation timer runs scan program 2"),
    QUILVE_BOOL(TimerProgram3Enable, "the operation timer runs scan program 3"),
    QUILVE_BOOL(TimerProgram4Enable, "the operation timer runs scan program 4"),
};

#undef QUILVE_FLOAT
#undef QUILVE_INT
#undef QUILVE_BOOL
#undef QUILVE_TEXT

std::string fileKeyOf(const Field& field) {
  if (field.f) return settingsFileKey(field.f);
  if (field.i) return settingsFileKey(field.i);
  if (field.b) return settingsFileKey(field.b);
  return {};
}

std::string valueText(const ScanSettings& settings, const Field& f) {
  if (f.s) return settings.*f.s;
  if (f.b) return settings.*f.b ? "1" : "0";
  if (f.i) return std::to_string(settings.*f.i);
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(settings.*f.f));
  return text;
}

// A bound as the range shows it: "0", "100", "-1.5".
std::string boundText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string rangeText(const Field& f) {
  if (f.range) return f.range;
  const bool low = !std::isnan(f.low), high = !std::isnan(f.high);
  if (f.b || (f.low == 0 && f.high == 1)) return "0 or 1";
  if (low && high) return boundText(f.low) + " to " + boundText(f.high);
  if (low) return "at least " + boundText(f.low);
  if (high) return "at most " + boundText(f.high);
  return "any";
}

}  // namespace

bool setSettingByName(ScanSettings& settings, const std::string& name, const std::string& value,
                      std::string* error) {
  for (const Field& field : kFields) {
    if (name != field.name && (name.empty() || name != fileKeyOf(field))) continue;
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
  if (error) *error = "no setting named \"" + name + "\" (quilve-scan --list-settings lists them)";
  return false;
}

std::vector<std::string> settingNames() {
  std::vector<std::string> out;
  for (const Field& f : kFields) out.emplace_back(f.name);
  return out;
}

std::string settingsValuesText(const ScanSettings& settings) {
  std::string out;
  for (const Field& f : kFields) out += std::string(f.name) + "=" + valueText(settings, f) + "\n";
  return out;
}

std::vector<SettingDescription> settingsCatalogue() {
  const ScanSettings defaults;
  std::vector<SettingDescription> out;
  for (const Field& f : kFields) {
    SettingDescription d;
    d.name = f.name;
    d.fileKey = fileKeyOf(f);
    d.unit = f.unit;
    d.defaultText = f.f ? settingNumberText(defaults.*f.f) : valueText(defaults, f);
    if (d.defaultText.empty()) d.defaultText = "empty";
    d.range = rangeText(f);
    d.meaning = f.meaning;
    if (!std::isnan(f.low)) d.low = f.low;
    if (!std::isnan(f.high)) d.high = f.high;
    d.whole = f.i || f.b;
    out.push_back(std::move(d));
  }
  return out;
}

}  // namespace quilve
