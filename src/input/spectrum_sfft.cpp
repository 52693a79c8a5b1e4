#include "input/spectrum_sfft.h"

#include <cmath>

namespace quilve {

SpectrumSFFT::SpectrumSFFT(int fftSize)
    : windowLength_(0),
      fftSize_(fftSize),
      fft_(fftSize),
      time_(static_cast<std::size_t>(fftSize), 0.0f),
      spectrum_(static_cast<std::size_t>(fftSize), 0.0f),
      power_(static_cast<std::size_t>(fftSize / 2 + 1), 0.0f) {
  // The longest window this engine can use; reserving it here keeps later
  // rebuilds free of allocation.
  window_.reserve(static_cast<std::size_t>(fftSize));
}

SpectrumSFFT::~SpectrumSFFT() = default;

void blackmanHarrisWindow(int count, float* w) {
  if (count == 1) {
    // A one-sample block has no span to taper (the formula would divide by
    // zero); pass the sample through.
    w[0] = 1.0f;
    return;
  }
  for (int i = 0; i < count; ++i) {
    const double theta = 6.2831853 * i / (count - 1);
    w[i] = static_cast<float>(0.35875 - 0.48829 * std::cos(theta) + 0.14128 * std::cos(2.0 * theta) -
                              0.01168 * std::cos(3.0 * theta));
  }
}

void SpectrumSFFT::buildWindow(int count) {
  window_.resize(static_cast<std::size_t>(count));
  if (count > 0) blackmanHarrisWindow(count, window_.data());
  windowLength_ = count;
}

template <typename Sample, typename Real>
void SpectrumSFFT::loadBlock(const Sample* input, int inputCount, Real real) {
  // More samples than FFT points would run past the time array; fewer than
  // none are nothing.
  int m = inputCount;
  if (m > fftSize_) m = fftSize_;
  if (m < 0) m = 0;
  if (m != windowLength_) buildWindow(m);
  float* t = time_.data();
  const float* w = window_.data();
  for (int i = 0; i < m; ++i) t[i] = real(input[i]) * w[i];
  for (int i = m; i < fftSize_; ++i) t[i] = 0.0f;
  fft_.transform(t, spectrum_.data());
}

int SpectrumSFFT::binCount(int outputCount) const {
  const int bins = fftSize_ / 2 + 1;
  if (outputCount < 0) return 0;
  return outputCount < bins ? outputCount : bins;
}

bool SpectrumSFFT::powerSpectrumOfPairs(const SamplePair* input, int inputCount,
                                        SamplePair* output, int outputCount) {
  loadBlock(input, inputCount, [](const SamplePair& p) { return p.re; });
  const int count = binCount(outputCount);
  fft_.power(spectrum_.data(), power_.data(), count);
  for (int k = 0; k < count; ++k) output[k] = SamplePair{power_[static_cast<std::size_t>(k)], 0.0f};
  return true;
}

bool SpectrumSFFT::powerSpectrum(const float* input, int inputCount, float* output,
                                 int outputCount) {
  loadBlock(input, inputCount, [](float v) { return v; });
  fft_.power(spectrum_.data(), output, binCount(outputCount));
  return true;
}

}  // namespace quilve
