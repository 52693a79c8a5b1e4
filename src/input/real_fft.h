#pragma once
// Real-input FFT of a power-of-two length, returning the packed real
// spectrum. For n points and X[k] = sum over t of x[t] exp(-2 pi i k t / n):
//   f[k]         =  Re X[k]   for k = 0 .. n/2
//   f[n/2 + k]   = -Im X[k]   for k = 1 .. n/2 - 1
// No scaling is applied. The tables are built once by the constructor; a
// transform evaluates no trigonometric function and allocates nothing.
//
// The passes: the bit-reversed inputs are taken in groups of eight, each
// turned into an 8-point transform (two 4-point transforms combined with the
// twiddle sqrt(1/2)); every further pass combines pairs of packed m-point
// spectra into packed 2m-point spectra. SpectrumBatch runs the same passes,
// operation for operation, on several columns at once, so both give the same
// bits.
#include <cstdint>
#include <vector>

namespace quilve {

class RealFft {
 public:
  // `length` must be a power of two (1, 2, 4, ...); anything else throws
  // std::invalid_argument, since the passes would index outside the tables.
  explicit RealFft(int length);

  // Transforms x[0 .. length-1] into f[0 .. length-1]. x and f must not
  // overlap: the first pass reads x in bit-reversed order while writing.
  void transform(const float* x, float* f);

  int length() const { return length_; }
  int bits() const { return bits_; }

  // The tables, for transforms that run the same passes elsewhere:
  // bitReversal()[j] is the bit-reversed index of j, and cosines(m) the
  // cos(i pi / m) for i = 0 .. m/2 - 1 of the pass combining m-point spectra
  // (m = 8, 16, ..., length / 2).
  const std::int32_t* bitReversal() const { return bitReversal_.data(); }
  const float* cosines(int m) const { return cosineTable_.data() + (m / 2 - 4); }
  float sqrtHalf() const { return sqrtHalf_; }

 private:
  std::vector<std::int32_t> bitReversal_;  // bit-reversed index of every entry
  std::vector<float> cosineTable_;         // cos(i pi / (2 len)) per pass level
  float sqrtHalf_;
  std::int32_t length_;
  std::int32_t bits_;
  std::vector<float> scratch_;  // second ping-pong array, when bits > 2
};

}  // namespace quilve
