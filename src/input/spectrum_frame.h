#pragma once
// Levels in dB of one 256-point power spectrum, as the chirp detector and the
// tiles consume them.
#include "input/spectrum_sfft.h"

namespace quilve {

struct SpectrumFrame {
  static constexpr int kLevels = 128;
  // Entry k belongs to FFT bin k (frequency k x sample rate / 256); entry 0
  // is always 0.
  float level[kLevels];
};

// level[0] = 0 and, for k = 1 .. 127,
//   level[k] = float(10 log10(double(P[k] + 1e-20f))) - 20 log10(256) + 19
// where the logarithm is evaluated in double and the rest in single
// precision. `power` holds at least 128 bins.
void spectrumFrameFromPower(const float* power, SpectrumFrame& frame);
// The same from the (power, 0) pairs of SpectrumSFFT::powerSpectrumOfPairs.
void spectrumFrameFromPairs(const SamplePair* power, SpectrumFrame& frame);

}  // namespace quilve
