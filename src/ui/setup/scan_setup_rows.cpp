#include "ui/setup/scan_setup_rows.h"

#include "settings/settings_file.h"
#include "ui/setup/loose_number.h"
#include "ui/setup/setup_ids.h"

namespace quilve::ui {

namespace {

using VK = ValueRowLayout::Kind;
const ValueRowLayout kValueRows[setup_ids::kValueRowCount] = {
    {16, "Trigger Level", "(dB)", "%3.1f", &ScanSettings::TriggerThreshold, VK::Level, 1.0f},
    {48, "Min Freq Cutoff", "(KHz)", "%4.1f", &ScanSettings::MinimumFrequency, VK::Frequency, 0.0f},
    {80, "Max Freq Cutoff", "(KHz)", "%4.1f", &ScanSettings::MaximumFrequency, VK::Frequency, 0.0f},
    {152, "Peak Power", "(dB)", "%3.1f", &ScanSettings::PowerThreshold, VK::Level, 3.0f},
    {184, "Min Duration", "(mSec)", "%3.1f", &ScanSettings::MinimumDuration, VK::Duration, 0.0f},
};

using FU = FilterRowLayout::Unit;
const FilterRowLayout kFilterRows[setup_ids::kFilterRowCount] = {
    {328, "Dom Freq", &ScanSettings::EnableDominantFreqFilter, &ScanSettings::DominantFreqMinValue,
     &ScanSettings::DominantFreqMaxValue, FU::Frequency},
    {360, "End Freq", &ScanSettings::EnableEndingFreqFilter, &ScanSettings::EndingFreqMinValue,
     &ScanSettings::EndingFreqMaxValue, FU::Frequency},
    {392, "Char Freq", &ScanSettings::EnableCharacteristicFreqFilter,
     &ScanSettings::CharacteristicFreqMinValue, &ScanSettings::CharacteristicFreqMaxValue, FU::Frequency},
    {424, "Char Slope", &ScanSettings::EnableCharacteristicSlopeFilter,
     &ScanSettings::CharacteristicSlopeMinValue, &ScanSettings::CharacteristicSlopeMaxValue, FU::Slope},
    {456, "Upper Slope", &ScanSettings::EnableUpperSlopeFilter, &ScanSettings::UpperSlopeMinValue,
     &ScanSettings::UpperSlopeMaxValue, FU::Slope},
    {488, "Curvature", &ScanSettings::EnableCurvatureFilter, &ScanSettings::CurvatureMinValue,
     &ScanSettings::CurvatureMaxValue, FU::Curvature},
};

const GroupChoice kFitChoices[] = {
    {setup_ids::kFitOffBox, kFitOff},
    {setup_ids::kFitHighBox, kFitHigh},
    {setup_ids::kFitStdBox, kFitStd},
    {setup_ids::kFitLowBox, kFitLow},
};
const GroupChoice kPopChoices[] = {{setup_ids::kPopOffBox, kFilterOff}, {setup_ids::kPopOnBox, kFilterOn}};
const GroupChoice kClutterChoices[] = {{setup_ids::kClutterOffBox, kFilterOff},
                                       {setup_ids::kClutterOnBox, kFilterOn}};
const ChoiceGroup kGroups[kChoiceGroupCount] = {
    {&ScanSettings::FitSelection, kFitChoices, 4},
    {&ScanSettings::PopSelection, kPopChoices, 2},
    {&ScanSettings::ClutterSelection, kClutterChoices, 2},
};

}  // namespace

const ValueRowLayout& valueRow(int row) { return kValueRows[row]; }
const FilterRowLayout& filterRow(int row) { return kFilterRows[row]; }
const ChoiceGroup& choiceGroup(int index) { return kGroups[index]; }

float shownValue(const ValueRowLayout& layout, float setting) {
  switch (layout.kind) {
    case VK::Frequency:
      return hzToKhz(setting);
    case VK::Duration:
      return secondsToMs(setting);
    case VK::Level:
      break;
  }
  return setting;
}

float typedValue(const ValueRowLayout& layout, float shown) {
  switch (layout.kind) {
    case VK::Frequency:
      return khzToHz(shown);
    case VK::Duration: {
      const float seconds = msToSeconds(shown);
      return seconds < 0.0f ? 0.0f : seconds;
    }
    case VK::Level:
      break;
  }
  return shown;
}

float steppedValue(const ValueRowLayout& layout, float setting, int steps) {
  switch (layout.kind) {
    case VK::Frequency:
      return stepFrequency(setting, steps);
    case VK::Duration:
      return stepDuration(setting, steps);
    case VK::Level:
      break;
  }
  return setting + static_cast<float>(steps) * layout.levelStep;
}

float shownFilterValue(const FilterRowLayout& layout, float setting) {
  return layout.unit == FU::Frequency ? hzToKhz(setting) : setting;
}

bool typedFilterValue(const FilterRowLayout& layout, std::string_view text, float* setting) {
  float v = 0.0f;
  if (layout.unit == FU::Frequency) {
    if (!parseSettingsNumber(text, &v)) return false;
    *setting = typedFilterFrequency(v);
    return true;
  }
  if (!parseLooseNumber(text, &v)) return false;
  *setting = v;
  return true;
}

}  // namespace quilve::ui
