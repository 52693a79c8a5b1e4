#pragma once
// Power spectra and levels of several 256-sample columns at once. The
// columns are windowed, transformed and squared side by side, one column per
// vector lane, with the passes of RealFft; the results equal those of
// SpectrumSFFT::powerSpectrum over 256 samples followed by
// spectrumFrameFromPower, bit for bit. The vector width is the widest the
// processor offers (chosen at run time); nothing is allocated per call.
#include <cstdint>
#include <vector>

#include "input/real_fft.h"
#include "input/spectrum_frame.h"

namespace quilve {

class SpectrumBatch {
 public:
  static constexpr int kSize = 256;                 // samples per column
  static constexpr int kBins = SpectrumFrame::kLevels;  // powers and levels per column
  static constexpr int kMaxColumns = 16;

  SpectrumBatch();

  // Column j (0 .. count-1, count at most kMaxColumns) is the block
  // samples[starts[j] .. starts[j] + 255]. Fills power(j) and levels(j).
  void compute(const float* samples, const std::int32_t* starts, int count);
  // The powers alone (levels(j) keeps what it held).
  void transform(const float* samples, const std::int32_t* starts, int count);

  // Powers of bins 0 .. 127 and the levels of column j of the last compute.
  const float* power(int j) const { return &power_[static_cast<std::size_t>(j) * kBins]; }
  const float* levels(int j) const { return frames_[static_cast<std::size_t>(j)].level; }

 private:
  RealFft fft_;  // the tables and the passes the vector code follows
  std::vector<float> window_;
  std::vector<float> work_;   // two planar arrays of kSize x kMaxColumns
  std::vector<float> power_;  // kMaxColumns x kBins
  std::vector<SpectrumFrame> frames_;
};

}  // namespace quilve
