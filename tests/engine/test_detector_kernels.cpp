// The detector's vector loops against the plain loops they stand for (NaN
// levels, ties and every starting bin included), the noise floor of the
// whole spectrum and of single bins against its plain rule, and the queued column spectra against the
// column-at-a-time ones.
#include <gtest/gtest.h>

#include <hwy/targets.h>

#include <algorithm>
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

TEST(DetectorKernels, BlendedBackgroundEqualsThePlainLoop) {
  onEveryInstructionSet([] {
    std::mt19937 rng(4);
    for (int round = 0; round < 100; ++round) {
      const std::vector<float> levels = awkwardLevels(rng);
      std::vector<float> b(kSpectrumBins);
      for (int k = 0; k < kSpectrumBins; ++k) b[k] = static_cast<float>(k % 17) - 4.0f;
      std::vector<float> plain = b;
      blendBackground(b.data(), levels.data(), 0.03125f, 1.0f - 0.03125f);
      for (int k = 0; k < kSpectrumBins; ++k) {
        plain[k] = 0.03125f * levels[k] + (1.0f - 0.03125f) * plain[k];
        ASSERT_EQ(bitsOf(b[k]), bitsOf(plain[k])) << k;
      }
    }
  });
}

// The floor a detector works out, for the whole spectrum and for single
// bins asked for before anything else (so only their windows are fresh),
// against the plain rule over the same background. Two detectors are fed
// the same columns of awkward levels, which leave NaNs and infinities in
// the background.
TEST(DetectorKernels, TheNoiseFloorEqualsThePlainRuleForTheWholeSpectrumAndSingleBins) {
  onEveryInstructionSet([] {
    std::mt19937 rng(6);
    std::uniform_int_distribution<int> anyBin(0, kSpectrumBins - 1);
    DetectorSetup setup;
    setup.lowestBin = 9;
    ChirpDetector single;
    ChirpDetector whole;
    single.startRecording(setup);
    whole.startRecording(setup);
    std::vector<float> count(kSpectrumBins);
    for (int k = 0; k < kSpectrumBins; ++k) {
      count[k] = static_cast<float>(std::min(k, 7) + std::min(kSpectrumBins - 1 - k, 7) + 1);
    }
    std::vector<float> power(kSpectrumBins, 1.0f);
    ChirpRecord r1{};
    ChirpRecord r2{};
    std::vector<float> levels = awkwardLevels(rng);
    single.prime(levels.data());
    whole.prime(levels.data());
    std::vector<float> reference(kSpectrumBins);
    for (int column = 0; column < 200; ++column) {
      levels = awkwardLevels(rng);
      // Keep the detectors searching: no bin far above the rest.
      for (float& x : levels) x = std::isfinite(x) ? std::fmin(x, 10.0f) : x;
      single.step(levels.data(), power.data(), column * 0.001, r1, 0);
      whole.step(levels.data(), power.data(), column * 0.001, r2, 0);
      noiseFloorReference(whole.background(), count.data(), reference.data());
      const float* floor = whole.noiseFloor();
      for (int k = 0; k < kSpectrumBins; ++k) {
        ASSERT_EQ(bitsOf(floor[k]), bitsOf(reference[k])) << column << " " << k;
      }
      // Every bin one column in three (edges included), a few bins the others.
      if (column % 3 == 0) {
        for (int k = 0; k < kSpectrumBins; ++k) {
          ASSERT_EQ(bitsOf(single.noiseFloorAt(k)), bitsOf(reference[k])) << column << " " << k;
        }
      } else {
        for (const int k : {0, anyBin(rng), kSpectrumBins - 1}) {
          ASSERT_EQ(bitsOf(single.noiseFloorAt(k)), bitsOf(reference[k])) << column << " " << k;
        }
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
