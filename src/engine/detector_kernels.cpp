// Compiled once per vector instruction set that Highway supports on this
// platform; the processor's best is chosen at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/detector_kernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstdint>

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

void NoiseFloorWindows(const float* HWY_RESTRICT b, float* HWY_RESTRICT a, float* HWY_RESTRICT m,
                       const float* HWY_RESTRICT count, float* HWY_RESTRICT floor) {
  const FloatTag d;
  const int n = static_cast<int>(hn::Lanes(d));
  for (int k = 0; k < kBins; k += n) {
    auto v = hn::LoadU(d, b + k);
    for (int j = 1; j < 3; ++j) {
      const auto x = hn::LoadU(d, b + k + j);
      v = hn::IfThenElse(hn::Gt(x, v), x, v);
    }
    hn::StoreU(v, d, a + k + 3);
  }
  for (int k = 0; k < kBins; k += n) {
    auto v = hn::LoadU(d, a + k);
    for (int j = 1; j < 7; ++j) {
      const auto x = hn::LoadU(d, a + k + j);
      v = hn::IfThenElse(hn::Lt(x, v), x, v);
    }
    hn::StoreU(v, d, m + k + 7);
  }
  for (int k = 0; k < kBins; k += n) {
    auto sum = hn::LoadU(d, m + k);
    for (int j = 1; j < 15; ++j) sum = hn::Add(sum, hn::LoadU(d, m + k + j));
    hn::StoreU(hn::Div(sum, hn::LoadU(d, count + k)), d, floor + k);
  }
}

float FloorOfBin(const float* HWY_RESTRICT at, float count) {
  const FloatTag d;
  const int n = static_cast<int>(hn::Lanes(d));
  // Lane i stands for the minimum of the bin at-7+i: the window of the
  // maxima of the bins at-10+i .. at-4+i, each the window of its bin and
  // the two beside it, taken from the background directly.
  constexpr int kMinima = 16;
  float minima[kMinima];
  for (int s = 0; s < kMinima; s += n) {
    const float* b = at - 10 + s;
    auto previous = hn::LoadU(d, b - 1);
    auto middle = hn::LoadU(d, b);
    hn::Vec<FloatTag> v;
    for (int t = 0; t < 7; ++t) {
      const auto next = hn::LoadU(d, b + t + 1);
      auto m = previous;
      m = hn::IfThenElse(hn::Gt(middle, m), middle, m);
      m = hn::IfThenElse(hn::Gt(next, m), next, m);
      v = t == 0 ? m : hn::IfThenElse(hn::Lt(m, v), m, v);
      previous = middle;
      middle = next;
    }
    hn::StoreU(v, d, minima + s);
  }
  float sum = minima[0];
  for (int j = 1; j < 15; ++j) sum += minima[j];
  return sum / count;
}

}  // namespace HWY_NAMESPACE
}  // namespace quilve
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quilve {

HWY_EXPORT(StrongestBin);
HWY_EXPORT(BlendBackground);
HWY_EXPORT(NoiseFloorWindows);
HWY_EXPORT(FloorOfBin);

int strongestBin(const float* levels, int from, float floorDb, float* best) {
  return HWY_DYNAMIC_DISPATCH(StrongestBin)(levels, from, floorDb, best);
}

void blendBackground(float* b, const float* levels, float w, float keep) {
  HWY_DYNAMIC_DISPATCH(BlendBackground)(b, levels, w, keep);
}

void noiseFloorWindows(const float* b, float* a, float* m, const float* count, float* floor) {
  HWY_DYNAMIC_DISPATCH(NoiseFloorWindows)(b, a, m, count, floor);
}

float floorOfBin(const float* at, float count) {
  return HWY_DYNAMIC_DISPATCH(FloorOfBin)(at, count);
}

}  // namespace quilve
#endif  // HWY_ONCE
