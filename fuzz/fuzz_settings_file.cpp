// The settings file reader and its number syntax on arbitrary text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "fuzz_input.h"
#include "settings/scan_settings.h"
#include "settings/settings_file.h"

using namespace quilve;
using quilve::fuzz::expect;

namespace {

// A value written with six decimals and read back: within half the last
// written digit, and within the rounding of the reader's float arithmetic
// for large values.
bool sameWritten(float read, float reread) {
  const double a = read, b = reread;
  return std::fabs(a - b) <= 5e-7 + 1e-5 * std::fabs(a);
}

// Every setting the file holds, and every one it does not hold (those keep
// the values they had before the read).
void expectSameSettings(const ScanSettings& a, const ScanSettings& b) {
  constexpr int ScanSettings::*whole[] = {
      &ScanSettings::DetailSelection, &ScanSettings::FitSelection,
      &ScanSettings::PopSelection, &ScanSettings::ClutterSelection,
      &ScanSettings::DefaultExpansionFactor, &ScanSettings::ChirpDetectionThreshold,
      &ScanSettings::OutputFormat, &ScanSettings::TimeStandard,
      &ScanSettings::TimerOperationMode, &ScanSettings::RepeatIntervalMinutes};
  for (int ScanSettings::*f : whole) expect(a.*f == b.*f, "a whole-number setting read back changed");
  constexpr bool ScanSettings::*flags[] = {
      &ScanSettings::EnableDominantFreqFilter, &ScanSettings::EnableEndingFreqFilter,
      &ScanSettings::EnableCharacteristicFreqFilter, &ScanSettings::EnableCharacteristicSlopeFilter,
      &ScanSettings::EnableUpperSlopeFilter, &ScanSettings::EnableCurvatureFilter,
      &ScanSettings::IncludeSoundPressureLevel, &ScanSettings::IncludeCurvature,
      &ScanSettings::IncludeCurveFitError, &ScanSettings::IncludeGPSCoordinates,
      &ScanSettings::AllowFileCombining, &ScanSettings::TimerProgram1Enable,
      &ScanSettings::TimerProgram2Enable, &ScanSettings::TimerProgram3Enable,
      &ScanSettings::TimerProgram4Enable};
  for (bool ScanSettings::*f : flags) expect(a.*f == b.*f, "a switch read back changed");
  constexpr float ScanSettings::*numbers[] = {
      &ScanSettings::TriggerThreshold, &ScanSettings::PowerThreshold,
      &ScanSettings::MinimumFrequency, &ScanSettings::MaximumFrequency,
      &ScanSettings::MinimumDuration, &ScanSettings::DominantFreqMinValue,
      &ScanSettings::DominantFreqMaxValue, &ScanSettings::EndingFreqMinValue,
      &ScanSettings::EndingFreqMaxValue, &ScanSettings::CharacteristicFreqMinValue,
      &ScanSettings::CharacteristicFreqMaxValue, &ScanSettings::CharacteristicSlopeMinValue,
      &ScanSettings::CharacteristicSlopeMaxValue, &ScanSettings::UpperSlopeMinValue,
      &ScanSettings::UpperSlopeMaxValue, &ScanSettings::CurvatureMinValue,
      &ScanSettings::CurvatureMaxValue, &ScanSettings::SonoBrightness,
      &ScanSettings::SonoContrast};
  for (float ScanSettings::*f : numbers) expect(sameWritten(a.*f, b.*f), "a number read back changed");
  expect(a.ProgramStartTime == b.ProgramStartTime, "the start time read back changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  float number = 0.0f;
  if (parseSettingsNumber(text, &number)) expect(std::isfinite(number), "a number is not finite");

  static std::FILE* warnings = std::fopen("/dev/null", "w");
  const std::string& path = fuzz::writeInput(data, size, ".set");
  ScanSettings settings;
  if (readSettingsFile(path, settings, warnings)) {
    // What was read is written and read back unchanged.
    const std::string again = fuzz::scratchPath(".set");
    expect(writeSettingsFile(again, settings), "cannot write the settings back");
    ScanSettings reread;
    expect(readSettingsFile(again, reread, warnings), "the written settings do not read back");
    expectSameSettings(settings, reread);
  }
  return 0;
}
