// The transform is compiled once per vector instruction set that Highway
// supports on this platform; the processor's best is chosen at run time.
// Arrays are planar: entry i of every column lies in one vector, so each
// operation of RealFft's passes becomes one vector operation. The tables,
// the input order and the sequence of passes are RealFft's own.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "input/spectrum_batch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

#include "input/spectrum_batch.h"
#include "input/spectrum_sfft.h"

#ifndef QUILVE_SPECTRUM_BATCH_ONCE
#define QUILVE_SPECTRUM_BATCH_ONCE
namespace quilve {
// What the transform needs besides the samples.
struct BatchTables {
  const RealFft* fft;  // of kSize points
  const float* window;
  float* work;   // 2 x kSize x kMaxColumns
  float* power;  // kMaxColumns x kBins
};
}  // namespace quilve
#endif

HWY_BEFORE_NAMESPACE();
namespace quilve {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using FloatTag = hn::CappedTag<float, SpectrumBatch::kMaxColumns>;
using Vec = hn::Vec<FloatTag>;

// RealFft's grouping pass on one group of eight bit-reversed inputs,
// written to o[0], o[n], ..., o[7n].
static_assert(RealFft::kGroup == 8, "the grouping pass makes 8-point spectra");
HWY_INLINE void EightPoint(FloatTag d, const Vec* in, float* HWY_RESTRICT o, std::size_t n,
                           Vec r2) {
  Vec a[8];
  for (int q = 0; q < 8; q += 4) {
    const Vec x0 = in[q];
    const Vec x1 = in[q + 1];
    const Vec x2 = in[q + 2];
    const Vec x3 = in[q + 3];
    a[q + 1] = hn::Sub(x0, x1);
    a[q + 3] = hn::Sub(x2, x3);
    const Vec s0 = hn::Add(x0, x1);
    const Vec s2 = hn::Add(x2, x3);
    a[q] = hn::Add(s0, s2);
    a[q + 2] = hn::Sub(s0, s2);
  }
  hn::Store(hn::Add(a[0], a[4]), d, o);
  hn::Store(hn::Sub(a[0], a[4]), d, o + 4 * n);
  hn::Store(a[2], d, o + 2 * n);
  hn::Store(a[6], d, o + 6 * n);
  Vec v = hn::Mul(hn::Sub(a[5], a[7]), r2);
  hn::Store(hn::Add(a[1], v), d, o + n);
  hn::Store(hn::Sub(a[1], v), d, o + 3 * n);
  v = hn::Mul(hn::Add(a[5], a[7]), r2);
  hn::Store(hn::Add(v, a[3]), d, o + 5 * n);
  hn::Store(hn::Sub(v, a[3]), d, o + 7 * n);
}

#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX2
#define QUILVE_SQUARE_TRANSPOSE 1
constexpr int kSquare = static_cast<int>(hn::MaxLanes(FloatTag()));

// Transposes the n x n square r[0 .. n-1] (n = 8 or 16 lanes) in
// registers: pairs of lanes, then pairs of pairs within each 128-bit block,
// then the square of blocks.
HWY_INLINE void TransposeSquare(FloatTag d, Vec* r) {
  const hn::Repartition<double, FloatTag> d64;
  Vec u[kSquare];
  for (int g = 0; g < kSquare; g += 4) {
    const Vec t0 = hn::InterleaveLower(d, r[g], r[g + 1]);
    const Vec t1 = hn::InterleaveUpper(d, r[g], r[g + 1]);
    const Vec t2 = hn::InterleaveLower(d, r[g + 2], r[g + 3]);
    const Vec t3 = hn::InterleaveUpper(d, r[g + 2], r[g + 3]);
    // Block q of u[g + i] holds entry 4q + i of rows g .. g + 3.
    u[g] = hn::BitCast(d, hn::InterleaveLower(d64, hn::BitCast(d64, t0), hn::BitCast(d64, t2)));
    u[g + 1] = hn::BitCast(d, hn::InterleaveUpper(d64, hn::BitCast(d64, t0), hn::BitCast(d64, t2)));
    u[g + 2] = hn::BitCast(d, hn::InterleaveLower(d64, hn::BitCast(d64, t1), hn::BitCast(d64, t3)));
    u[g + 3] = hn::BitCast(d, hn::InterleaveUpper(d64, hn::BitCast(d64, t1), hn::BitCast(d64, t3)));
  }
  for (int i = 0; i < 4; ++i) {
    if (kSquare == 8) {
      r[i] = hn::ConcatLowerLower(d, u[4 + i], u[i]);
      r[4 + i] = hn::ConcatUpperUpper(d, u[4 + i], u[i]);
    } else {
#if HWY_TARGET != HWY_AVX2
      const Vec v0 = hn::ConcatLowerLower(d, u[8 + i], u[i]);
      const Vec v1 = hn::ConcatLowerLower(d, u[12 + i], u[4 + i]);
      const Vec v2 = hn::ConcatUpperUpper(d, u[8 + i], u[i]);
      const Vec v3 = hn::ConcatUpperUpper(d, u[12 + i], u[4 + i]);
      r[i] = hn::OddEvenBlocks(hn::SwapAdjacentBlocks(v1), v0);
      r[4 + i] = hn::OddEvenBlocks(v1, hn::SwapAdjacentBlocks(v0));
      r[8 + i] = hn::OddEvenBlocks(hn::SwapAdjacentBlocks(v3), v2);
      r[12 + i] = hn::OddEvenBlocks(v3, hn::SwapAdjacentBlocks(v2));
#endif
    }
  }
}
#endif

// RealFft's combining pass of m-point spectra, from s to t.
HWY_INLINE void CombinePass(FloatTag d, const float* HWY_RESTRICT s, float* HWY_RESTRICT t,
                            int m, const float* HWY_RESTRICT cs, std::size_t n) {
  const int h = m / 2;
  const int size = SpectrumBatch::kSize;
  for (int g = 0; g < size; g += 2 * m) {
    const float* s1 = s + g * n;
    const float* s2 = s1 + m * n;
    const float* s1i = s1 + h * n;
    const float* s2i = s1i + m * n;
    float* dr = t + g * n;
    float* di = dr + m * n;
    const Vec a0 = hn::Load(d, s1);
    const Vec b0 = hn::Load(d, s2);
    hn::Store(hn::Add(a0, b0), d, dr);
    hn::Store(hn::Sub(a0, b0), d, di);
    hn::Store(hn::Load(d, s1 + h * n), d, dr + h * n);
    hn::Store(hn::Load(d, s2 + h * n), d, di + h * n);
    for (int i = 1; i < h; ++i) {
      const Vec c = hn::Set(d, cs[i]);
      const Vec sn = hn::Set(d, cs[h - i]);
      const Vec a = hn::Load(d, s1 + i * n);
      const Vec ai = hn::Load(d, s1i + i * n);
      const Vec b = hn::Load(d, s2 + i * n);
      const Vec bi = hn::Load(d, s2i + i * n);
      const Vec re = hn::Sub(hn::Mul(b, c), hn::Mul(bi, sn));
      const Vec im = hn::Add(hn::Mul(b, sn), hn::Mul(bi, c));
      hn::Store(hn::Add(a, re), d, dr + i * n);
      hn::Store(hn::Sub(a, re), d, di - i * n);
      hn::Store(hn::Add(im, ai), d, di + i * n);
      hn::Store(hn::Sub(im, ai), d, di + (m - i) * n);
    }
  }
}

void PowerOfColumns(const float* HWY_RESTRICT samples, const std::int32_t* HWY_RESTRICT starts,
                    int count, const BatchTables& tables) {
  const FloatTag d;
  const std::size_t n = hn::Lanes(d);
  constexpr int size = SpectrumBatch::kSize;
  constexpr int bins = SpectrumBatch::kBins;
  const RealFft& fft = *tables.fft;
  const std::int32_t* rev = fft.bitReversal();
  const Vec r2 = hn::Set(d, fft.sqrtHalf());
  std::int32_t lanes[SpectrumBatch::kMaxColumns];
  for (int c0 = 0; c0 < count; c0 += static_cast<int>(n)) {
    // Lanes past the last column repeat it; their results land in columns
    // nobody reads.
    for (std::size_t j = 0; j < n; ++j) {
      lanes[j] = starts[std::min<int>(c0 + static_cast<int>(j), count - 1)];
    }
    float* s = tables.work;
    float* t = tables.work + size * n;
    // The columns side by side in t; the first passes read t in
    // bit-reversed order, windowing as they load.
#ifdef QUILVE_SQUARE_TRANSPOSE
    for (int i0 = 0; i0 < size; i0 += kSquare) {
      Vec r[kSquare];
      for (int j = 0; j < kSquare; ++j) r[j] = hn::LoadU(d, samples + lanes[j] + i0);
      TransposeSquare(d, r);
      for (int k = 0; k < kSquare; ++k) hn::Store(r[k], d, t + (i0 + k) * kSquare);
    }
#else
    // The columns one after another in s first.
    for (std::size_t j = 0; j < n; ++j) {
      const float* HWY_RESTRICT from = samples + lanes[j];
      float* HWY_RESTRICT row = s + j * size;
      for (int i = 0; i < size; ++i) row[i] = from[i];
    }
    for (int i = 0; i < size; ++i) {
      const float* HWY_RESTRICT from = s + i;
      float* HWY_RESTRICT to = t + i * n;
      for (std::size_t j = 0; j < n; ++j) to[j] = from[j * size];
    }
#endif
    for (int g = 0; g < size; g += RealFft::kGroup) {
      Vec in[RealFft::kGroup];
      for (int q = 0; q < RealFft::kGroup; ++q) {
        const std::int32_t i = rev[g + q];
        in[q] = hn::Mul(hn::Load(d, t + i * n), hn::Set(d, tables.window[i]));
      }
      EightPoint(d, in, s + g * n, n, r2);
    }
    for (int p = 0; p < RealFft::combiningPasses(size); ++p) {
      CombinePass(d, s, t, RealFft::combinedPoints(p), fft.cosines(p), n);
      float* swap = s;
      s = t;
      t = swap;
    }
    float* out = tables.power + static_cast<std::size_t>(c0) * bins;
#ifdef QUILVE_SQUARE_TRANSPOSE
    // Powers of n bins of every column, turned into each column's row.
    for (int k0 = 0; k0 < bins; k0 += kSquare) {
      Vec r[kSquare];
      for (int q = 0; q < kSquare; ++q) {
        const int k = k0 + q;
        const Vec re = hn::Load(d, s + k * n);
        if (k == 0) {
          r[q] = hn::Mul(re, re);  // bin 0 has no imaginary part
        } else {
          const Vec im = hn::Load(d, s + (size / 2 + k) * n);
          r[q] = hn::Add(hn::Mul(re, re), hn::Mul(im, im));
        }
      }
      TransposeSquare(d, r);
      for (int j = 0; j < kSquare; ++j) hn::StoreU(r[j], d, out + j * bins + k0);
    }
#else
    // Powers, one bin of every column at a time, into t; then each column's
    // powers are gathered into its own row.
    const Vec dc = hn::Load(d, s);
    hn::Store(hn::Mul(dc, dc), d, t);
    for (int k = 1; k < bins; ++k) {
      const Vec re = hn::Load(d, s + k * n);
      const Vec im = hn::Load(d, s + (size / 2 + k) * n);
      hn::Store(hn::Add(hn::Mul(re, re), hn::Mul(im, im)), d, t + k * n);
    }
    for (std::size_t j = 0; j < n; ++j) {
      float* HWY_RESTRICT row = out + j * bins;
      const float* HWY_RESTRICT column = t + j;
      for (int k = 0; k < bins; ++k) row[k] = column[k * n];
    }
#endif
  }
}

#undef QUILVE_SQUARE_TRANSPOSE
}  // namespace HWY_NAMESPACE
}  // namespace quilve
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quilve {

HWY_EXPORT(PowerOfColumns);

SpectrumBatch::SpectrumBatch()
    : fft_(kSize),
      window_(kSize),
      work_(2 * kSize * kMaxColumns + 16),
      power_(static_cast<std::size_t>(kMaxColumns) * kBins),
      frames_(kMaxColumns) {
  blackmanHarrisWindow(kSize, window_.data());
}

void SpectrumBatch::compute(const float* samples, const std::int32_t* starts, int count) {
  transform(samples, starts, count);
  for (int j = 0; j < count && j < kMaxColumns; ++j) {
    spectrumFrameFromPower(power(j), frames_[static_cast<std::size_t>(j)]);
  }
}

void SpectrumBatch::transform(const float* samples, const std::int32_t* starts, int count) {
  if (count <= 0) return;
  if (count > kMaxColumns) count = kMaxColumns;
  // The planar arrays start on a 64-byte boundary for aligned vector access.
  const auto raw = reinterpret_cast<std::uintptr_t>(work_.data());
  float* work = work_.data() + ((64 - raw % 64) % 64) / sizeof(float);
  const BatchTables tables{&fft_, window_.data(), work, power_.data()};
  HWY_DYNAMIC_DISPATCH(PowerOfColumns)(samples, starts, count, tables);
}

}  // namespace quilve
#endif  // HWY_ONCE
