// The chirp detector on hand-made spectrum columns: trigger, noise floor,
// confirmation, gap handling, level threshold, harmonic search and tiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/chirp_detector.h"

namespace quilve {
namespace {

// One spectrum column: levels and the matching linear powers.
struct Column {
  std::array<float, kSpectrumBins> level{};
  std::array<float, kSpectrumBins> power{};
  explicit Column(float db) {
    for (int k = 0; k < kSpectrumBins; ++k) set(k, db);
    level[0] = 0.0f;
  }
  Column& set(int bin, float db) {
    level[bin] = db;
    power[bin] = static_cast<float>(std::pow(10.0, (db - 19.0 + 48.1648) / 10.0));
    return *this;
  }
};

class DetectorTest : public ::testing::Test {
 protected:
  // A column time that is exact in binary keeps the time gates exact.
  static constexpr float kDt = 1.0f / 8192.0f;
  // 0 dB stays exactly 0 under the background's running average.
  static constexpr float kBackground = 0.0f;

  void start(bool clutter = true, float background = kBackground) {
    DetectorSetup s;
    s.columnTime = kDt;
    s.nyquist = 125000.0;
    s.lowestBin = lowestAnalysedBin(15000.0, s.nyquist);
    s.triggerThreshold = 18.0f;
    s.clutterSelection = clutter;
    detector.startRecording(s);
    quiet = Column(background);
    detector.prime(quiet.level.data());
    for (int i = 0; i < 40; ++i) column(quiet);
  }
  DetectorStep column(const Column& c) {
    const DetectorStep r = detector.step(c.level.data(), c.power.data(),
                                         static_cast<double>(columns) * kDt, record, slot);
    ++columns;
    return r;
  }
  Column tone(int bin, float db) const { return Column(quiet).set(bin, db); }
  // Trigger at `bin`, then `extra` consecutive points there: Track follows
  // once four points are in.
  void openTrack(int bin, float db, int extra = 4) {
    ASSERT_EQ(column(tone(bin, db)).state, DetectorState::Confirm);
    for (int i = 0; i < extra; ++i) column(tone(bin, db));
    ASSERT_EQ(detector.state(), DetectorState::Track);
  }

  MemoryTileStore tiles;
  ChirpDetector detector{&tiles};
  ChirpRecord record;
  Column quiet{kBackground};
  int columns = 0;
  int slot = 3;
};

TEST_F(DetectorTest, TriggerIsStrictAndKeepsToTheAnalysedBins) {
  start();
  // 15 kHz at 250 kHz: bins 20..122 may trigger.
  EXPECT_EQ(lowestAnalysedBin(15000.0, 125000.0), 15);
  EXPECT_EQ(column(tone(40, kBackground + 18.0f)).state, DetectorState::Search);
  EXPECT_EQ(column(tone(19, 60.0f)).state, DetectorState::Search);
  EXPECT_EQ(column(tone(123, 60.0f)).state, DetectorState::Search);
  // A louder bin below the lowest analysed bin is not the peak.
  EXPECT_EQ(column(tone(20, 60.0f).set(10, 90.0f)).state, DetectorState::Confirm);
  EXPECT_EQ(detector.peakBin(), 20);
  start();
  EXPECT_EQ(column(tone(122, 60.0f)).state, DetectorState::Confirm);
  start();
  EXPECT_EQ(column(tone(40, kBackground + 18.01f)).state, DetectorState::Confirm);
  EXPECT_FLOAT_EQ(record.levelThreshold, kBackground + 18.0f);
  EXPECT_EQ(record.endPoint, 1);
}

TEST_F(DetectorTest, NoiseFloorIgnoresFeaturesUpToFourBinsWide) {
  for (int width : {4, 5}) {
    start();
    Column c(kBackground);
    for (int k = 60; k < 60 + width; ++k) c.set(k, 40.0f);
    detector.prime(c.level.data());
    column(c);
    const float* f = detector.noiseFloor();
    const float highest = *std::max_element(f, f + kSpectrumBins);
    if (width == 4) {
      EXPECT_FLOAT_EQ(highest, kBackground);
    } else {
      EXPECT_GT(highest, kBackground + 1.0f);
    }
  }
}

TEST_F(DetectorTest, NoiseFloorMatchesPlainWindowsAtTheEdges) {
  start();
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> db(0.0f, 40.0f);
  Column c(0.0f);
  for (int k = 1; k < kSpectrumBins; ++k) c.set(k, db(rng));
  detector.prime(c.level.data());
  column(c);
  const float* b = detector.background();
  auto window = [](int k, int half, int n) { return std::pair(std::max(k - half, 0), std::min(k + half, n - 1)); };
  std::vector<float> a(kSpectrumBins), m(kSpectrumBins);
  for (int k = 0; k < kSpectrumBins; ++k) {
    auto [lo, hi] = window(k, 1, kSpectrumBins);
    a[k] = *std::max_element(b + lo, b + hi + 1);
  }
  for (int k = 0; k < kSpectrumBins; ++k) {
    auto [lo, hi] = window(k, 3, kSpectrumBins);
    m[k] = *std::min_element(a.begin() + lo, a.begin() + hi + 1);
  }
  for (int k = 0; k < kSpectrumBins; ++k) {
    auto [lo, hi] = window(k, 7, kSpectrumBins);
    float sum = 0.0f;
    for (int i = lo; i <= hi; ++i) sum += m[i];
    EXPECT_EQ(detector.noiseFloor()[k], sum / static_cast<float>(hi - lo + 1)) << "bin " << k;
  }
}

TEST_F(DetectorTest, BandLevelsFollowTheBinByBinDefinition) {
  // Plain bin-by-bin reference: the fundamental band m-5 .. m+4 around the
  // rounded centroid, bands of the same width at its multiples, the rest
  // out of band, all summed with addLevels from the lowest analysed bin up.
  start();
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> db(-5.0f, 30.0f);
  Column c(0.0f);
  for (int k = 1; k < kSpectrumBins; ++k) c.set(k, db(rng));
  column(c);
  const float* floor = detector.noiseFloor();
  for (int bin : {1, 2, 5, 16, 23, 40, 64, 100, 125, 126, 127}) {
    float cb = static_cast<float>(bin);
    if (bin > 1 && bin < 126) {
      float w = 0.0f, t = 0.0f;
      for (int k = bin - 2; k <= bin + 2; ++k) w += k * c.power[k], t += c.power[k];
      cb = w / t;
    }
    float sums[3] = {-100.0f, -100.0f, -100.0f};  // out, fundamental, harmonics
    int h = 1;
    int m = static_cast<int>(cb + 0.5f);
    int lo = std::max(m - 5, 0), hi = std::min(m + 5, 127);
    bool bands = true;
    for (int k = 15; k < kSpectrumBins;) {
      const float x = c.level[k] - floor[k];
      if (bands && k >= hi) {
        ++h;
        m = static_cast<int>(static_cast<float>(h) * cb + 0.5f);
        bands = m - 5 >= 0 && m - 5 <= 127;
        lo = m - 5;
        hi = std::min(m + 5, 127);
        continue;
      }
      const int to = bands && k >= lo ? (h == 1 ? 1 : 2) : 0;
      sums[to] = addLevels(sums[to], x);
      ++k;
    }
    const BinMeasure got = detector.measureBin(c.level.data(), c.power.data(), bin);
    EXPECT_NEAR(got.frequency, cb * 125000.0 / 128.0, 0.01) << bin;
    EXPECT_FLOAT_EQ(got.outOfBand, sums[0]) << bin;
    EXPECT_FLOAT_EQ(got.fundamental, sums[1]) << bin;
    EXPECT_FLOAT_EQ(got.harmonics, sums[2]) << bin;
  }
}

TEST_F(DetectorTest, ConfirmCountsThePointsHeldWhenItsColumnStarts) {
  // Points at confirm columns 7 and 14 and at the sixteenth column: three
  // points when that column starts, so the candidate is dropped.
  const Column call = Column(kBackground).set(40, 40.0f);
  const Column elsewhere = Column(kBackground).set(100, 40.0f);  // outside the 15 kHz gate
  for (bool fourthEarly : {false, true}) {
    start();
    ASSERT_EQ(column(call).state, DetectorState::Confirm);
    for (int c = 1; c <= 16; ++c) {
      const bool point = c == 7 || c == 14 || c == 16 || (fourthEarly && c == 15);
      const DetectorStep r = column(point ? call : elsewhere);
      if (c < 16) {
        ASSERT_EQ(r.state, DetectorState::Confirm) << "column " << c;
      }
    }
    EXPECT_EQ(detector.state(), fourthEarly ? DetectorState::Track : DetectorState::Search);
    EXPECT_EQ(record.endPoint, fourthEarly ? 5 : 4);
  }
}

TEST_F(DetectorTest, GapEndsTheTrackOnlyWithClutterSelectionOff) {
  for (bool clutter : {false, true}) {
    start(clutter);
    slot = 3;
    const int trigger = columns;
    openTrack(40, 40.0f);  // last point 4 columns after the trigger
    int finishedAt = -1;
    for (int c = 5; c <= 112 && finishedAt < 0; ++c) {
      if (column(quiet).candidateFinished) finishedAt = c;
    }
    // Off: the first column more than 8 column times after the last point;
    // On: the end of the 112-column window.
    EXPECT_EQ(finishedAt, clutter ? 112 : 13);
    EXPECT_EQ(detector.state(), DetectorState::Search);
    EXPECT_EQ(record.endPoint, 5);
    EXPECT_EQ(tiles.columnCount(slot), clutter ? kTileColumns : 16 + 13);
    EXPECT_EQ(columns - trigger, finishedAt + 1);
  }
}

TEST_F(DetectorTest, LevelThresholdRisesThirtyDecibelsBelowThePeak) {
  start();
  openTrack(40, 40.0f);
  EXPECT_FLOAT_EQ(record.levelThreshold, 18.0f);
  column(tone(40, 80.0f));
  EXPECT_FLOAT_EQ(record.levelThreshold, 50.0f);
  EXPECT_FLOAT_EQ(record.peakLevel, 80.0f);
  const int points = record.endPoint;
  column(tone(40, 50.0f));
  EXPECT_EQ(record.endPoint, points);
  column(tone(40, 50.5f));
  EXPECT_EQ(record.endPoint, points + 1);
}

TEST_F(DetectorTest, NoHarmonicSearchAboveHalfTheNyquistFrequency) {
  // Fundamental at bin 63 (61.5 kHz) or bin 65 (63.5 kHz); a loud bin at 126
  // lies in the harmonic window either way, but only below 62.5 kHz is it looked for.
  for (int bin : {63, 65}) {
    start();
    openTrack(bin, 60.0f);
    column(tone(bin, 60.0f).set(126, 50.0f));
    const TracePoint& p = record.points[record.endPoint - 1];
    if (bin == 63) {
      EXPECT_NEAR(p.harmonicFrequency, 126 * 125000.0 / 128, 1.0);
      EXPECT_FLOAT_EQ(p.harmonicLevel, 50.0f);
    } else {
      EXPECT_EQ(p.harmonicFrequency, -1.0f);
      EXPECT_EQ(p.harmonicLevel, -1.0f);
    }
  }
}

TEST_F(DetectorTest, HarmonicLouderThanAFundamentalAtZeroDecibelsLeavesTheTrackerFinite) {
  // A very quiet background lets the trace continue below 0 dB, where the
  // levels no longer work as blend weights (-3 and +3 would divide by 0).
  start(true, -40.0f);
  openTrack(40, 10.0f);
  column(tone(40, -3.0f).set(80, 3.0f));
  const TracePoint& p = record.points[record.endPoint - 1];
  EXPECT_FLOAT_EQ(p.harmonicLevel, 3.0f);
  EXPECT_TRUE(std::isfinite(p.smoothedFrequency));
  EXPECT_TRUE(std::isfinite(p.smoothedSlope));
}

TEST_F(DetectorTest, DigitalSilenceAfterACallAddsNoPoints) {
  // Silent columns sit near -229 dB, so the level threshold lies far below
  // -100 dB; a gate window without any bin above -100 dB must not extend
  // the trace with 0-Hz points.
  const float silence = -229.0f;
  start(false, silence);
  openTrack(40, 40.0f);
  const int points = record.endPoint;
  bool finished = false;
  for (int c = 0; c < 20 && !finished; ++c) finished = column(quiet).candidateFinished;
  EXPECT_TRUE(finished);
  EXPECT_EQ(record.endPoint, points);
  for (int k = 0; k < record.endPoint; ++k) EXPECT_GT(record.points[k].frequency, 30000.0f);
}

TEST_F(DetectorTest, TilesOpenWithTheRingAndEarlierTilesFillUntilFull) {
  start();
  for (int s = 0; s < 3; ++s) tiles.clearTile(s);
  for (int i = 0; i < kTileColumns - 1; ++i) tiles.appendFrame(2, quiet.level.data());
  for (int i = 0; i < kTileColumns; ++i) tiles.appendFrame(1, quiet.level.data());
  for (int i = 0; i < 5; ++i) tiles.appendFrame(0, quiet.level.data());
  // Fifteen columns with a marker ahead of the trigger.
  for (int i = 0; i < 15; ++i) column(tone(100, 1.0f + static_cast<float>(i)));
  column(tone(40, 60.0f));
  EXPECT_EQ(tiles.columnCount(slot), kRingFrames);
  EXPECT_FLOAT_EQ(tiles.level(slot, 0, 100), 1.0f);
  EXPECT_FLOAT_EQ(tiles.level(slot, 14, 100), 15.0f);
  EXPECT_FLOAT_EQ(tiles.level(slot, 15, 40), 60.0f);
  // Slot 2 took the first column and was full; the walk stops at a full
  // tile, so slot 0 behind the full slot 1 got nothing.
  EXPECT_EQ(tiles.columnCount(2), kTileColumns);
  EXPECT_FLOAT_EQ(tiles.level(2, kTileColumns - 1, 100), 1.0f);
  EXPECT_EQ(tiles.columnCount(0), 5);
}

TEST(ColumnSpectrumTest, WindowHoldsTheLatestSamplesLessTheRunningDc) {
  std::vector<std::int16_t> x(256 + 7 * 29);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = static_cast<std::int16_t>(500 + (i * 37) % 201);
  ColumnSpectrum cs;
  cs.prime(x.data());
  // Plain reference: shift the window and follow the DC sample by sample.
  std::vector<float> window(256);
  float mean = 0.0f;
  for (int i = 0; i < 256; ++i) mean += x[i];
  mean /= 256.0f;
  for (int i = 0; i < 256; ++i) window[i] = x[i] - mean;
  float dc = mean;
  for (std::size_t pos = 256; pos < x.size(); pos += 29) {
    cs.advance(x.data() + pos, 29);
    for (int i = 0; i < 29; ++i) {
      window.erase(window.begin());
      window.push_back(x[pos + i] - dc);
      dc = x[pos + i] * 3.0518509e-5f + dc * 0.999969482421875f;
    }
  }
  EXPECT_EQ(cs.dcEstimate(), dc);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(cs.window()[i], window[i]) << i;
}

}  // namespace
}  // namespace quilve
