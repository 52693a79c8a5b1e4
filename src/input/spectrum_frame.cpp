#include "input/spectrum_frame.h"

#include <cmath>

namespace quilve {

namespace {

// 20 log10(256): normalises the unscaled 256-point transform.
constexpr float kTransformGainDb = 48.16479931f;
constexpr float kFrameOffsetDb = 19.0f;
constexpr float kEmptyBin = 1e-20f;
// 10 / ln(10): 10 log10(x) = kDbPerNeper * ln(x).
constexpr double kDbPerNeper = 4.3429448190325182765;

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__GLIBC__)
// The C library's natural logarithm under a private name, declared with the
// vector variants glibc's libmvec provides (two doubles per call with SSE2,
// four with AVX2), so that the loop below is vectorised without -ffast-math.
// `const` tells the compiler the call leaves errno alone, which holds for the
// strictly positive arguments it gets here.
extern "C" __attribute__((simd("notinbranch"), const, nothrow)) double quilveVectorLog(double)
    __asm__("log");
#define QUILVE_LEVELS_CLONES __attribute__((target_clones("avx2", "default")))
#else
inline double quilveVectorLog(double x) { return std::log(x); }
#define QUILVE_LEVELS_CLONES
#endif

// Levels of bins 0 .. 127 from their powers, as one loop the compiler turns
// into vector logarithm calls (bin 0 is included only to keep the count a
// multiple of the vector width; the caller overwrites it).
QUILVE_LEVELS_CLONES
void levelsFromPower(const float* __restrict power, float* __restrict level) {
  for (int k = 0; k < SpectrumFrame::kLevels; ++k) {
    const double p = static_cast<double>(power[k] + kEmptyBin);
    const float db = static_cast<float>(kDbPerNeper * quilveVectorLog(p));
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
