#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "engine/selection_criteria.h"
#include "engine/trace_points.h"
#include "fit/linear_fit.h"
#include "fit/poly_fit.h"

namespace quilve {
namespace {

using test::appendPoint;

TEST(SingleTests, DurationAndPeakBoundaries) {
  auto store = std::make_unique<ChirpStore>();
  ScanSettings s;
  s.MinimumDuration = 0.0f;
  ChirpRecord& r = store->records[0];
  appendPoint(r, 0.0100f, 50000);
  EXPECT_FALSE(passesDuration(r, s));  // one point, even with no minimum
  appendPoint(r, 0.0105f, 45000);
  appendPoint(r, 0.0110f, 40000);
  s.MinimumDuration = r.points[2].time - r.points[0].time;
  EXPECT_TRUE(passesDuration(r, s));
  s.MinimumDuration = std::nextafter(s.MinimumDuration, 1.0f);
  EXPECT_FALSE(passesDuration(r, s));
  r.endPoint = kTracePoints + 1;  // never read outside the store
  EXPECT_FALSE(passesDuration(r, s));

  s.PowerThreshold = 21.0f;
  r.peakNoise = 30.0f;
  r.peakLevel = 51.0f;
  EXPECT_FALSE(passesPeakTest(r, s));
  r.peakLevel = 51.01f;
  EXPECT_TRUE(passesPeakTest(r, s));
}

TEST(SingleTests, FitRestrictionLimitsAreStrict) {
  CallParameters c;
  ScanSettings s;
  const struct { int selection; float limit; } limits[] = {
      {kFitLow, 20.0f}, {kFitStd, 10.0f}, {kFitHigh, 5.0f}};
  for (const auto& l : limits) {
    s.FitSelection = l.selection;
    c.fitErrorPercent = l.limit;
    EXPECT_FALSE(passesFitRestriction(c, s)) << l.selection;
    c.fitErrorPercent = std::nextafter(l.limit, 0.0f);
    EXPECT_TRUE(passesFitRestriction(c, s)) << l.selection;
  }
  c.fitErrorPercent = 1e6f;
  s.FitSelection = kFitOff;
  EXPECT_TRUE(passesFitRestriction(c, s));
  s.FitSelection = 7;
  EXPECT_TRUE(passesFitRestriction(c, s));
}

TEST(SingleTests, FilterBankWindowsFrequencyLimitsAndPop) {
  ScanSettings s;
  CallParameters c;
  EXPECT_TRUE(passesFilterBank(c, s));  // nothing enabled
  s.EnableDominantFreqFilter = true;
  s.DominantFreqMinValue = 40000;
  s.DominantFreqMaxValue = 50000;
  for (float f : {40000.0f, 50000.0f}) {
    c.dominantFrequency = f;
    EXPECT_TRUE(passesFilterBank(c, s)) << f;
  }
  c.dominantFrequency = 50001;
  EXPECT_FALSE(passesFilterBank(c, s));
  // A value that is not a finite number lies in no window.
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    c.dominantFrequency = bad;
    EXPECT_FALSE(passesFilterBank(c, s)) << bad;
  }
  s.EnableDominantFreqFilter = false;

  // Fc is held in kHz and compared in Hz.
  s.EnableCharacteristicFreqFilter = true;
  s.CharacteristicFreqMinValue = 40000;
  s.CharacteristicFreqMaxValue = 50000;
  c.charFrequency = 45.0f;
  EXPECT_TRUE(passesFilterBank(c, s));
  s.EnableCharacteristicFreqFilter = false;

  // Slopes are tested in octaves per second for Analook only.
  s.EnableCharacteristicSlopeFilter = true;
  c.charSlope = -2.0f;
  c.charSlopeOct = 400.0f;
  s.OutputFormat = kOutputAnalook;
  EXPECT_FALSE(passesFilterBank(c, s));
  s.OutputFormat = kOutputEchoclass;
  EXPECT_TRUE(passesFilterBank(c, s));

  s.MinimumFrequency = 15000;
  s.MaximumFrequency = 125000;
  c.minFrequency = 15000;
  c.maxFrequency = 125000;
  EXPECT_TRUE(passesFrequencyLimits(c, s));
  c.minFrequency = 14999;
  EXPECT_FALSE(passesFrequencyLimits(c, s));

  c.sinr = 4.9f;
  EXPECT_TRUE(passesPopFilter(c, s));
  s.PopSelection = kFilterOn;
  EXPECT_FALSE(passesPopFilter(c, s));
}

// The Scan Setup window labels the slope windows with slopeUnitLabel: a
// window typed in that unit around a call's slope must let the call pass,
// for every output format.
TEST(SingleTests, SlopeWindowsCompareTheUnitTheLabelNames) {
  CallParameters c;
  c.charSlope = -2.0f;      // kHz/ms
  c.upperSlope = -3.0f;
  c.charSlopeOct = 400.0f;  // octaves per second
  c.upperSlopeOct = 600.0f;
  for (int format : {kOutputAnalook, kOutputSonoBat2, kOutputEchoclass, kOutputQuilve, kOutputZcd}) {
    ScanSettings s;
    s.OutputFormat = format;
    s.EnableCharacteristicSlopeFilter = true;
    s.EnableUpperSlopeFilter = true;
    const bool octaves = std::string(slopeUnitLabel(format)) == "(Oct/sec)";
    s.CharacteristicSlopeMinValue = octaves ? 350.0f : -2.5f;
    s.CharacteristicSlopeMaxValue = octaves ? 450.0f : -1.5f;
    s.UpperSlopeMinValue = octaves ? 550.0f : -3.5f;
    s.UpperSlopeMaxValue = octaves ? 650.0f : -2.5f;
    EXPECT_TRUE(passesFilterBank(c, s)) << format;
  }
}

TEST(AcceptanceChain, RunsItsStepsInOrder) {
  auto store = std::make_unique<ChirpStore>();
  ChirpRecord& r = store->records[0];
  CallParameters& c = store->parameters[0];
  LinearFit linearFit;
  PolyFit polyFit;
  ScanSettings s;
  auto run = [&] {
    r.firstPoint = 0;
    r.endPoint = 21;
    r.accepted = 0;
    return runAcceptanceChain(r, c, s, linearFit, polyFit);
  };
  r.peakLevel = 80;
  r.peakNoise = 30;
  test::appendSweep(r, 21, 0.0f, 0.0001f, 60000.0f, -1.0e7f);  // 60 -> 40 kHz, 2 ms
  ASSERT_EQ(run(), ChainResult::Accepted);
  EXPECT_EQ(r.accepted, 1);

  // 1 Hz above the lowest point: rejected though every other test passes.
  s.MinimumFrequency = 40001;
  EXPECT_EQ(run(), ChainResult::BelowMinimumFrequency);
  EXPECT_EQ(r.accepted, 0);
  // An earlier failing step is the one reported.
  s.EnableEndingFreqFilter = true;
  s.EndingFreqMinValue = 50000;
  EXPECT_EQ(run(), ChainResult::FilterBank);
  r.peakLevel = 51;
  EXPECT_EQ(run(), ChainResult::TooWeak);
  s.MinimumDuration = 0.0021f;
  EXPECT_EQ(run(), ChainResult::TooShort);
}

}  // namespace
}  // namespace quilve
