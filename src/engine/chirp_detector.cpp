#include "engine/chirp_detector.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/detector_kernels.h"
#include "input/sample_format.h"
#include "settings/scan_settings.h"

namespace quilve {

namespace {

constexpr float kPeakFloorDb = 0.0f;
constexpr int kTriggerBinLimit = 123;  // a trigger needs k0 < 123
constexpr int kTriggerBinMargin = 4;   // ... and k0 > lowest bin + 4
constexpr int kConfirmColumns = 16;
constexpr int kConfirmPoints = 4;
constexpr int kWindowColumnsAfterTrigger = kTileColumns - kRingFrames;  // 112
constexpr int kContextColumnsBefore = kRingFrames - 1;                  // 15
constexpr float kBandStartDb = -100.0f;
constexpr int kBandHalfWidth = 5;

constexpr float kStartFrequencyGain = 0.8f;
constexpr float kStartSlopeGain = 0.25f;
constexpr float kStartCurvatureGain = 0.0f;
constexpr float kStartFrequencyGate = 15000.0f;  // Hz
constexpr float kRelaxedFrequencyGain = 0.4f;
constexpr float kRelaxedSlopeGain = 0.1f;
constexpr float kRelaxedCurvatureGain = 0.0f;
constexpr float kRelaxedFrequencyGate = 5000.0f;  // Hz
constexpr float kRelaxationRate = 0.02f;
constexpr float kTimeGateColumns = 8.0f;

constexpr float kLevelThresholdDrop = 30.0f;  // dB below the peak
constexpr float kFundamentalSearchFloorDb = -100.0f;
constexpr float kHarmonicSearchFloorDb = -1.0f;
constexpr int kHarmonicLowestBin = 4;
constexpr float kHarmonicMarginDb = 12.0f;

constexpr float kNoValue = -1.0f;  // harmonic fields of a point without a harmonic

// Folds the excess of bins from..to-1 over the floor into a band sum.
inline float foldBins(float sum, const float* levels, const float* floor, int from, int to) {
  for (int k = from; k < to; ++k) sum = addLevels(sum, levels[k] - floor[k]);
  return sum;
}

// trunc(x) as a bin index, with anything outside the spectrum pinned to -1
// or kSpectrumBins (so a wild prediction cannot overflow the conversion).
inline int binIndex(double x) {
  if (!(x > -1.0)) return -1;
  if (x >= kSpectrumBins) return kSpectrumBins;
  return static_cast<int>(x);
}

// The three tracker values a prediction gives, and the point it starts from.
struct Prediction {
  const TracePoint* last;
  float dt;         // s from the last point to this column
  float frequency;  // pf
  float slope;      // ps
};

Prediction predict(ChirpRecord& record, double time) {
  const TracePoint& p = record.points[record.endPoint - 1];
  Prediction pr;
  pr.last = &p;
  pr.dt = static_cast<float>(time - static_cast<double>(p.time));
  pr.frequency = p.smoothedFrequency + p.smoothedSlope * pr.dt +
                 p.smoothedCurvature * pr.dt * pr.dt * 0.5f;
  pr.slope = p.smoothedSlope + p.smoothedCurvature * pr.dt;
  record.lastUpdateTime = static_cast<float>(time);
  record.predictedFrequency = pr.frequency;
  record.predictedSlope = pr.slope;
  return pr;
}

// Appends a trace point measured at `frequency`; the tracker is updated with
// `trackedFrequency` (the measurement, or its blend with half the harmonic).
void appendPoint(ChirpRecord& record, const Prediction& pr, double time, float frequency,
                 float trackedFrequency, float level, float noise, float harmonicFrequency,
                 float harmonicLevel) {
  const float lastCurvature = pr.last->smoothedCurvature;
  TracePoint& q = record.points[record.endPoint];
  q.time = static_cast<float>(time);
  q.frequency = frequency;
  q.level = level;
  q.noise = noise;
  q.harmonicFrequency = harmonicFrequency;
  q.harmonicLevel = harmonicLevel;
  const float r = trackedFrequency - pr.frequency;
  q.smoothedFrequency = pr.frequency + record.frequencyGain * r;
  if (pr.dt > 0.0f) {
    q.smoothedSlope = pr.slope + record.slopeGain * r / pr.dt;
    q.smoothedCurvature = lastCurvature + record.curvatureGain * 0.5f * r / (pr.dt * pr.dt);
  } else {
    // Point times are single precision; deep into a very long recording two
    // columns can round to the same time. Without a time step there is no
    // slope to learn, so the prediction stands.
    q.smoothedSlope = pr.slope;
    q.smoothedCurvature = lastCurvature;
  }
  ++record.endPoint;
}

}  // namespace

int lowestAnalysedBin(double minimumFrequency, double nyquist) {
  if (!(nyquist > 0.0)) return kSpectrumBins;
  const double bin = minimumFrequency / nyquist * kSpectrumBins;
  if (!(bin > 0.0)) return 0;
  if (bin >= kSpectrumBins) return kSpectrumBins;
  return static_cast<int>(bin);
}

DetectorSetup makeDetectorSetup(const ScanSettings& settings, double effectiveSampleRate,
                                int samplesPerColumn) {
  DetectorSetup setup;
  setup.columnTime =
      static_cast<float>(samplesPerColumn) / static_cast<float>(effectiveSampleRate);
  setup.nyquist = effectiveSampleRate * 0.5;
  setup.lowestBin = lowestAnalysedBin(settings.MinimumFrequency, setup.nyquist);
  setup.triggerThreshold = settings.TriggerThreshold;
  setup.clutterSelection = settings.ClutterSelection != kFilterOff;
  return setup;
}

// --- SpectrumRing --------------------------------------------------------

void SpectrumRing::clear() {
  for (auto& f : frames_) f.fill(0.0f);
  next_ = 0;
}

void SpectrumRing::push(const float* levels) {
  std::copy(levels, levels + kSpectrumBins, frames_[next_].begin());
  next_ = (next_ + 1) % kRingFrames;
}

// --- ChirpDetector -------------------------------------------------------

ChirpDetector::ChirpDetector(TileSink* tiles) : tiles_(tiles) {
  for (int k = 0; k < kSpectrumBins; ++k) {
    const int below = std::min(k, kMeanPad);
    const int above = std::min(kSpectrumBins - 1 - k, kMeanPad);
    floorCount_[k] = static_cast<float>(below + above + 1);
  }
  startRecording(DetectorSetup{});
}

void ChirpDetector::startRecording(const DetectorSetup& setup) {
  setup_ = setup;
  setup_.lowestBin = std::clamp(setup_.lowestBin, 0, kSpectrumBins);
  state_ = DetectorState::Search;
  ring_.clear();
  columnCount_ = 0;
  // The pads make bins outside 0..127 drop out of each floor window: -inf
  // never wins a maximum, +inf never wins a minimum, 0 adds nothing to a sum.
  background_.fill(-std::numeric_limits<float>::infinity());
  maxima_.fill(std::numeric_limits<float>::infinity());
  minima_.fill(0.0f);
  std::fill(background_.begin() + kMaxPad, background_.end() - kMaxPad, 0.0f);
  floor_.fill(0.0f);
  floorValid_ = true;
  peakBin_ = 0;
  peakLevel_ = 0.0f;
  confirmCountdown_ = 0;
  remainingColumns_ = 0;
}

void ChirpDetector::prime(const float* levels) {
  ring_.push(levels);
  std::copy(levels, levels + kSpectrumBins, background_.begin() + kMaxPad);
  columnCount_ = 1;
}

void ChirpDetector::updatePeak(const float* levels) {
  peakBin_ = strongestBin(levels, std::max(setup_.lowestBin, 1), kPeakFloorDb, &peakLevel_);
}

void ChirpDetector::updateBackground(const float* levels) {
  ++columnCount_;
  const float w = columnCount_ > 32 ? 0.03125f : 1.0f / static_cast<float>(columnCount_);
  const float keep = 1.0f - w;
  blendBackground(background_.data() + kMaxPad, levels, w, keep);
  floorValid_ = false;
}

const float* ChirpDetector::noiseFloor() const {
  static_assert(kMaxPad == 1 && kMinPad == 3 && kMeanPad == 7, "pads of the 3, 7, 15-bin windows");
  if (!floorValid_) {
    noiseFloorBins(background_.data(), maxima_.data(), minima_.data(), floorCount_.data(), 0,
                   kSpectrumBins - 1, floor_.data());
    floorValid_ = true;
  }
  return floor_.data();
}

float ChirpDetector::noiseFloorAt(int bin) const {
  if (!floorValid_) {
    // Only the windows of this bin; the rest of floor_ stays out of date.
    noiseFloorBins(background_.data(), maxima_.data(), minima_.data(), floorCount_.data(), bin, bin,
                   floor_.data());
  }
  return floor_[static_cast<std::size_t>(bin)];
}

void ChirpDetector::feedEarlierTiles(const float* levels, int chirpIndex) {
  if (tiles_ == nullptr) return;
  for (int slot = std::min(chirpIndex, kChirpSlots) - 1; slot >= 0; --slot) {
    if (tiles_->columnCount(slot) >= kTileColumns) break;
    tiles_->appendFrame(slot, levels);
  }
}

float ChirpDetector::centroidBin(const float* power, int bin) const {
  if (bin > 1 && bin < kSpectrumBins - 2) {
    float weighted = 0.0f;
    float total = 0.0f;
    for (int k = bin - 2; k <= bin + 2; ++k) {
      weighted += static_cast<float>(k) * power[k];
      total += power[k];
    }
    // Five empty bins have no centroid; the bin itself stands for them.
    if (total > 0.0f) return weighted / total;
  }
  return static_cast<float>(bin);
}

float ChirpDetector::centroidFrequency(const float* power, int bin) const {
  return static_cast<float>(centroidBin(power, bin) * setup_.nyquist / kSpectrumBins);
}

BinMeasure ChirpDetector::measureBin(const float* levels, const float* power, int bin) const {
  const float centroid = centroidBin(power, bin);
  BinMeasure out = bandLevels(levels, centroid);
  out.frequency = static_cast<float>(centroid * setup_.nyquist / kSpectrumBins);
  return out;
}

BinMeasure ChirpDetector::bandLevels(const float* levels, float centroid) const {
  BinMeasure out;

  // Bins below a band go out of band, the band's own bins lo..hi-1 to the
  // fundamental (first band) or the harmonics; past a band, the next one
  // lies around the next multiple of the centroid while it starts inside
  // the spectrum. Everything after the last band is out of band.
  const float* floor = noiseFloor();
  float fundamental = kBandStartDb;
  float harmonics = kBandStartDb;
  float outOfBand = kBandStartDb;
  int order = 1;
  int m = static_cast<int>(centroid + 0.5f);
  int lo = std::max(m - kBandHalfWidth, 0);
  int hi = std::min(m + kBandHalfWidth, kSpectrumBins - 1);
  int k = std::max(setup_.lowestBin, 1);
  while (k < kSpectrumBins) {
    if (k < lo) {
      outOfBand = foldBins(outOfBand, levels, floor, k, lo);
      k = lo;
    }
    if (k < hi) {
      if (order == 1) {
        fundamental = foldBins(fundamental, levels, floor, k, hi);
      } else {
        harmonics = foldBins(harmonics, levels, floor, k, hi);
      }
      k = hi;
    }
    ++order;
    m = static_cast<int>(static_cast<float>(order) * centroid + 0.5f);
    if (m - kBandHalfWidth < 0 || m - kBandHalfWidth > kSpectrumBins - 1) break;
    lo = m - kBandHalfWidth;
    hi = std::min(m + kBandHalfWidth, kSpectrumBins - 1);
  }
  if (k < kSpectrumBins) outOfBand = foldBins(outOfBand, levels, floor, k, kSpectrumBins);
  out.fundamental = fundamental;
  out.harmonics = harmonics;
  out.outOfBand = outOfBand;
  return out;
}

DetectorStep ChirpDetector::step(const float* levels, const float* power, double time,
                                 ChirpRecord& record, int chirpIndex) {
  ring_.push(levels);
  updatePeak(levels);
  updateBackground(levels);
  // The noise floor is worked out when first asked for: a search column
  // mostly needs it at one bin only.
  feedEarlierTiles(levels, chirpIndex);

  DetectorStep result;
  switch (state_) {
    case DetectorState::Search:
      searchStep(levels, power, time, record, chirpIndex);
      break;
    case DetectorState::Confirm:
      confirmStep(levels, power, time, record, chirpIndex);
      break;
    case DetectorState::Track:
      result.candidateFinished = trackStep(levels, power, time, record, chirpIndex);
      break;
  }
  result.state = state_;
  return result;
}

void ChirpDetector::searchStep(const float* levels, const float* power, double time,
                               ChirpRecord& record, int chirpIndex) {
  const int k0 = peakBin_;
  const float s0 = peakLevel_;
  const float noise = noiseFloorAt(k0);
  if (!(s0 > setup_.triggerThreshold + noise)) return;
  if (!(k0 > setup_.lowestBin + kTriggerBinMargin && k0 < kTriggerBinLimit)) return;

  state_ = DetectorState::Confirm;
  confirmCountdown_ = kConfirmColumns;
  remainingColumns_ = kWindowColumnsAfterTrigger;
  if (tiles_ != nullptr) {
    tiles_->clearTile(chirpIndex);
    for (int i = 0; i < kRingFrames; ++i) tiles_->appendFrame(chirpIndex, ring_.frame(i));
  }

  const BinMeasure m = measureBin(levels, power, k0);
  const float dt = setup_.columnTime;
  record.contextStartTime = static_cast<float>(time - kContextColumnsBefore * static_cast<double>(dt));
  record.peakLevel = s0;
  record.peakNoise = noise;
  record.fundamentalPower = m.fundamental;
  record.harmonicPower = m.harmonics;
  record.outOfBandPower = m.outOfBand;
  record.frequencyGain = kStartFrequencyGain;
  record.slopeGain = kStartSlopeGain;
  record.curvatureGain = kStartCurvatureGain;
  record.frequencyGate = kStartFrequencyGate;
  record.timeGate = kTimeGateColumns * dt;
  record.lastUpdateTime = static_cast<float>(time + static_cast<double>(dt));
  record.predictedFrequency = m.frequency;
  record.predictedSlope = 0.0f;
  record.levelThreshold = noise + setup_.triggerThreshold;
  record.firstPoint = 0;
  record.endPoint = 1;

  TracePoint& p = record.points[0];
  p.time = static_cast<float>(time);
  p.frequency = m.frequency;
  p.level = s0;
  p.noise = noise;
  p.harmonicFrequency = kNoValue;
  p.harmonicLevel = kNoValue;
  p.smoothedFrequency = m.frequency;
  p.smoothedSlope = 0.0f;
  p.smoothedCurvature = 0.0f;
}

void ChirpDetector::confirmStep(const float* levels, const float* power, double time,
                                ChirpRecord& record, int chirpIndex) {
  if (tiles_ != nullptr) tiles_->appendFrame(chirpIndex, levels);
  --remainingColumns_;
  const int pointsBefore = record.endPoint;

  const int k0 = peakBin_;
  const float s0 = peakLevel_;
  const float noise = noiseFloorAt(k0);
  // The band levels are only needed when the column adds a point.
  const float centroid = centroidBin(power, k0);
  const float f = static_cast<float>(centroid * setup_.nyquist / kSpectrumBins);
  const Prediction pr = predict(record, time);

  if (std::fabs(f - pr.frequency) < record.frequencyGate &&
      std::fabs(pr.dt) < record.timeGate && record.endPoint < kTracePoints) {
    const BinMeasure m = bandLevels(levels, centroid);
    record.levelThreshold = std::max(record.levelThreshold, setup_.triggerThreshold + noise);
    if (s0 > record.peakLevel) {
      record.peakLevel = s0;
      record.peakNoise = noise;
    }
    record.fundamentalPower = addLevels(record.fundamentalPower, m.fundamental);
    record.harmonicPower = addLevels(record.harmonicPower, m.harmonics);
    record.outOfBandPower = addLevels(record.outOfBandPower, m.outOfBand);
    appendPoint(record, pr, time, f, f, s0, noise, kNoValue, kNoValue);
  }

  // The points counted are those the candidate had when the column started:
  // the column that brings the fourth point is not enough on its own.
  if (pointsBefore >= kConfirmPoints) {
    state_ = DetectorState::Track;
  } else if (--confirmCountdown_ <= 0) {
    state_ = DetectorState::Search;
  }
}

bool ChirpDetector::trackStep(const float* levels, const float* power, double time,
                              ChirpRecord& record, int chirpIndex) {
  if (tiles_ != nullptr) tiles_->appendFrame(chirpIndex, levels);
  --remainingColumns_;

  record.frequencyGain += (kRelaxedFrequencyGain - record.frequencyGain) * kRelaxationRate;
  record.slopeGain += (kRelaxedSlopeGain - record.slopeGain) * kRelaxationRate;
  record.curvatureGain += (kRelaxedCurvatureGain - record.curvatureGain) * kRelaxationRate;
  record.frequencyGate += (kRelaxedFrequencyGate - record.frequencyGate) * kRelaxationRate;

  bool ended = false;
  if (record.endPoint < kTracePoints) {
    const Prediction pr = predict(record, time);
    const double g = record.frequencyGate;
    const double binsPerHz = kSpectrumBins / setup_.nyquist;
    const int lowest = setup_.lowestBin;
    const float* floor = noiseFloor();

    // Fundamental: the loudest bin inside the frequency gate.
    const int lo = std::max(binIndex((pr.frequency - g) * binsPerHz), lowest);
    const int hi = std::min(binIndex((pr.frequency + g) * binsPerHz), kSpectrumBins - 1);
    float lf = kFundamentalSearchFloorDb;
    int b = -1;
    for (int k = lo; k <= hi; ++k) {
      if (levels[k] > lf) {
        lf = levels[k];
        b = k;
      }
    }
    float nf = 0.0f;
    float centroid = 0.0f;
    float f = 0.0f;
    if (b >= 0) {
      nf = floor[b];
      centroid = centroidBin(power, b);
      f = static_cast<float>(centroid * setup_.nyquist / kSpectrumBins);
    }

    // Second harmonic: the loudest bin near twice the prediction, when that
    // lies below the Nyquist frequency.
    float lh = kNoValue;
    float fh = kNoValue;
    float nh = 0.0f;
    bool harmonicFound = false;
    const double twice = 2.0 * static_cast<double>(pr.frequency);
    if (setup_.nyquist > twice) {
      const int lo2 = std::max(binIndex((twice - g / 4) * binsPerHz), kHarmonicLowestBin);
      const int hi2 = std::min(binIndex((twice + g / 4) * binsPerHz), kSpectrumBins - 1);
      float best = kHarmonicSearchFloorDb;
      int bh = -1;
      for (int k = lo2; k <= hi2; ++k) {
        if (levels[k] > best) {
          best = levels[k];
          bh = k;
        }
      }
      if (bh >= 0) {
        nh = floor[bh];
        if (bh >= lowest) {
          lh = best;
          fh = centroidFrequency(power, bh);
          harmonicFound = true;
        }
      }
    }

    const bool inTime = std::fabs(pr.dt) < record.timeGate;
    // A gate window without any bin above -100 dB holds nothing to follow;
    // such a column never extends the trace, however low the threshold.
    if (b >= 0 && record.levelThreshold < lf && inTime) {
      if (lf > record.peakLevel) {
        record.peakLevel = lf;
        record.peakNoise = nf;
        if (record.levelThreshold < lf - kLevelThresholdDrop) {
          record.levelThreshold = lf - kLevelThresholdDrop;
        }
      }
      const BinMeasure m = bandLevels(levels, centroid);
      record.fundamentalPower = addLevels(record.fundamentalPower, m.fundamental);
      record.harmonicPower = addLevels(record.harmonicPower, m.harmonics);
      record.outOfBandPower = addLevels(record.outOfBandPower, m.outOfBand);

      float tracked = f;
      float pointHarmonicFrequency = kNoValue;
      float pointHarmonicLevel = kNoValue;
      if (harmonicFound && lh > nh + kHarmonicMarginDb) {
        pointHarmonicFrequency = fh;
        pointHarmonicLevel = lh;
        // Level-weighted mean of the fundamental and half the harmonic. The
        // levels only make sense as weights while both are positive.
        if (lf > 0.0f && lh > 0.0f) tracked = (fh * lh * 0.5f + f * lf) / (lf + lh);
      }
      appendPoint(record, pr, time, f, tracked, lf, nf, pointHarmonicFrequency,
                  pointHarmonicLevel);
    } else if (std::fabs(pr.dt) > record.timeGate && !setup_.clutterSelection) {
      ended = true;
    }
  }

  if (remainingColumns_ <= 0) ended = true;
  if (ended) state_ = DetectorState::Search;
  return ended;
}

// --- ColumnSpectrum ------------------------------------------------------

namespace {
// Running DC estimate: 1/32767 and 32767/32768 in single precision.
constexpr float kDcGain = 3.0518509e-5f;
constexpr float kDcKeep = 0.999969482421875f;
}  // namespace

ColumnSpectrum::ColumnSpectrum() : fft_(kWindow) {}

template <typename Read>
void ColumnSpectrum::primeWith(Read read) {
  queued_ = 0;
  windowBehind_ = false;
  float sum = 0.0f;
  for (int i = 0; i < kWindow; ++i) sum += static_cast<float>(read(i));
  const float mean = sum / static_cast<float>(kWindow);
  for (int i = 0; i < kWindow; ++i) {
    const float v = static_cast<float>(read(i)) - mean;
    samples_[i] = v;
    samples_[i + kWindow] = v;
  }
  start_ = 0;
  dc_ = mean;
  computeSpectrum();
}

template <typename Read>
void ColumnSpectrum::advanceWith(int count, Read read) {
  syncWindow();
  // A column longer than the window contributes its first kWindow frames.
  const int n = count < kWindow ? count : kWindow;
  float dc = dc_;
  int start = start_;
  for (int i = 0; i < n; ++i) {
    const float x = static_cast<float>(read(i));
    const float v = x - dc;
    samples_[start] = v;
    samples_[start + kWindow] = v;
    start = start + 1 == kWindow ? 0 : start + 1;
    dc = x * kDcGain + dc * kDcKeep;
  }
  start_ = start;
  dc_ = dc;
  computeSpectrum();
}

template <typename Read>
void ColumnSpectrum::queueWith(int count, Read read) {
  if (queued_ == kBatchColumns) return;  // a full queue takes nothing more
  if (queued_ == 0) {
    std::copy(&samples_[start_], &samples_[start_] + kWindow, stream_.begin());
    streamEnd_ = kWindow;
  }
  // The samples go to the stream only; the window catches up in
  // syncWindow.
  const int n = count < kWindow ? count : kWindow;
  float dc = dc_;
  float* out = &stream_[static_cast<std::size_t>(streamEnd_)];
  for (int i = 0; i < n; ++i) {
    const float x = static_cast<float>(read(i));
    out[i] = x - dc;
    dc = x * kDcGain + dc * kDcKeep;
  }
  dc_ = dc;
  streamEnd_ += n;
  starts_[static_cast<std::size_t>(queued_)] = streamEnd_ - kWindow;
  ++queued_;
  windowBehind_ = true;
}

void ColumnSpectrum::syncWindow() {
  if (!windowBehind_) return;
  const float* last = &stream_[static_cast<std::size_t>(streamEnd_ - kWindow)];
  std::copy(last, last + kWindow, samples_.begin());
  std::copy(last, last + kWindow, samples_.begin() + kWindow);
  start_ = 0;
  windowBehind_ = false;
}

void ColumnSpectrum::computeQueued() {
  syncWindow();
  batch_.compute(stream_.data(), starts_.data(), queued_);
}

void ColumnSpectrum::clearQueue() {
  syncWindow();
  queued_ = 0;
}

void ColumnSpectrum::computeSpectrum() {
  fft_.powerSpectrum(&samples_[start_], kWindow, power_.data(), kSpectrumBins);
  spectrumFrameFromPower(power_.data(), frame_);
}

void ColumnSpectrum::prime(const std::uint8_t* frames, int blockAlign, SampleFormat format) {
  std::array<float, kWindow> x;
  firstChannelSamples(frames, kWindow, blockAlign, format, x.data());
  primeWith([&](int i) { return x[static_cast<std::size_t>(i)]; });
}

void ColumnSpectrum::prime(const std::int16_t* samples) {
  primeWith([&](int i) { return samples[i]; });
}

void ColumnSpectrum::advance(const std::uint8_t* frames, int count, int blockAlign,
                             SampleFormat format) {
  // Only the first kWindow frames of a column are looked at.
  const int n = count < kWindow ? count : kWindow;
  std::array<float, kWindow> x;
  firstChannelSamples(frames, n, blockAlign, format, x.data());
  advanceWith(n, [&](int i) { return x[static_cast<std::size_t>(i)]; });
}

void ColumnSpectrum::advance(const std::int16_t* samples, int count) {
  advanceWith(count, [&](int i) { return samples[i]; });
}

void ColumnSpectrum::queue(const std::uint8_t* frames, int count, int blockAlign,
                           SampleFormat format) {
  // Only the first kWindow frames of a column are looked at.
  const int n = count < kWindow ? count : kWindow;
  std::array<float, kWindow> x;
  firstChannelSamples(frames, n, blockAlign, format, x.data());
  queueWith(n, [&](int i) { return x[static_cast<std::size_t>(i)]; });
}

void ColumnSpectrum::queue(const std::int16_t* samples, int count) {
  queueWith(count, [&](int i) { return samples[i]; });
}

}  // namespace quilve
