#pragma once
// The acceptance tests of a finished trace and the chain that runs them in
// order. The single tests are pure functions of the slot's records and the
// settings; the chain also trims and measures the call.
#include "engine/chirp_record.h"
#include "settings/scan_settings.h"

namespace quilve {

class LinearFit;
class PolyFit;

// At least two points, and the time from the first to the last point is at
// least MinimumDuration.
bool passesDuration(const ChirpRecord& record, const ScanSettings& settings);

// The peak stands strictly more than PowerThreshold above its background.
bool passesPeakTest(const ChirpRecord& record, const ScanSettings& settings);

// fitErrorPercent below the limit of FitSelection (20, 10, 5 %; Off passes).
bool passesFitRestriction(const CallParameters& parameters, const ScanSettings& settings);

// Every enabled filter-bank window holds its value (bounds included). All six
// are evaluated; with none enabled the call passes.
bool passesFilterBank(const CallParameters& parameters, const ScanSettings& settings);

// minFrequency >= MinimumFrequency and maxFrequency <= MaximumFrequency.
bool passesFrequencyLimits(const CallParameters& parameters, const ScanSettings& settings);

// With PopSelection on, sinr must lie strictly above 4.9 dB.
bool passesPopFilter(const CallParameters& parameters, const ScanSettings& settings);

// Outcome of the chain: the first step that rejected the call, or Accepted.
enum class ChainResult {
  Accepted,
  TooShort,
  TooWeak,
  FitRestriction,
  FilterBank,
  BelowMinimumFrequency,
  AboveMaximumFrequency,
  Pop,
};

// Runs the chain on one slot: trim, duration, peak, measure, fit restriction,
// filter bank, frequency limits, pop filter. The first failing step rejects
// the call. An accepted call gets record.accepted = 1; the records of a
// rejected one are left as the failing step found them.
ChainResult runAcceptanceChain(ChirpRecord& record, CallParameters& parameters,
                               const ScanSettings& settings, LinearFit& linearFit,
                               PolyFit& polyFit);

}  // namespace quilve
