#include "output/sonogram_columns.h"

#include <algorithm>
#include <cmath>

#include "input/sample_format.h"
#include "settings/scan_settings.h"

namespace quilve {

namespace {

constexpr std::size_t kReadFrames = 65536;

}  // namespace

SonogramColumns::SonogramColumns()
    : fft_(kWindow), window_(kWindow), power_(static_cast<std::size_t>(kWindow / 2 + 1)) {}

SonogramColumns::~SonogramColumns() {
  if (recording_.reader) recording_.reader->close();
}

bool SonogramColumns::open(const std::string& path, const ScanSettings& settings,
                           std::string* reason) {
  if (recording_.reader) recording_.reader->close();
  recording_ = Recording{};
  column_ = 0;
  base_ = 0;
  samples_.clear();
  ended_ = true;
  readFailed_ = false;
  readError_.clear();
  std::string why;
  if (failed(openRecording(path, settings, recording_, &why))) {
    if (reason) *reason = why;
    return false;
  }
  rate_ = recording_.effectiveSampleRate;
  if (!(rate_ > 0.0f) || recording_.format.blockAlign == 0) {
    if (reason) *reason = "no usable sample rate";
    recording_.reader->close();
    recording_.reader.reset();
    return false;
  }
  ended_ = false;
  return true;
}

std::int64_t SonogramColumns::columnStart(std::int64_t column) const {
  return static_cast<std::int64_t>(static_cast<double>(column) * static_cast<double>(rate_) /
                                   kSonogramColumnsPerSecond);
}

void SonogramColumns::fill(std::int64_t end) {
  const std::size_t blockAlign = recording_.format.blockAlign;
  if (bytes_.size() < kReadFrames * blockAlign) bytes_.resize(kReadFrames * blockAlign);
  while (!ended_ && base_ + static_cast<std::int64_t>(samples_.size()) < end) {
    std::size_t got = 0;
    if (failed(recording_.reader->read(bytes_.data(), kReadFrames * blockAlign, &got))) {
      readFailed_ = true;
      readError_ = recording_.reader->lastError();
      ended_ = true;
    }
    const std::size_t frames = got / blockAlign;
    const std::size_t old = samples_.size();
    samples_.resize(old + frames);
    firstChannelSamples(bytes_.data(), static_cast<int>(frames), static_cast<int>(blockAlign),
                        recording_.sampleFormat, samples_.data() + old);
    if (got < kReadFrames * blockAlign) ended_ = true;
  }
  if (ended_ && recording_.reader) {
    recording_.reader->close();
    recording_.reader.reset();
  }
}

void SonogramColumns::spectrumAt(std::int64_t start, SpectrumFrame& frame) {
  const std::int64_t available = base_ + static_cast<std::int64_t>(samples_.size());
  const int n = static_cast<int>(std::clamp<std::int64_t>(available - start, 0, kWindow));
  const float* s = samples_.data() + (start - base_);
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) sum += s[i];
  const float mean = n > 0 ? sum / static_cast<float>(n) : 0.0f;
  for (int i = 0; i < n; ++i) window_[static_cast<std::size_t>(i)] = s[i] - mean;
  std::fill(window_.begin() + n, window_.end(), 0.0f);
  fft_.powerSpectrum(window_.data(), kWindow, power_.data(), static_cast<int>(power_.size()));
  spectrumFrameFromPower(power_.data(), frame);
}

bool SonogramColumns::next(float* levels) {
  const std::int64_t start = columnStart(column_);
  const std::int64_t end = std::max(columnStart(column_ + 1), start + 1);
  // The last frame of the column reaches kWindow past its start.
  const std::int64_t lastFrame = start + ((end - 1 - start) / kWindow) * kWindow;
  fill(lastFrame + kWindow);
  if (start >= base_ + static_cast<std::int64_t>(samples_.size())) return false;

  std::fill(levels, levels + kLevels, -1000.0f);
  SpectrumFrame frame;
  for (std::int64_t p = start; p < end; p += kWindow) {
    if (p >= base_ + static_cast<std::int64_t>(samples_.size())) break;
    spectrumAt(p, frame);
    for (int k = 0; k < kLevels; ++k) levels[k] = std::max(levels[k], frame.level[k]);
  }
  ++column_;
  // Samples before the next column are no longer needed.
  const std::int64_t keep = columnStart(column_);
  if (keep - base_ > static_cast<std::int64_t>(kReadFrames)) {
    const std::int64_t drop = std::min<std::int64_t>(keep - base_, static_cast<std::int64_t>(samples_.size()));
    samples_.erase(samples_.begin(), samples_.begin() + drop);
    base_ += drop;
  }
  return true;
}

}  // namespace quilve
