#pragma once
// Real-input FFT of a power-of-two length, returning the packed real
// spectrum. For n points and X[k] = sum over t of x[t] exp(-2 pi i k t / n):
//   f[k]         =  Re X[k]   for k = 0 .. n/2
//   f[n/2 + k]   = -Im X[k]   for k = 1 .. n/2 - 1
// No scaling is applied. The tables are built once by the constructor; a
// transform evaluates no trigonometric function and allocates nothing.
//
// This is the plain, one-column form of the transform, and the one place
// where its passes are defined. A transform of n >= 8 points runs:
//   1. the grouping pass: the inputs, read in the order of bitReversal(),
//      are taken kGroup = 8 at a time, and each group becomes an 8-point
//      spectrum (two 4-point transforms combined with the twiddle
//      sqrtHalf());
//   2. the combining passes p = 0 .. combiningPasses(n) - 1, in order: pass
//      p combines every pair of neighbouring packed m-point spectra, m =
//      combinedPoints(p), into one packed 2m-point spectrum, with the
//      twiddles cosines(p).
// SpectrumBatch runs these passes, operation for operation, on several
// columns at once, taking its tables and its sequence of passes from here,
// so both give the same bits.
#include <cstdint>
#include <vector>

namespace quilve {

class RealFft {
 public:
  // Inputs per group of the grouping pass.
  static constexpr int kGroup = 8;
  // Combining passes of a transform of `length` points (none below 16).
  static constexpr int combiningPasses(int length) {
    int p = 0;
    for (int m = kGroup; 2 * m <= length; m *= 2) ++p;
    return p;
  }
  // Points of the spectra that combining pass p combines: 8, 16, 32, ...
  static constexpr int combinedPoints(int p) { return kGroup << p; }

  // `length` must be a power of two (1, 2, 4, ...); anything else throws
  // std::invalid_argument, since the passes would index outside the tables.
  explicit RealFft(int length);

  // Transforms x[0 .. length-1] into f[0 .. length-1]. x and f must not
  // overlap: the first pass reads x in bit-reversed order while writing.
  void transform(const float* x, float* f);

  // The power |X[k]|^2 of bins k = 0 .. count-1 of the packed spectrum f
  // into p (count at most length/2 + 1): f[k]^2 + f[length/2 + k]^2, or
  // f[k]^2 alone for DC and Nyquist, which have no imaginary part.
  void power(const float* f, float* p, int count) const;

  int length() const { return length_; }
  int bits() const { return bits_; }

  // bitReversal()[j] is the bit-reversed index of j (0 .. length - 1).
  const std::int32_t* bitReversal() const { return bitReversal_.data(); }
  float sqrtHalf() const { return sqrtHalf_; }
  // The twiddles of combining pass p, for m = combinedPoints(p): the
  // twiddle of butterfly i (1 .. m/2 - 1) is cos(i pi / m) - i sin(i pi / m),
  // and cosines(p)[i] = cos(i pi / m) for i = 0 .. m/2 - 1, so that its
  // sine is cosines(p)[m/2 - i].
  const float* cosines(int p) const {
    return cosineTable_.data() + (combinedPoints(p) / 2 - kGroup / 2);
  }

 private:
  std::vector<std::int32_t> bitReversal_;  // bit-reversed index of every entry
  std::vector<float> cosineTable_;         // the passes' cosines, one after another
  float sqrtHalf_;
  std::int32_t length_;
  std::int32_t bits_;
  std::vector<float> scratch_;  // second ping-pong array, when bits > 2
};

}  // namespace quilve
