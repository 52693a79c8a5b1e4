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
  // Per lane, the largest level above the floor among the bins it sees and
  // the first bin holding it.
  auto top = hn::Set(d, floorDb);
  auto topBin = hn::Zero(di);
  const auto beforeFirst = hn::Set(di, from - 1);
  for (int k = 0; k < kBins; k += n) {
    const auto v = hn::LoadU(d, levels + k);
    const auto bins = hn::Iota(di, k);
    const auto better = hn::And(hn::RebindMask(d, hn::Gt(bins, beforeFirst)), hn::Gt(v, top));
    top = hn::IfThenElse(better, v, top);
    topBin = hn::IfThenElse(hn::RebindMask(di, better), bins, topBin);
  }
  // Across the lanes: the largest level, at the lowest bin among equals.
  float lanes[16];
  std::int32_t laneBins[16];
  hn::StoreU(top, d, lanes);
  hn::StoreU(topBin, di, laneBins);
  float value = floorDb;
  int bin = 0;
  for (int j = 0; j < n; ++j) {
    if (lanes[j] > value || (lanes[j] == value && value > floorDb && laneBins[j] < bin)) {
      value = lanes[j];
      bin = laneBins[j];
    }
  }
  *best = value;
  return bin;
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

}  // namespace HWY_NAMESPACE
}  // namespace quilve
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quilve {

HWY_EXPORT(StrongestBin);
HWY_EXPORT(BlendBackground);
HWY_EXPORT(NoiseFloorWindows);

int strongestBin(const float* levels, int from, float floorDb, float* best) {
  return HWY_DYNAMIC_DISPATCH(StrongestBin)(levels, from, floorDb, best);
}

void blendBackground(float* b, const float* levels, float w, float keep) {
  HWY_DYNAMIC_DISPATCH(BlendBackground)(b, levels, w, keep);
}

void noiseFloorWindows(const float* b, float* a, float* m, const float* count, float* floor) {
  HWY_DYNAMIC_DISPATCH(NoiseFloorWindows)(b, a, m, count, floor);
}

}  // namespace quilve
#endif  // HWY_ONCE
