// The detector's vector loops against the plain loops they stand for (NaN
// levels, ties and every starting bin included), the floor of one bin
// against the whole floor, and the queued column spectra against the
// column-at-a-time ones.
#include <gtest/gtest.h>

#include <hwy/targets.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/chirp_detector.h"
#include "engine/detector_kernels.h"

namespace quilve {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::uint32_t bitsOf(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// Levels with ties, NaNs, infinities and runs of equal values.
std::vector<float> awkwardLevels(std::mt19937& rng) {
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_real_distribution<float> db(-60.0f, 60.0f);
  std::vector<float> v(kSpectrumBins);
  for (float& x : v) {
    switch (kind(rng)) {
      case 0: x = kNaN; break;
      case 1: x = 12.5f; break;  // ties
      case 2: x = -kInf; break;
      case 3: x = 0.0f; break;
      default: x = db(rng); break;
    }
  }
  return v;
}

template <typename Body>
void onEveryInstructionSet(Body body) {
  for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    SCOPED_TRACE(hwy::TargetName(target));
    hwy::SetSupportedTargetsForTest(target);
    body();
  }
  hwy::SetSupportedTargetsForTest(0);
}

TEST(DetectorKernels, StrongestBinIsTheFirstStrictMaximumAboveTheFloor) {
  onEveryInstructionSet([] {
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
      std::vector<float> levels = awkwardLevels(rng);
      if (round % 3 == 0) std::fill(levels.begin(), levels.end(), -5.0f);  // nothing above 0
      for (const int from : {0, 1, 5, 63, 64, 127, 128}) {
        float best = 0.0f;
        int bin = 0;
        for (int k = from; k < kSpectrumBins; ++k) {
          if (levels[k] > best) {
            best = levels[k];
            bin = k;
          }
        }
        float got = -1.0f;
        ASSERT_EQ(strongestBin(levels.data(), from, 0.0f, &got), bin) << round << " " << from;
        ASSERT_EQ(bitsOf(got), bitsOf(best));
      }
    }
  });
}

TEST(DetectorKernels, BackgroundAndFloorWindowsEqualThePlainLoops) {
  onEveryInstructionSet([] {
    std::mt19937 rng(4);
    for (int round = 0; round < 100; ++round) {
      const std::vector<float> levels = awkwardLevels(rng);
      std::vector<float> b(kSpectrumBins + 2, -kInf);
      for (int k = 0; k < kSpectrumBins; ++k) b[k + 1] = static_cast<float>(k % 17) - 4.0f;
      std::vector<float> plain = b;
      blendBackground(b.data() + 1, levels.data(), 0.03125f, 1.0f - 0.03125f);
      for (int k = 0; k < kSpectrumBins; ++k) {
        plain[k + 1] = 0.03125f * levels[k] + (1.0f - 0.03125f) * plain[k + 1];
        ASSERT_EQ(bitsOf(b[k + 1]), bitsOf(plain[k + 1])) << k;
      }

      std::vector<float> a(kSpectrumBins + 6, kInf), m(kSpectrumBins + 14, 0.0f);
      std::vector<float> count(kSpectrumBins), floor(kSpectrumBins);
      for (int k = 0; k < kSpectrumBins; ++k) count[k] = static_cast<float>(1 + k % 15);
      noiseFloorWindows(b.data(), a.data(), m.data(), count.data(), floor.data());
      std::vector<float> pa(a.size(), kInf), pm(m.size(), 0.0f);
      for (int k = 0; k < kSpectrumBins; ++k) {
        float v = b[k];
        for (int j = 1; j < 3; ++j) v = b[k + j] > v ? b[k + j] : v;
        pa[k + 3] = v;
      }
      for (int k = 0; k < kSpectrumBins; ++k) {
        float v = pa[k];
        for (int j = 1; j < 7; ++j) v = pa[k + j] < v ? pa[k + j] : v;
        pm[k + 7] = v;
      }
      for (int k = 0; k < kSpectrumBins; ++k) {
        float sum = pm[k];
        for (int j = 1; j < 15; ++j) sum += pm[k + j];
        ASSERT_EQ(bitsOf(floor[k]), bitsOf(sum / count[k])) << k;
      }
    }
  });
}

// Two detectors fed the same columns: one asked for single bins before
// anything else, the other for the whole floor.
TEST(DetectorKernels, TheFloorOfOneBinIsThatBinOfTheWholeFloor) {
  onEveryInstructionSet([] {
    std::mt19937 rng(6);
    DetectorSetup setup;
    setup.lowestBin = 9;
    ChirpDetector single;
    ChirpDetector whole;
    single.startRecording(setup);
    whole.startRecording(setup);
    std::vector<float> power(kSpectrumBins, 1.0f);
    ChirpRecord r1{};
    ChirpRecord r2{};
    std::vector<float> levels = awkwardLevels(rng);
    single.prime(levels.data());
    whole.prime(levels.data());
    for (int column = 0; column < 60; ++column) {
      levels = awkwardLevels(rng);
      // Keep the detectors searching: no bin far above the rest.
      for (float& x : levels) x = std::isfinite(x) ? std::fmin(x, 10.0f) : x;
      single.step(levels.data(), power.data(), column * 0.001, r1, 0);
      whole.step(levels.data(), power.data(), column * 0.001, r2, 0);
      std::vector<float> bins(kSpectrumBins);
      for (int k = 0; k < kSpectrumBins; ++k) bins[k] = single.noiseFloorAt(k);
      const float* floor = whole.noiseFloor();
      for (int k = 0; k < kSpectrumBins; ++k) {
        ASSERT_EQ(bitsOf(bins[k]), bitsOf(floor[k])) << column << " " << k;
      }
    }
  });
}

// Columns queued and computed together give the levels, powers, window and
// DC estimate of the same columns advanced one at a time, for columns
// shorter than, as long as and longer than the window.
TEST(DetectorKernels, QueuedColumnsEqualColumnsAdvancedOneByOne) {
  std::mt19937 rng(8);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  for (const int step : {1, 29, 256, 300}) {
    std::vector<std::int16_t> x(256 + 40 * static_cast<std::size_t>(step));
    for (auto& v : x) v = static_cast<std::int16_t>(sample(rng) / (step == 29 ? 1 : 64));
    ColumnSpectrum one;
    ColumnSpectrum queued;
    one.prime(x.data());
    queued.prime(x.data());
    std::size_t pos = 256;
    for (int batch = 0; batch < 3; ++batch) {
      const int count = batch == 1 ? 5 : ColumnSpectrum::kBatchColumns;
      std::vector<std::vector<float>> levels, powers;
      for (int j = 0; j < count; ++j) {
        one.advance(x.data() + pos + static_cast<std::size_t>(j * step), step);
        levels.emplace_back(one.levels(), one.levels() + kSpectrumBins);
        powers.emplace_back(one.power(), one.power() + kSpectrumBins);
        queued.queue(x.data() + pos + static_cast<std::size_t>(j * step), step);
      }
      pos += static_cast<std::size_t>(count * step);
      ASSERT_EQ(queued.queuedColumns(), count);
      queued.computeQueued();
      for (int j = 0; j < count; ++j) {
        for (int k = 0; k < kSpectrumBins; ++k) {
          ASSERT_EQ(bitsOf(queued.levels(j)[k]), bitsOf(levels[j][k])) << step << " " << j << " " << k;
          ASSERT_EQ(bitsOf(queued.power(j)[k]), bitsOf(powers[j][k])) << step << " " << j << " " << k;
        }
      }
      queued.clearQueue();
      EXPECT_EQ(queued.dcEstimate(), one.dcEstimate());
      for (int i = 0; i < ColumnSpectrum::kWindow; ++i) ASSERT_EQ(queued.window()[i], one.window()[i]);
    }
  }
}

}  // namespace
}  // namespace quilve
