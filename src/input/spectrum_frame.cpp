#include "input/spectrum_frame.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace quilve {

namespace {

// 20 log10(256): normalises the unscaled 256-point transform.
constexpr float kTransformGainDb = 48.16479931f;
constexpr float kFrameOffsetDb = 19.0f;
constexpr float kEmptyBin = 1e-20f;
// 10 / ln(10): 10 log10(x) = kDbPerNeper * ln(x).
constexpr double kDbPerNeper = 4.3429448190325182765;

// Natural logarithm of a positive, finite double, evaluated in double
// precision with plain arithmetic and bit operations only, so that the
// loop below vectorises and gives the same bits on every processor (no
// library variant, no fused operations). x = m * 2^e with m in
// [sqrt(1/2), sqrt(2)); ln m = 2 atanh(s), s = (m - 1) / (m + 1), |s| <=
// 0.1716, summed to s^13: the truncation error is below 1e-12 relative,
// far inside the float the level is stored as.
inline double lnPositive(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  // Mantissa in [1, 2); at or above sqrt(2) it is halved and the exponent
  // grows by one. Integer operations only, so the loop has no branches.
  std::uint64_t mantissaBits = (bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull;
  const std::uint64_t high = mantissaBits >= 0x3FF6A09E667F3BCDull ? 1u : 0u;
  mantissaBits -= high << 52;
  // The biased exponent as a double without an integer conversion: its
  // bits placed in the mantissa of 2^52, then 2^52 taken away.
  const std::uint64_t exponentBits = ((bits >> 52) + high) | 0x4330000000000000ull;
  double e;
  std::memcpy(&e, &exponentBits, sizeof e);
  e -= 4503599627370496.0 + 1023.0;
  double m;
  std::memcpy(&m, &mantissaBits, sizeof m);
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  const double series =
      1.0 + s2 * (1.0 / 3 + s2 * (1.0 / 5 + s2 * (1.0 / 7 + s2 * (1.0 / 9 + s2 * (1.0 / 11 + s2 * (1.0 / 13))))));
  return e * 0.69314718055994530942 + 2.0 * s * series;
}

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define QUILVE_LEVELS_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QUILVE_LEVELS_CLONES
#endif

// Levels of bins 0 .. 127 from their powers, as one loop the compiler
// vectorises (bin 0 is included only to keep the count a multiple of the
// vector width; the caller overwrites it).
QUILVE_LEVELS_CLONES
void levelsFromPower(const float* __restrict power, float* __restrict level) {
  for (int k = 0; k < SpectrumFrame::kLevels; ++k) {
    const double p = static_cast<double>(power[k] + kEmptyBin);
    const float db = static_cast<float>(kDbPerNeper * lnPositive(p));
    level[k] = db - kTransformGainDb + kFrameOffsetDb;
  }
}

}  // namespace

void spectrumFrameFromPower(const float* power, SpectrumFrame& frame) {
  levelsFromPower(power, frame.level);
  frame.level[0] = 0.0f;
}

void spectrumFrameFromPairs(const SamplePair* power, SpectrumFrame& frame) {
  // Gather the powers out of the pairs first so that the logarithm loop
  // runs over contiguous values.
  float contiguous[SpectrumFrame::kLevels];
  for (int k = 0; k < SpectrumFrame::kLevels; ++k) contiguous[k] = power[k].re;
  spectrumFrameFromPower(contiguous, frame);
}

}  // namespace quilve
