#include "input/real_fft.h"

#include <cmath>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define QUILVE_FFT_AVX2 1
#else
#define QUILVE_FFT_AVX2 0
#endif

namespace quilve {

namespace {

// Passes 1 to 3 on one group of eight bit-reversed inputs: two 4-point
// transforms, then their combination into an 8-point transform, whose only
// twiddle is sqrt(1/2). V is float or a vector of floats (one group per lane).
template <typename V, typename Out>
inline void eightPoint(const V* in, Out* o, V r2) {
  V a[8];
  for (int q = 0; q < 8; q += 4) {
    const V x0 = in[q];
    const V x1 = in[q + 1];
    const V x2 = in[q + 2];
    const V x3 = in[q + 3];
    a[q + 1] = x0 - x1;
    a[q + 3] = x2 - x3;
    const V s0 = x0 + x1;
    const V s2 = x2 + x3;
    a[q] = s0 + s2;
    a[q + 2] = s0 - s2;
  }
  o[0] = a[0] + a[4];
  o[4] = a[0] - a[4];
  o[2] = a[2];
  o[6] = a[6];
  V v = (a[5] - a[7]) * r2;
  o[1] = a[1] + v;
  o[3] = a[1] - v;
  v = (a[5] + a[7]) * r2;
  o[5] = v + a[3];
  o[7] = v - a[3];
}

// Butterflies of one block for i = first .. last - 1: combines the packed
// m-point spectra at s1 and s2 = s1 + m into the packed 2m-point spectrum at
// dr. `cs` holds cos(i pi / m) for i = 0 .. h - 1 (h = m/2); the sine of the
// same angle is cs[h - i].
inline void butterflies(const float* __restrict s1, float* __restrict dr, int m,
                        const float* __restrict cs, int first, int last) {
  const int h = m / 2;
  const float* s2 = s1 + m;
  const float* s1i = s1 + h;
  const float* s2i = s1i + m;
  float* di = dr + m;
  for (int i = first; i < last; ++i) {
    const float c = cs[i];
    const float sn = cs[h - i];
    const float re = s2[i] * c - s2i[i] * sn;
    const float im = s2[i] * sn + s2i[i] * c;
    dr[i] = s1[i] + re;
    di[-i] = s1[i] - re;
    di[i] = im + s1i[i];
    di[m - i] = im - s1i[i];
  }
}

#if defined(__SSE2__)
inline __m128 reversed(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }

// The butterflies for i .. i + 3 at once; the entries running downwards
// (di[-i], di[m - i] and the sines) are loaded and stored reversed.
inline void butterflies4(const float* s1, float* dr, int m, const float* cs, int i) {
  const int h = m / 2;
  const float* s2 = s1 + m;
  const float* s1i = s1 + h;
  const float* s2i = s1i + m;
  float* di = dr + m;
  const __m128 c = _mm_loadu_ps(cs + i);
  const __m128 sn = reversed(_mm_loadu_ps(cs + h - i - 3));
  const __m128 a = _mm_loadu_ps(s1 + i);
  const __m128 ai = _mm_loadu_ps(s1i + i);
  const __m128 b = _mm_loadu_ps(s2 + i);
  const __m128 bi = _mm_loadu_ps(s2i + i);
  const __m128 re = _mm_sub_ps(_mm_mul_ps(b, c), _mm_mul_ps(bi, sn));
  const __m128 im = _mm_add_ps(_mm_mul_ps(b, sn), _mm_mul_ps(bi, c));
  _mm_storeu_ps(dr + i, _mm_add_ps(a, re));
  _mm_storeu_ps(di - i - 3, reversed(_mm_sub_ps(a, re)));
  _mm_storeu_ps(di + i, _mm_add_ps(im, ai));
  _mm_storeu_ps(di + m - i - 3, reversed(_mm_sub_ps(im, ai)));
}
#endif

#if QUILVE_FFT_AVX2
__attribute__((target("avx2"))) inline __m256 reversed8(__m256 v) {
  return _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
}

// butterflies4 eight at a time.
__attribute__((target("avx2"))) inline void butterflies8(const float* s1, float* dr, int m,
                                                         const float* cs, int i) {
  const int h = m / 2;
  const float* s2 = s1 + m;
  const float* s1i = s1 + h;
  const float* s2i = s1i + m;
  float* di = dr + m;
  const __m256 c = _mm256_loadu_ps(cs + i);
  const __m256 sn = reversed8(_mm256_loadu_ps(cs + h - i - 7));
  const __m256 a = _mm256_loadu_ps(s1 + i);
  const __m256 ai = _mm256_loadu_ps(s1i + i);
  const __m256 b = _mm256_loadu_ps(s2 + i);
  const __m256 bi = _mm256_loadu_ps(s2i + i);
  const __m256 re = _mm256_sub_ps(_mm256_mul_ps(b, c), _mm256_mul_ps(bi, sn));
  const __m256 im = _mm256_add_ps(_mm256_mul_ps(b, sn), _mm256_mul_ps(bi, c));
  _mm256_storeu_ps(dr + i, _mm256_add_ps(a, re));
  _mm256_storeu_ps(di - i - 7, reversed8(_mm256_sub_ps(a, re)));
  _mm256_storeu_ps(di + i, _mm256_add_ps(im, ai));
  _mm256_storeu_ps(di + m - i - 7, reversed8(_mm256_sub_ps(im, ai)));
}

// combinePass for h >= 16 on processors with AVX2: groups of eight from
// i = 1, the last one ending at h - 1 (overlapping the one before).
__attribute__((target("avx2"))) void combinePassWide(const float* __restrict s,
                                                     float* __restrict d, int n, int m,
                                                     const float* __restrict cs) {
  const int h = m / 2;
  for (int g = 0; g < n; g += 2 * m) {
    const float* s1 = s + g;
    const float* s2 = s1 + m;
    float* dr = d + g;
    float* di = dr + m;
    dr[0] = s1[0] + s2[0];
    di[0] = s1[0] - s2[0];
    dr[h] = s1[h];
    di[h] = s2[h];
    int i = 1;
    for (; i + 8 <= h; i += 8) butterflies8(s1, dr, m, cs, i);
    if (i < h) butterflies8(s1, dr, m, cs, h - 8);
  }
}
#endif

// One butterfly pass for sub-transforms of m points (m = 2^p, p >= 3):
// every block of 2m entries of s holds two packed m-point spectra, which are
// combined into one packed 2m-point spectrum in d.
void combinePass(const float* __restrict s, float* __restrict d, int n, int m,
                 const float* __restrict cs) {
  const int h = m / 2;
#if defined(__SSE2__)
  // Blocks of the first general pass (h = 4) hold three butterflies each,
  // done as one group of four whose spare lane (i = h) lands only on
  // dr[h] and di[h], written properly afterwards. The spare lane reads one
  // entry past the block, so the last block is left to the scalar loop.
  int scalarFrom = 0;
  if (h == 4) {
    const __m128 c = _mm_set_ps(0.0f, cs[3], cs[2], cs[1]);
    const __m128 sn = _mm_set_ps(cs[0], cs[1], cs[2], cs[3]);
    for (int g = 0; g + 2 * m < n; g += 2 * m) {
      const float* s1 = s + g;
      float* dr = d + g;
      float* di = dr + 8;
      const __m128 a = _mm_loadu_ps(s1 + 1);
      const __m128 ai = _mm_loadu_ps(s1 + 5);
      const __m128 b = _mm_loadu_ps(s1 + 9);
      const __m128 bi = _mm_loadu_ps(s1 + 13);
      const __m128 re = _mm_sub_ps(_mm_mul_ps(b, c), _mm_mul_ps(bi, sn));
      const __m128 im = _mm_add_ps(_mm_mul_ps(b, sn), _mm_mul_ps(bi, c));
      _mm_storeu_ps(dr + 1, _mm_add_ps(a, re));
      _mm_storeu_ps(di - 4, reversed(_mm_sub_ps(a, re)));
      _mm_storeu_ps(di + 1, _mm_add_ps(im, ai));
      _mm_storeu_ps(di + 4, reversed(_mm_sub_ps(im, ai)));
      dr[0] = s1[0] + s1[8];
      di[0] = s1[0] - s1[8];
      dr[4] = s1[4];
      di[4] = s1[12];
    }
    scalarFrom = n - 2 * m;
  }
#else
  const int scalarFrom = 0;
#endif
  for (int g = scalarFrom; g < n; g += 2 * m) {
    const float* s1 = s + g;
    const float* s2 = s1 + m;
    float* dr = d + g;
    float* di = dr + m;
    dr[0] = s1[0] + s2[0];
    di[0] = s1[0] - s2[0];
    dr[h] = s1[h];
    di[h] = s2[h];
#if defined(__SSE2__)
    if (h >= 8) {
      // Groups of four from i = 1; the last group ends at h - 1 and may
      // overlap the one before, which only writes the same values again.
      int i = 1;
      for (; i + 4 <= h; i += 4) butterflies4(s1, dr, m, cs, i);
      if (i < h) butterflies4(s1, dr, m, cs, h - 4);
      continue;
    }
#endif
    butterflies(s1, dr, m, cs, 1, h);
  }
}

}  // namespace

RealFft::RealFft(int length, bool allowWideVectors) : sqrtHalf_(0.0f), length_(length), bits_(0) {
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

  // Level L (3 .. bits-1) holds len = 2^(L-1) cosines starting at len - 4.
  if (bits_ > 3) {
    cosineTable_.assign((std::size_t{1} << (bits_ - 1)) - 4, 0.0f);
    const double pi = 4.0 * std::atan(1.0);
    for (int level = 3; level < bits_; ++level) {
      const int len = 1 << (level - 1);
      float* c = cosineTable_.data() + (len - 4);
      for (int i = 0; i < len; ++i) {
        c[i] = static_cast<float>(std::cos(i * pi / (2.0 * len)));
      }
    }
  }
  sqrtHalf_ = static_cast<float>(std::sqrt(2.0) * 0.5);
  if (bits_ > 2) scratch_.assign(static_cast<std::size_t>(length), 0.0f);
#if QUILVE_FFT_AVX2
  __builtin_cpu_init();
  wideVectors_ = allowWideVectors && __builtin_cpu_supports("avx2") != 0;
#else
  (void)allowWideVectors;
#endif
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

  // Passes 1 and 2 (4-point transforms of bit-reversed groups) and pass 3
  // (pairs of them combined into 8-point transforms) run together on each
  // group of eight, so that the 4-point results stay in registers instead of
  // making a trip through d.
  const std::int32_t* rev = bitReversal_.data();
  int g = 0;
#if defined(__SSE2__)
  // Four groups at once, one per lane. The groups whose bit-reversed
  // starting indices are b .. b+3 (b < n/8, a multiple of 4) read their
  // inputs from four adjacent samples, x[bitReversal[g0 + q] + lane], so
  // every input vector is a plain load; the results are transposed back
  // into the groups bitReversal[b + lane].
  if (n >= 32) {
    const __m128 r2 = _mm_set1_ps(sqrtHalf_);
    for (int b = 0; b < n / 8; b += 4) {
      const std::int32_t* r = rev + rev[b];
      __m128 in[8];
      for (int q = 0; q < 8; ++q) in[q] = _mm_loadu_ps(x + r[q]);
      __m128 o[8];
      eightPoint(in, o, r2);
      _MM_TRANSPOSE4_PS(o[0], o[1], o[2], o[3]);
      _MM_TRANSPOSE4_PS(o[4], o[5], o[6], o[7]);
      for (int lane = 0; lane < 4; ++lane) {
        float* dst = s + rev[b + lane];
        _mm_storeu_ps(dst, o[lane]);
        _mm_storeu_ps(dst + 4, o[4 + lane]);
      }
    }
    g = n;
  }
#endif
  for (; g < n; g += 8) {
    const std::int32_t* r = rev + g;
    float in[8];
    for (int q = 0; q < 8; ++q) in[q] = x[r[q]];
    eightPoint(in, s + g, sqrtHalf_);
  }

  // Remaining passes read s and write d, then swap roles.
  for (int p = 3; p < bits_; ++p) {
    const int m = 1 << p;
    const float* cs = cosineTable_.data() + (m / 2 - 4);
#if QUILVE_FFT_AVX2
    if (wideVectors_ && m >= 32) {
      combinePassWide(s, d, n, m, cs);
    } else {
      combinePass(s, d, n, m, cs);
    }
#else
    combinePass(s, d, n, m, cs);
#endif
    float* t = s;
    s = d;
    d = t;
  }
}

}  // namespace quilve
