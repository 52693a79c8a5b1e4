#include "engine/selection_criteria.h"

#include <cmath>

#include "engine/measure_call.h"

namespace quilve {

namespace {

// A value fails a window when it lies below its minimum or above its
// maximum, and when it is not a finite number (it lies in no window).
bool windowHolds(bool enabled, float value, float minValue, float maxValue) {
  if (!enabled) return true;
  if (!std::isfinite(value)) return false;
  bool holds = true;
  if (value < minValue) holds = false;
  if (value > maxValue) holds = false;
  return holds;
}

}  // namespace

bool passesDuration(const ChirpRecord& record, const ScanSettings& settings) {
  const int first = record.firstPoint;
  const int end = record.endPoint;
  if (first < 0 || end > kTracePoints || end - 1 <= first) return false;
  const float length = record.points[end - 1].time - record.points[first].time;
  return length >= settings.MinimumDuration;
}

bool passesPeakTest(const ChirpRecord& record, const ScanSettings& settings) {
  return record.peakLevel > record.peakNoise + settings.PowerThreshold;
}

bool passesFitRestriction(const CallParameters& parameters, const ScanSettings& settings) {
  switch (settings.FitSelection) {
    case kFitLow:
      return parameters.fitErrorPercent < 20.0f;
    case kFitStd:
      return parameters.fitErrorPercent < 10.0f;
    case kFitHigh:
      return parameters.fitErrorPercent < 5.0f;
    default:
      return true;
  }
}

bool passesFilterBank(const CallParameters& p, const ScanSettings& s) {
  // Analook reads slopes in octaves per second, every other layout in kHz/ms.
  const bool octaves = slopeFilterInOctaves(s.OutputFormat);
  const float charSlope = octaves ? p.charSlopeOct : p.charSlope;
  const float upperSlope = octaves ? p.upperSlopeOct : p.upperSlope;

  bool passes = true;
  passes &= windowHolds(s.EnableDominantFreqFilter, p.dominantFrequency, s.DominantFreqMinValue,
                        s.DominantFreqMaxValue);
  passes &= windowHolds(s.EnableEndingFreqFilter, p.endFrequency, s.EndingFreqMinValue,
                        s.EndingFreqMaxValue);
  passes &= windowHolds(s.EnableCharacteristicFreqFilter, p.charFrequency * 1000.0f,
                        s.CharacteristicFreqMinValue, s.CharacteristicFreqMaxValue);
  passes &= windowHolds(s.EnableCharacteristicSlopeFilter, charSlope,
                        s.CharacteristicSlopeMinValue, s.CharacteristicSlopeMaxValue);
  passes &= windowHolds(s.EnableUpperSlopeFilter, upperSlope, s.UpperSlopeMinValue,
                        s.UpperSlopeMaxValue);
  passes &= windowHolds(s.EnableCurvatureFilter, p.curvature, s.CurvatureMinValue,
                        s.CurvatureMaxValue);
  return passes;
}

bool passesFrequencyLimits(const CallParameters& parameters, const ScanSettings& settings) {
  return parameters.minFrequency >= settings.MinimumFrequency &&
         parameters.maxFrequency <= settings.MaximumFrequency;
}

bool passesPopFilter(const CallParameters& parameters, const ScanSettings& settings) {
  if (settings.PopSelection != kFilterOn) return true;
  return parameters.sinr > 4.9f;
}

ChainResult runAcceptanceChain(ChirpRecord& record, CallParameters& parameters,
                               const ScanSettings& settings, LinearFit& linearFit,
                               PolyFit& polyFit) {
  trimChirp(record);
  if (!passesDuration(record, settings)) return ChainResult::TooShort;
  if (!passesPeakTest(record, settings)) return ChainResult::TooWeak;
  measureCall(record, parameters, settings.OutputFormat, linearFit, polyFit);
  if (!passesFitRestriction(parameters, settings)) return ChainResult::FitRestriction;
  if (!passesFilterBank(parameters, settings)) return ChainResult::FilterBank;
  if (!(parameters.minFrequency >= settings.MinimumFrequency)) {
    return ChainResult::BelowMinimumFrequency;
  }
  if (!(parameters.maxFrequency <= settings.MaximumFrequency)) {
    return ChainResult::AboveMaximumFrequency;
  }
  if (!passesPopFilter(parameters, settings)) return ChainResult::Pop;
  record.accepted = 1;
  return ChainResult::Accepted;
}

}  // namespace quilve
