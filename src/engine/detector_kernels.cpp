// Compiled once per vector instruction set that Highway supports on this
// platform; the processor's best is chosen at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/detector_kernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "engine/detector_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace quilve {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

constexpr int kBins = 128;
using FloatTag = hn::CappedTag<float, 16>;

int StrongestBin(const float* HWY_RESTRICT levels, int from, float floorDb, float* best) {
  const FloatTag d;
  const hn::RebindToSigned<FloatTag> di;
  const int n = static_cast<int>(hn::Lanes(d));
  // Two running states (every other vector each, so that their chains of
  // comparisons overlap), each lane holding the largest level above the
  // floor among the bins it saw and the first bin holding it. A NaN level is
  // never larger, so the levels kept are never NaN.
  const auto beforeFirst = hn::Set(di, from - 1);
  auto top0 = hn::Set(d, floorDb);
  auto top1 = top0;
  auto bin0 = hn::Zero(di);
  auto bin1 = bin0;
  for (int k = 0; k < kBins; k += 2 * n) {
    const auto v0 = hn::LoadU(d, levels + k);
    const auto k0 = hn::Iota(di, k);
    const auto better0 = hn::And(hn::RebindMask(d, hn::Gt(k0, beforeFirst)), hn::Gt(v0, top0));
    top0 = hn::IfThenElse(better0, v0, top0);
    bin0 = hn::IfThenElse(hn::RebindMask(di, better0), k0, bin0);
    const auto v1 = hn::LoadU(d, levels + k + n);
    const auto k1 = hn::Iota(di, k + n);
    const auto better1 = hn::And(hn::RebindMask(d, hn::Gt(k1, beforeFirst)), hn::Gt(v1, top1));
    top1 = hn::IfThenElse(better1, v1, top1);
    bin1 = hn::IfThenElse(hn::RebindMask(di, better1), k1, bin1);
  }
  // Merged lane by lane: the larger level, the lower bin among equals.
  const auto takeSecond =
      hn::Or(hn::Gt(top1, top0), hn::And(hn::Eq(top1, top0), hn::RebindMask(d, hn::Lt(bin1, bin0))));
  const auto top = hn::IfThenElse(takeSecond, top1, top0);
  const auto bin = hn::IfThenElse(hn::RebindMask(di, takeSecond), bin1, bin0);
  // Across the lanes the same way.
  const auto largest = hn::MaxOfLanes(d, top);
  const auto atLargest = hn::RebindMask(di, hn::Eq(top, largest));
  const int first = hn::GetLane(hn::MinOfLanes(di, hn::IfThenElse(atLargest, bin, hn::Set(di, kBins))));
  const float value = hn::GetLane(largest);
  if (!(value > floorDb)) {
    *best = floorDb;
    return 0;
  }
  *best = value;
  return first;
}

void BlendBackground(float* HWY_RESTRICT b, const float* HWY_RESTRICT levels, float w,
                     float keep) {
  const FloatTag d;
  const auto vw = hn::Set(d, w);
  const auto vk = hn::Set(d, keep);
  const int n = static_cast<int>(hn::Lanes(d));
  for (int k = 0; k < kBins; k += n) {
    const auto blended = hn::Add(hn::Mul(vw, hn::LoadU(d, levels + k)), hn::Mul(vk, hn::LoadU(d, b + k)));
    hn::StoreU(blended, d, b + k);
  }
}

// Bins start .. start + vectors * n - 1, all inside the spectrum, covering
// lo .. hi (clipped to the spectrum).
struct Cover {
  int start;
  int vectors;
};
Cover coverOf(int lo, int hi, int n) {
  lo = lo < 0 ? 0 : lo;
  hi = hi > kBins - 1 ? kBins - 1 : hi;
  const int vectors = (hi - lo + n) / n;
  const int last = kBins - vectors * n;
  return {lo < last ? lo : last, vectors};
}

void NoiseFloorBins(const float* HWY_RESTRICT b, float* HWY_RESTRICT a, float* HWY_RESTRICT m,
                    const float* HWY_RESTRICT count, int first, int last,
                    float* HWY_RESTRICT floor) {
  const FloatTag d;
  const int n = static_cast<int>(hn::Lanes(d));
  // The floor of bin k takes the minima of bins k-7 .. k+7, each of them
  // the maxima of its bin and the three either side.
  Cover c = coverOf(first - 10, last + 10, n);
  for (int i = 0, k = c.start; i < c.vectors; ++i, k += n) {
    auto v = hn::LoadU(d, b + k);
    for (int j = 1; j < 3; ++j) {
      const auto x = hn::LoadU(d, b + k + j);
      v = hn::IfThenElse(hn::Gt(x, v), x, v);
    }
    hn::StoreU(v, d, a + k + 3);
  }
  c = coverOf(first - 7, last + 7, n);
  for (int i = 0, k = c.start; i < c.vectors; ++i, k += n) {
    auto v = hn::LoadU(d, a + k);
    for (int j = 1; j < 7; ++j) {
      const auto x = hn::LoadU(d, a + k + j);
      v = hn::IfThenElse(hn::Lt(x, v), x, v);
    }
    hn::StoreU(v, d, m + k + 7);
  }
  c = coverOf(first, last, n);
  for (int i = 0, k = c.start; i < c.vectors; ++i, k += n) {
    auto sum = hn::LoadU(d, m + k);
    for (int j = 1; j < 15; ++j) sum = hn::Add(sum, hn::LoadU(d, m + k + j));
    hn::StoreU(hn::Div(sum, hn::LoadU(d, count + k)), d, floor + k);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace quilve
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quilve {

HWY_EXPORT(StrongestBin);
HWY_EXPORT(BlendBackground);
HWY_EXPORT(NoiseFloorBins);

int strongestBin(const float* levels, int from, float floorDb, float* best) {
  return HWY_DYNAMIC_DISPATCH(StrongestBin)(levels, from, floorDb, best);
}

void blendBackground(float* b, const float* levels, float w, float keep) {
  HWY_DYNAMIC_DISPATCH(BlendBackground)(b, levels, w, keep);
}

void noiseFloorBins(const float* b, float* a, float* m, const float* count, int first, int last,
                    float* floor) {
  HWY_DYNAMIC_DISPATCH(NoiseFloorBins)(b, a, m, count, first, last, floor);
}

void noiseFloorReference(const float* background, const float* count, float* floor) {
  constexpr int kBins = 128;
  constexpr float kInf = std::numeric_limits<float>::infinity();
  std::array<float, kBins + 2> b;
  std::array<float, kBins + 6> a;
  std::array<float, kBins + 14> m;
  b.fill(-kInf);
  a.fill(kInf);
  m.fill(0.0f);
  std::copy(background, background + kBins, b.begin() + 1);
  for (int k = 0; k < kBins; ++k) {
    float v = b[k];
    for (int j = 1; j < 3; ++j) v = b[k + j] > v ? b[k + j] : v;
    a[k + 3] = v;
  }
  for (int k = 0; k < kBins; ++k) {
    float v = a[k];
    for (int j = 1; j < 7; ++j) v = a[k + j] < v ? a[k + j] : v;
    m[k + 7] = v;
  }
  for (int k = 0; k < kBins; ++k) {
    float sum = m[k];
    for (int j = 1; j < 15; ++j) sum += m[k + j];
    floor[k] = sum / count[k];
  }
}

}  // namespace quilve
#endif  // HWY_ONCE
