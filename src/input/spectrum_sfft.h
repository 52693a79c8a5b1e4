#pragma once
// Short-time power spectrum engine: windows a block of samples with a
// four-term Blackman-Harris window, zero-pads it to the FFT size, runs the
// real FFT and returns the power of the bins from DC up to Nyquist.
#include <cstdint>
#include <vector>

#include "input/real_fft.h"

namespace quilve {

// One (real, imaginary) sample pair. Only the real part of an input pair is
// used; output pairs carry (power, 0).
struct SamplePair {
  float re;
  float im;
};

// The four-term Blackman-Harris window of `count` samples into w[0 .. count-1]
// (a single sample passes through with weight 1).
void blackmanHarrisWindow(int count, float* w);

class SpectrumSFFT {
 public:
  // `fftSize` must be a power of two; the program uses 256.
  explicit SpectrumSFFT(int fftSize);
  virtual ~SpectrumSFFT();

  // Power spectrum of the real parts of input[0 .. inputCount-1], written as
  // (power, 0) pairs to output[0 .. min(outputCount, fftSize/2 + 1) - 1].
  // Always returns true.
  virtual bool powerSpectrumOfPairs(const SamplePair* input, int inputCount, SamplePair* output,
                                    int outputCount);

  // The same for plain sample and power arrays.
  virtual bool powerSpectrum(const float* input, int inputCount, float* output, int outputCount);

  int fftSize() const { return fftSize_; }
  // Number of samples the cached window was built for (0 before the first call).
  int windowLength() const { return windowLength_; }
  const float* window() const { return window_.data(); }

 private:
  // Rebuilds the window when the sample count changed, fills time_ with the
  // windowed, zero-padded block and transforms it into spectrum_.
  template <typename Sample, typename Real>
  void loadBlock(const Sample* input, int inputCount, Real real);
  void buildWindow(int count);
  int binCount(int outputCount) const;

  std::int32_t windowLength_;
  std::vector<float> window_;
  std::int32_t fftSize_;
  RealFft fft_;
  // Time, spectrum and power arrays, kept across calls so that no transform
  // allocates.
  std::vector<float> time_;
  std::vector<float> spectrum_;
  std::vector<float> power_;
};

}  // namespace quilve
