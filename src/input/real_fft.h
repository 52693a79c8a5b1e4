#pragma once
// Real-input FFT of a power-of-two length, returning the packed real
// spectrum. For n points and X[k] = sum over t of x[t] exp(-2 pi i k t / n):
//   f[k]         =  Re X[k]   for k = 0 .. n/2
//   f[n/2 + k]   = -Im X[k]   for k = 1 .. n/2 - 1
// No scaling is applied. The tables are built once by the constructor; a
// transform evaluates no trigonometric function and allocates nothing.
#include <cstdint>
#include <vector>

namespace quilve {

class RealFft {
 public:
  // `length` must be a power of two (1, 2, 4, ...); anything else throws
  // std::invalid_argument, since the passes would index outside the tables.
  // With `allowWideVectors` false the 8-wide passes are not used even where
  // the processor has them; both paths give identical results.
  explicit RealFft(int length, bool allowWideVectors = true);

  // Transforms x[0 .. length-1] into f[0 .. length-1]. x and f must not
  // overlap: the first pass reads x in bit-reversed order while writing.
  void transform(const float* x, float* f);

  int length() const { return length_; }
  int bits() const { return bits_; }

 private:
  std::vector<std::int32_t> bitReversal_;  // bit-reversed index of every entry
  std::vector<float> cosineTable_;         // cos(i pi / (2 len)) per pass level
  float sqrtHalf_;
  std::int32_t length_;
  std::int32_t bits_;
  std::vector<float> scratch_;  // second ping-pong array, when bits > 2
  bool wideVectors_ = false;    // the processor runs the 8-wide passes
};

}  // namespace quilve
