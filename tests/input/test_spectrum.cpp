// Real FFT against a direct DFT, the windowed power spectrum and the
// conversion to frame levels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include <hwy/targets.h>

#include "input/real_fft.h"
#include "input/spectrum_batch.h"
#include "input/spectrum_frame.h"
#include "input/spectrum_sfft.h"

namespace quilve {
namespace {

const double kPi = 3.14159265358979323846;

// Packed spectrum of x computed as a direct DFT in double precision.
std::vector<double> packedDft(const std::vector<float>& x) {
  const int n = static_cast<int>(x.size());
  std::vector<double> f(x.size(), 0.0);
  for (int k = 0; k <= n / 2; ++k) {
    double re = 0.0, im = 0.0;
    for (int t = 0; t < n; ++t) {
      const double a = -2.0 * kPi * k * t / n;
      re += x[t] * std::cos(a);
      im += x[t] * std::sin(a);
    }
    f[k] = re;
    if (k > 0 && k < n / 2) f[n / 2 + k] = -im;
  }
  return f;
}

std::vector<float> blackmanHarris(int m) {
  std::vector<float> w(m);
  for (int i = 0; i < m; ++i) {
    const double t = 6.2831853 * i / (m - 1);
    w[i] = static_cast<float>(0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) -
                              0.01168 * std::cos(3 * t));
  }
  return w;
}

// Power of bins 0 .. n/2 of the windowed, zero-padded block.
std::vector<double> referencePower(const std::vector<float>& samples, int m, int n) {
  const std::vector<float> w = blackmanHarris(m);
  std::vector<float> t(n, 0.0f);
  for (int i = 0; i < m; ++i) t[i] = samples[i] * w[i];
  const std::vector<double> f = packedDft(t);
  std::vector<double> p(n / 2 + 1);
  for (int k = 0; k <= n / 2; ++k) {
    const double im = (k > 0 && k < n / 2) ? f[n / 2 + k] : 0.0;
    p[k] = f[k] * f[k] + im * im;
  }
  return p;
}

std::vector<SamplePair> asPairs(const std::vector<float>& v) {
  std::vector<SamplePair> p;
  for (float s : v) p.push_back({s, 0.0f});
  return p;
}

TEST(RealFft, MatchesDirectDftForEveryPowerOfTwoUpTo256) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  for (int n = 1; n <= 256; n *= 2) {
    RealFft fft(n);
    std::vector<float> x(n), f(n, -999.0f), g(n, -999.0f);
    for (float& v : x) v = dist(rng);
    // Run twice: the second transform must not depend on scratch left over.
    fft.transform(x.data(), g.data());
    fft.transform(x.data(), f.data());
    EXPECT_EQ(f, g) << "n=" << n;
    const std::vector<double> ref = packedDft(x);
    double scale = 1.0;
    for (double r : ref) scale = std::max(scale, std::fabs(r));
    for (int k = 0; k < n; ++k) {
      EXPECT_NEAR(f[k], ref[k], 2e-7 * (fft.bits() + 1) * scale) << "n=" << n << " k=" << k;
    }
  }
}

TEST(RealFft, RejectsLengthsThatAreNotPowersOfTwo) {
  EXPECT_THROW(RealFft(0), std::invalid_argument);
  EXPECT_THROW(RealFft(3), std::invalid_argument);
  EXPECT_THROW(RealFft(200), std::invalid_argument);
}

TEST(SpectrumSFFT, SineAtEveryBinPeaksInItsFrameEntry) {
  SpectrumSFFT engine(256);
  std::vector<SamplePair> in(256), out(128);
  SpectrumFrame frame;
  for (int k = 1; k < 128; ++k) {
    for (int i = 0; i < 256; ++i) in[i] = {static_cast<float>(1000.0 * std::sin(2 * kPi * k * i / 256)), 0.0f};
    ASSERT_TRUE(engine.powerSpectrumOfPairs(in.data(), 256, out.data(), 128));
    spectrumFrameFromPairs(out.data(), frame);
    int peak = 1;
    for (int j = 1; j < 128; ++j) {
      if (frame.level[j] > frame.level[peak]) peak = j;
    }
    EXPECT_EQ(peak, k);
    EXPECT_EQ(frame.level[0], 0.0f);
  }
}

TEST(SpectrumSFFT, ConstantBlockPutsItsPowerAroundDc) {
  SpectrumSFFT engine(256);
  std::vector<float> in(256, 3.0f), out(129);
  engine.powerSpectrum(in.data(), 256, out.data(), 129);
  double sum = 0.0;
  for (float w : blackmanHarris(256)) sum += 3.0 * w;
  EXPECT_NEAR(out[0], sum * sum, 1e-5 * sum * sum);
  // The window's own main lobe spans bins 1..3; beyond it only side-lobe
  // leakage remains.
  for (int k = 1; k < 129; ++k) EXPECT_LT(out[k], out[0]) << k;
  for (int k = 5; k < 129; ++k) EXPECT_LT(out[k], 1e-8 * out[0]) << k;
}

TEST(SpectrumSFFT, AllZeroBlockGivesTheEmptyBinLevel) {
  SpectrumSFFT engine(256);
  std::vector<SamplePair> in(256, SamplePair{0.0f, 0.0f}), out(128, SamplePair{-1.0f, -1.0f});
  engine.powerSpectrumOfPairs(in.data(), 256, out.data(), 128);
  SpectrumFrame frame;
  spectrumFrameFromPairs(out.data(), frame);
  EXPECT_EQ(frame.level[0], 0.0f);
  for (int k = 0; k < 128; ++k) {
    EXPECT_EQ(out[k].re, 0.0f);
    EXPECT_EQ(out[k].im, 0.0f);
  }
  for (int k = 1; k < 128; ++k) EXPECT_NEAR(frame.level[k], -229.16, 0.01);
}

TEST(SpectrumSFFT, ShorterBlockRebuildsTheWindowAndIsZeroPadded) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> dist(-100.0f, 100.0f);
  std::vector<float> samples(256);
  for (float& v : samples) v = dist(rng);

  SpectrumSFFT engine(256);
  EXPECT_EQ(engine.windowLength(), 0);
  std::vector<float> out(129);
  for (int m : {256, 200, 256}) {
    engine.powerSpectrum(samples.data(), m, out.data(), 129);
    ASSERT_EQ(engine.windowLength(), m);
    const std::vector<float> w = blackmanHarris(m);
    EXPECT_EQ(std::memcmp(engine.window(), w.data(), m * sizeof(float)), 0);
    // Samples 200..255 of the array are not part of the 200-point block.
    const std::vector<double> ref = referencePower(samples, m, 256);
    for (int k = 0; k <= 128; ++k) EXPECT_NEAR(out[k], ref[k], 1e-5 * ref[0]) << m << " " << k;
  }
}

TEST(SpectrumSFFT, OutputCountDecidesWhichBinsAreWritten) {
  std::vector<float> samples(256);
  for (int i = 0; i < 256; ++i) samples[i] = (i % 2 ? 1.0f : -1.0f) * 50.0f + i * 0.25f;
  const std::vector<double> ref = referencePower(samples, 256, 256);
  const std::vector<SamplePair> in = asPairs(samples);
  SpectrumSFFT engine(256);
  for (int count : {128, 129, 400}) {
    std::vector<SamplePair> out(400, SamplePair{-1.0f, -1.0f});
    engine.powerSpectrumOfPairs(in.data(), 256, out.data(), count);
    const int written = count < 129 ? count : 129;
    for (int k = 0; k < written; ++k) {
      EXPECT_NEAR(out[k].re, ref[k], 1e-5 * ref[128]) << k;
      EXPECT_EQ(out[k].im, 0.0f);
    }
    EXPECT_EQ(out[written].re, -1.0f) << "count " << count;
  }
  // The Nyquist bin (an alternating sequence) dominates this block.
  std::vector<float> plain(129);
  engine.powerSpectrum(samples.data(), 256, plain.data(), 129);
  EXPECT_NEAR(plain[128], ref[128], 1e-5 * ref[128]);
}

TEST(SpectrumSFFT, InputCountOutsideTheEngineIsClamped) {
  std::vector<float> samples(300, 0.0f), out256(129), outLong(129), zero(129, 5.0f);
  for (int i = 0; i < 300; ++i) samples[i] = static_cast<float>(std::sin(i * 0.3));
  SpectrumSFFT engine(256);
  engine.powerSpectrum(samples.data(), 256, out256.data(), 129);
  engine.powerSpectrum(samples.data(), 300, outLong.data(), 129);
  EXPECT_EQ(engine.windowLength(), 256);
  for (int k = 0; k < 129; ++k) EXPECT_EQ(outLong[k], out256[k]);
  EXPECT_TRUE(engine.powerSpectrum(samples.data(), -4, zero.data(), 129));
  for (float p : zero) EXPECT_EQ(p, 0.0f);
}

TEST(SpectrumFrame, VectorLevelsAgreeWithScalarLog10WithinOneUlp) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> decades(-30.0, 15.0);
  SpectrumFrame frame;
  SpectrumFrame fromPairs;
  std::vector<float> power(128);
  for (int round = 0; round < 200; ++round) {
    for (float& p : power) p = static_cast<float>(std::pow(10.0, decades(rng)));
    power[1] = 0.0f;
    power[2] = 1.0f;
    spectrumFrameFromPower(power.data(), frame);
    spectrumFrameFromPairs(asPairs(power).data(), fromPairs);
    for (int k = 1; k < 128; ++k) {
      const float db = static_cast<float>(10.0 * std::log10(static_cast<double>(power[k] + 1e-20f)));
      const float expected = db - 48.16479931f + 19.0f;
      const float ulp = std::nextafter(std::fabs(expected), INFINITY) - std::fabs(expected);
      ASSERT_LE(std::fabs(frame.level[k] - expected), ulp) << "power " << power[k];
      ASSERT_EQ(fromPairs.level[k], frame.level[k]);
    }
  }
}

void expectBatchEqualsSingleColumns();

// Bit patterns, so that NaNs and signed zeros compare too.
std::vector<std::uint32_t> bitsOf(const float* v, int n) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(n));
  std::memcpy(out.data(), v, sizeof(float) * static_cast<std::size_t>(n));
  return out;
}

// Every column of a batch, whatever the number of columns and wherever they
// start, gets the bits of the plain one-column transform (RealFft, through
// SpectrumSFFT), on every instruction set this processor runs.
TEST(SpectrumBatch, EveryColumnEqualsTheOneColumnSpectrumAndLevels) {
  for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    SCOPED_TRACE(hwy::TargetName(target));
    hwy::SetSupportedTargetsForTest(target);
    expectBatchEqualsSingleColumns();
  }
  hwy::SetSupportedTargetsForTest(0);
}

void expectBatchEqualsSingleColumns() {
  std::mt19937 rng(5);
  // Samples of the size recordings give, then samples over many decades,
  // from subnormal products up to large powers, where any difference in
  // rounding shows.
  std::uniform_real_distribution<float> usual(-3000.0f, 3000.0f);
  std::uniform_real_distribution<float> decades(-20.0f, 12.0f);
  std::vector<float> stream(256 + 40 * 300), wide(stream.size());
  for (float& v : stream) v = usual(rng);
  for (float& v : wide) v = (rng() % 2 ? 1.0f : -1.0f) * std::pow(10.0f, decades(rng));
  SpectrumSFFT single(256);
  SpectrumBatch batch;
  std::vector<float> power(129);
  SpectrumFrame frame;
  for (const std::vector<float>* samples : {&stream, &wide}) {
    for (int count = 1; count <= SpectrumBatch::kMaxColumns; ++count) {
      // Evenly spaced like the scan's columns, then anywhere at all.
      for (const bool even : {true, false}) {
        std::int32_t starts[SpectrumBatch::kMaxColumns];
        std::uniform_int_distribution<int> anywhere(0, static_cast<int>(samples->size()) - 256);
        for (int j = 0; j < count; ++j) starts[j] = even ? 17 + 29 * j : anywhere(rng);
        batch.compute(samples->data(), starts, count);
        for (int j = 0; j < count; ++j) {
          single.powerSpectrum(&(*samples)[static_cast<std::size_t>(starts[j])], 256, power.data(), 128);
          spectrumFrameFromPower(power.data(), frame);
          ASSERT_EQ(bitsOf(batch.power(j), 128), bitsOf(power.data(), 128)) << count << " " << j;
          ASSERT_EQ(bitsOf(batch.levels(j), 128), bitsOf(frame.level, 128)) << count << " " << j;
        }
      }
    }
  }
}

TEST(SpectrumFrame, InfiniteAndNaNPowersKeepTheirLevels) {
  std::vector<float> power(128, 1.0f);
  power[1] = INFINITY;
  power[2] = NAN;
  power[3] = 3.4e38f;
  SpectrumFrame frame;
  spectrumFrameFromPower(power.data(), frame);
  EXPECT_EQ(frame.level[1], INFINITY);
  EXPECT_TRUE(std::isnan(frame.level[2]));
  EXPECT_NEAR(frame.level[3], 10.0 * std::log10(3.4e38) - 48.16479931 + 19.0, 1e-3);
}

TEST(SpectrumBatch, SilenceAndFullScaleColumnsSideBySide) {
  // A column of zeros next to full-scale square waves: the empty bins get
  // the empty-bin level, the loud ones stay finite.
  std::vector<float> stream(512, 0.0f);
  for (int i = 256; i < 512; ++i) stream[static_cast<std::size_t>(i)] = (i % 2) ? 32767.0f : -32768.0f;
  const std::int32_t starts[3] = {0, 256, 128};
  SpectrumBatch batch;
  batch.compute(stream.data(), starts, 3);
  EXPECT_EQ(batch.levels(0)[0], 0.0f);
  for (int k = 1; k < 128; ++k) EXPECT_NEAR(batch.levels(0)[k], -229.16f, 0.01f) << k;
  for (int j = 1; j < 3; ++j) {
    for (int k = 0; k < 128; ++k) EXPECT_TRUE(std::isfinite(batch.levels(j)[k])) << j << " " << k;
  }
}

}  // namespace
}  // namespace quilve
