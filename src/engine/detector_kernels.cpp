// Compiled once per vector instruction set that Highway supports on this
// platform; the processor's best is chosen at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/detector_kernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

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
  // Per lane, the largest level above the floor among the bins it sees.
  auto top = hn::Set(d, floorDb);
  const auto beforeFirst = hn::Set(di, from - 1);
  for (int k = 0; k < kBins; k += n) {
    const auto v = hn::LoadU(d, levels + k);
    const auto inRange = hn::RebindMask(d, hn::Gt(hn::Iota(di, k), beforeFirst));
    top = hn::IfThenElse(hn::And(inRange, hn::Gt(v, top)), v, top);
  }
  float lanes[16];
  hn::StoreU(top, d, lanes);
  float value = floorDb;
  for (int j = 0; j < n; ++j) value = lanes[j] > value ? lanes[j] : value;
  *best = value;
  if (!(value > floorDb)) {
    *best = floorDb;
    return 0;
  }
  // The first bin holding that level.
  const auto target = hn::Set(d, value);
  for (int k = 0; k < kBins; k += n) {
    const auto inRange = hn::RebindMask(d, hn::Gt(hn::Iota(di, k), beforeFirst));
    const auto hit = hn::And(inRange, hn::Eq(hn::LoadU(d, levels + k), target));
    const intptr_t lane = hn::FindFirstTrue(d, hit);
    if (lane >= 0) return k + static_cast<int>(lane);
  }
  return 0;  // not reached: the level came from one of the bins
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
