#pragma once
// The columns of a recording's sonogram picture, read in one pass of their
// own (the analysis is not touched): column c covers the effective time
// [c, c + 1) ms; its 128 levels are, bin by bin, the highest level of the
// 256-frame spectra that start in that millisecond (one every 256 frames,
// at least one per column), each from the frames less their mean and
// zero-padded past the end of the data. The levels are those of the
// analysis spectrum, so the colour scale of the displays applies.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "input/recording.h"
#include "input/spectrum_frame.h"
#include "input/spectrum_sfft.h"

namespace quilve {

struct ScanSettings;

constexpr int kSonogramColumnsPerSecond = 1000;

class SonogramColumns {
 public:
  static constexpr int kLevels = SpectrumFrame::kLevels;
  static constexpr int kWindow = 256;

  SonogramColumns();
  ~SonogramColumns();
  SonogramColumns(const SonogramColumns&) = delete;
  SonogramColumns& operator=(const SonogramColumns&) = delete;

  // Opens the recording as the scan does (same effective sample rate).
  // False with `reason` when it cannot be opened.
  bool open(const std::string& path, const ScanSettings& settings, std::string* reason);
  float effectiveSampleRate() const { return rate_; }

  // The next column's kLevels levels; false once the data has ended (or a
  // read failed, see readFailed()).
  bool next(float* levels);
  bool readFailed() const { return readFailed_; }
  const std::string& readError() const { return readError_; }

 private:
  // Reads until the buffer holds the samples up to `end` or the data ends.
  void fill(std::int64_t end);
  std::int64_t columnStart(std::int64_t column) const;
  void spectrumAt(std::int64_t start, SpectrumFrame& frame);

  Recording recording_;
  float rate_ = 0.0f;
  std::int64_t column_ = 0;
  std::int64_t base_ = 0;         // sample index of samples_[0]
  std::vector<float> samples_;    // first channel, from base_ on
  std::vector<std::uint8_t> bytes_;
  bool ended_ = true;
  bool readFailed_ = false;
  std::string readError_;
  SpectrumSFFT fft_;
  std::vector<float> window_;
  std::vector<float> power_;
};

}  // namespace quilve
