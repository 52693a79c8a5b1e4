// The level conversion is compiled once per vector instruction set that
// Highway supports on this platform; the processor's best is chosen at run
// time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "input/spectrum_frame.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>
#include <hwy/contrib/math/math-inl.h>

#include "input/spectrum_frame.h"

HWY_BEFORE_NAMESPACE();
namespace quilve {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Levels of bins 0 .. 127 from their powers. Bin 0 is included only to keep
// the count a multiple of the vector width; the caller overwrites it.
void LevelsFromPower(const float* HWY_RESTRICT power, float* HWY_RESTRICT level) {
  // 20 log10(256): normalises the unscaled 256-point transform.
  constexpr float kTransformGainDb = 48.16479931f;
  constexpr float kFrameOffsetDb = 19.0f;
  constexpr float kEmptyBin = 1e-20f;
  // 10 / ln(10): 10 log10(x) = kDbPerNeper * ln(x).
  constexpr double kDbPerNeper = 4.3429448190325182765;

  const hn::ScalableTag<double> dd;
  const hn::Rebind<float, decltype(dd)> df;
  const auto empty = hn::Set(df, kEmptyBin);
  const auto gain = hn::Set(df, kTransformGainDb);
  const auto offset = hn::Set(df, kFrameOffsetDb);
  const auto perNeper = hn::Set(dd, kDbPerNeper);
  const int step = static_cast<int>(hn::Lanes(dd));
  for (int k = 0; k < SpectrumFrame::kLevels; k += step) {
    // The sum in single precision, the logarithm and its scaling in double,
    // the rest in single precision again.
    const auto p = hn::PromoteTo(dd, hn::Add(hn::LoadU(df, power + k), empty));
    // The vector logarithm covers finite arguments; an infinite power keeps
    // an infinite level and a NaN stays NaN, as the C library gives them.
    auto ln = hn::impl::Log<decltype(dd), hn::Vec<decltype(dd)>, false>(dd, p);
    ln = hn::IfThenElse(hn::IsInf(p), p, ln);
    ln = hn::IfThenElse(hn::IsNaN(p), p, ln);
    const auto db = hn::DemoteTo(df, hn::Mul(perNeper, ln));
    hn::StoreU(hn::Add(hn::Sub(db, gain), offset), df, level + k);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace quilve
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quilve {

HWY_EXPORT(LevelsFromPower);

void spectrumFrameFromPower(const float* power, SpectrumFrame& frame) {
  static_assert(SpectrumFrame::kLevels % 16 == 0, "whole vectors of levels");
  HWY_DYNAMIC_DISPATCH(LevelsFromPower)(power, frame.level);
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
#endif  // HWY_ONCE
