#include "input/real_fft.h"

#include <cmath>
#include <stdexcept>

namespace quilve {

namespace {

// The grouping pass on one group of eight bit-reversed inputs: two 4-point
// transforms, then their combination into an 8-point transform, whose only
// twiddle is sqrt(1/2).
inline void eightPoint(const float* in, float* o, float r2) {
  float a[8];
  for (int q = 0; q < 8; q += 4) {
    const float x0 = in[q];
    const float x1 = in[q + 1];
    const float x2 = in[q + 2];
    const float x3 = in[q + 3];
    a[q + 1] = x0 - x1;
    a[q + 3] = x2 - x3;
    const float s0 = x0 + x1;
    const float s2 = x2 + x3;
    a[q] = s0 + s2;
    a[q + 2] = s0 - s2;
  }
  o[0] = a[0] + a[4];
  o[4] = a[0] - a[4];
  o[2] = a[2];
  o[6] = a[6];
  float v = (a[5] - a[7]) * r2;
  o[1] = a[1] + v;
  o[3] = a[1] - v;
  v = (a[5] + a[7]) * r2;
  o[5] = v + a[3];
  o[7] = v - a[3];
}

// Combining pass p (see the header): every block of 2m entries of s holds
// two packed m-point spectra, which are combined into one packed 2m-point
// spectrum in d.
void combine(const float* __restrict s, float* __restrict d, int n, int m,
             const float* __restrict cs) {
  const int h = m / 2;
  for (int g = 0; g < n; g += 2 * m) {
    // The two spectra: real parts of bin i at s1[i] and s2[i], imaginary
    // parts at s1i[i] and s2i[i]. The result: bin i at dr[i] and di[i], the
    // mirrored bin m - i at di[-i] and di[m - i].
    const float* s1 = s + g;
    const float* s1i = s1 + h;
    const float* s2 = s1 + m;
    const float* s2i = s2 + h;
    float* dr = d + g;
    float* di = dr + m;
    dr[0] = s1[0] + s2[0];
    di[0] = s1[0] - s2[0];
    dr[h] = s1[h];
    di[h] = s2[h];
    for (int i = 1; i < h; ++i) {
      const float c = cs[i];
      const float sn = cs[h - i];
      // The second spectrum's bin i times the twiddle.
      const float re = s2[i] * c - s2i[i] * sn;
      const float im = s2[i] * sn + s2i[i] * c;
      dr[i] = s1[i] + re;
      di[-i] = s1[i] - re;
      di[i] = im + s1i[i];
      di[m - i] = im - s1i[i];
    }
  }
}

}  // namespace

RealFft::RealFft(int length) : sqrtHalf_(0.0f), length_(length), bits_(0) {
  if (length < 1) throw std::invalid_argument("RealFft: length must be positive");
  bits_ = static_cast<std::int32_t>(std::floor(std::log(static_cast<double>(length)) /
                                                   std::log(2.0) +
                                               0.5));
  if ((std::int64_t{1} << bits_) != length) {
    throw std::invalid_argument("RealFft: length must be a power of two");
  }

  // Bit-reversed counter: adding one at the top bit and carrying downwards.
  bitReversal_.assign(static_cast<std::size_t>(length), 0);
  std::int32_t r = 0;
  for (std::int32_t j = 1; j < length; ++j) {
    std::int32_t b = length / 2;
    for (;;) {
      r ^= b;
      if ((r & b) != 0) break;
      b /= 2;
    }
    bitReversal_[static_cast<std::size_t>(j)] = r;
  }

  // Combining pass p needs cos(i pi / m) for i = 0 .. m/2 - 1; the tables of
  // the passes lie one after another.
  const int passes = combiningPasses(length);
  if (passes > 0) {
    cosineTable_.assign(static_cast<std::size_t>(length / 2 - kGroup / 2), 0.0f);
    const double pi = 4.0 * std::atan(1.0);
    for (int p = 0; p < passes; ++p) {
      const int h = combinedPoints(p) / 2;
      float* c = cosineTable_.data() + (h - kGroup / 2);
      for (int i = 0; i < h; ++i) c[i] = static_cast<float>(std::cos(i * pi / (2.0 * h)));
    }
  }
  sqrtHalf_ = static_cast<float>(std::sqrt(2.0) * 0.5);
  if (bits_ > 2) scratch_.assign(static_cast<std::size_t>(length), 0.0f);
}

void RealFft::transform(const float* x, float* f) {
  switch (bits_) {
    case 0:
      f[0] = x[0];
      return;
    case 1:
      f[0] = x[0] + x[1];
      f[1] = x[0] - x[1];
      return;
    case 2: {
      f[1] = x[0] - x[2];
      f[3] = x[1] - x[3];
      const float a = x[0] + x[2];
      const float b = x[1] + x[3];
      f[0] = a + b;
      f[2] = a - b;
      return;
    }
    default:
      break;
  }

  const int n = length_;
  // The passes alternate between f and the scratch array; start so that the
  // last pass lands in f.
  float* d = (bits_ & 1) ? scratch_.data() : f;
  float* s = (bits_ & 1) ? f : scratch_.data();

  // The grouping pass, into s.
  const std::int32_t* rev = bitReversal_.data();
  for (int g = 0; g < n; g += kGroup) {
    const std::int32_t* r = rev + g;
    float in[kGroup];
    for (int q = 0; q < kGroup; ++q) in[q] = x[r[q]];
    eightPoint(in, s + g, sqrtHalf_);
  }

  // The combining passes read s and write d, then swap roles.
  const int passes = combiningPasses(n);
  for (int p = 0; p < passes; ++p) {
    combine(s, d, n, combinedPoints(p), cosines(p));
    float* t = s;
    s = d;
    d = t;
  }
}

void RealFft::power(const float* f, float* p, int count) const {
  const int half = length_ / 2;
  if (count > 0) p[0] = f[0] * f[0];
  const int inner = count < half ? count : half;
  for (int k = 1; k < inner; ++k) {
    const float re = f[k];
    const float im = f[half + k];
    p[k] = re * re + im * im;
  }
  if (count > half && half > 0) p[half] = f[half] * f[half];
}

}  // namespace quilve
