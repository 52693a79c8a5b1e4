#pragma once
// The chirp detector: turns the stream of spectrum columns of one recording
// into call candidates. Per column it adapts a background spectrum, derives a
// smooth noise floor from it, finds the strongest bin and runs a three-state
// machine: Search waits for a bin that stands out from the floor by the
// trigger threshold, Confirm asks the new candidate for four trace points
// within 16 columns, and Track follows the call with a predictive tracker
// (frequency, slope, curvature) inside a frequency gate, merges a second
// harmonic into the measurement when one stands out, and ends the candidate
// after a gap or when its 128-column display window is used up. While it
// tracks it fills the candidate's ChirpRecord and chirp tile.
#include <array>
#include <cstdint>

#include "engine/chirp_record.h"
#include "engine/tile_sink.h"
#include "input/sample_format.h"
#include "input/spectrum_batch.h"
#include "input/spectrum_frame.h"
#include "input/spectrum_sfft.h"

namespace quilve {

struct ScanSettings;

constexpr int kSpectrumBins = 128;  // levels per column (bins 0..127)
constexpr int kRingFrames = 16;     // columns of context kept for a new tile

enum class DetectorState : std::uint8_t { Search, Confirm, Track };

// What the detector needs to know about the recording being scanned.
struct DetectorSetup {
  float columnTime = 0.0f;      // s per column (samplesPerColumn / effective rate)
  double nyquist = 125000.0;    // Hz; bin k stands for k * nyquist / 128
  int lowestBin = 0;            // lowest analysed bin, 0..kSpectrumBins
  float triggerThreshold = 18.0f;  // dB above the noise floor
  bool clutterSelection = true;    // on: a track never ends on a gap
};

// trunc(minimumFrequency / nyquist * 128), kept within 0..kSpectrumBins so
// that an out-of-range setting cannot produce an unusable bin index.
int lowestAnalysedBin(double minimumFrequency, double nyquist);

// Setup for a recording analysed at `effectiveSampleRate` with columns of
// `samplesPerColumn` samples.
DetectorSetup makeDetectorSetup(const ScanSettings& settings, double effectiveSampleRate,
                                int samplesPerColumn);

// The last kRingFrames level columns; the slot written next is the oldest.
class SpectrumRing {
 public:
  void clear();
  void push(const float* levels);
  // Column i (0 = oldest, kRingFrames - 1 = newest).
  const float* frame(int i) const { return frames_[(next_ + i) % kRingFrames].data(); }

 private:
  std::array<std::array<float, kSpectrumBins>, kRingFrames> frames_{};
  int next_ = 0;  // slot written next, which is also the oldest
};

// Level sums of one measured bin's neighbourhood (dB excess over the floor,
// summed with addLevels).
struct BinMeasure {
  float frequency = 0.0f;    // Hz, from the power centroid of the 5 bins around the bin
  float fundamental = -100.0f;  // band of 10 bins around the centroid
  float harmonics = -100.0f;    // bands of the same width at the multiples
  float outOfBand = -100.0f;    // every other analysed bin
};

// Outcome of one column.
struct DetectorStep {
  DetectorState state = DetectorState::Search;  // state for the next column
  bool candidateFinished = false;  // the candidate in the slot has ended: finish it
};

class ChirpDetector {
 public:
  // `tiles` may be null when nothing displays the tiles.
  explicit ChirpDetector(TileSink* tiles = nullptr);

  // Forgets everything of the previous recording: background, floor, ring,
  // column count; state Search.
  void startRecording(const DetectorSetup& setup);

  // The first column of a recording: stores it in the ring and starts the
  // background from it. No detection runs on it.
  void prime(const float* levels);

  // One column: `levels` are the dB levels S[0..127] (S[0] = 0), `power` the
  // linear powers P[0..127] of the same transform, `time` the column clock.
  // Fills `record` (the slot `chirpIndex`) while a candidate is under way.
  DetectorStep step(const float* levels, const float* power, double time, ChirpRecord& record,
                    int chirpIndex);

  // Drops the candidate under way (end of the recording, stop): state Search.
  void dropCandidate() { state_ = DetectorState::Search; }

  DetectorState state() const { return state_; }
  const DetectorSetup& setup() const { return setup_; }
  const float* background() const { return &background_[kMaxPad]; }
  // The noise floor of the last column (worked out on the first call after
  // a column).
  const float* noiseFloor() const;
  // The noise floor of bin 0 .. 127 alone: noiseFloor()[bin], bit for bit,
  // without working out the other bins.
  float noiseFloorAt(int bin) const;
  const SpectrumRing& ring() const { return ring_; }
  int peakBin() const { return peakBin_; }
  float peakLevel() const { return peakLevel_; }
  int confirmCountdown() const { return confirmCountdown_; }
  int remainingColumns() const { return remainingColumns_; }

  // Measures bin `bin` of the current column (centroid frequency and band
  // levels against the current noise floor).
  BinMeasure measureBin(const float* levels, const float* power, int bin) const;

  // Frequency of the power centroid of bins bin-2 .. bin+2 (the bin's own
  // frequency at the spectrum edges).
  float centroidFrequency(const float* power, int bin) const;

 private:
  float centroidBin(const float* power, int bin) const;
  // Band level sums around a centroid (in bins); frequency left at 0.
  BinMeasure bandLevels(const float* levels, float centroid) const;

  static constexpr int kMaxPad = 1;    // -inf either side of the background (3-bin max)
  static constexpr int kMinPad = 3;    // +inf either side of the maxima (7-bin min)
  static constexpr int kMeanPad = 7;   // 0 either side of the minima (15-bin mean)

  void updatePeak(const float* levels);
  void updateBackground(const float* levels);
  void feedEarlierTiles(const float* levels, int chirpIndex);

  void searchStep(const float* levels, const float* power, double time, ChirpRecord& record,
                  int chirpIndex);
  void confirmStep(const float* levels, const float* power, double time, ChirpRecord& record,
                   int chirpIndex);
  bool trackStep(const float* levels, const float* power, double time, ChirpRecord& record,
                 int chirpIndex);

  TileSink* tiles_;
  DetectorSetup setup_;
  DetectorState state_ = DetectorState::Search;
  SpectrumRing ring_;

  int columnCount_ = 0;  // n, sets the background weight
  std::array<float, kSpectrumBins + 2 * kMaxPad> background_{};
  // The floor windows, filled when the floor is asked for.
  mutable std::array<float, kSpectrumBins + 2 * kMinPad> maxima_{};
  mutable std::array<float, kSpectrumBins + 2 * kMeanPad> minima_{};
  mutable std::array<float, kSpectrumBins> floor_{};
  mutable bool floorValid_ = true;
  std::array<float, kSpectrumBins> floorCount_{};  // bins in each mean window

  int peakBin_ = 0;
  float peakLevel_ = 0.0f;
  int confirmCountdown_ = 0;
  int remainingColumns_ = 0;
};

// The spectrum stage of the column step: the 256-sample frame window with
// running DC removal, its power spectrum and the column's levels. Holds all
// its buffers, so a column allocates nothing.
class ColumnSpectrum {
 public:
  static constexpr int kWindow = 256;

  ColumnSpectrum();

  // First kWindow frames of a recording: the DC estimate starts as their
  // mean, the window holds the samples minus that mean, and the spectrum of
  // the window is computed.
  void prime(const std::uint8_t* frames, int blockAlign, SampleFormat format);
  void prime(const std::int16_t* samples);

  // Shifts `count` new frames into the window (the first kWindow of them
  // when there are more), each less the running DC estimate, which is
  // updated after every sample, and recomputes the spectrum.
  void advance(const std::uint8_t* frames, int count, int blockAlign, SampleFormat format);
  void advance(const std::int16_t* samples, int count);

  const float* levels() const { return frame_.level; }
  const float* power() const { return power_.data(); }

  // The batched form of advance: up to kBatchColumns columns are queued
  // (their samples shifted in as advance does) and their spectra computed
  // together, which is faster than one at a time. A full queue must be
  // computed and cleared before more columns are queued.
  static constexpr int kBatchColumns = SpectrumBatch::kMaxColumns;
  void queue(const std::uint8_t* frames, int count, int blockAlign, SampleFormat format);
  void queue(const std::int16_t* samples, int count);
  int queuedColumns() const { return queued_; }
  // Spectra and levels of every queued column, then levels(j) and power(j)
  // of column j (0 = the first queued) stay valid until clearQueue.
  void computeQueued();
  const float* levels(int j) const { return batch_.levels(j); }
  const float* power(int j) const { return batch_.power(j); }
  void clearQueue();
  float dcEstimate() const { return dc_; }
  // The window's samples, oldest first (queued columns included once they
  // are computed or cleared).
  const float* window() const { return &samples_[start_]; }

 private:
  template <typename Read>
  void primeWith(Read read);
  template <typename Read>
  void advanceWith(int count, Read read);
  template <typename Read>
  void queueWith(int count, Read read);
  void computeSpectrum();
  void syncWindow();

  SpectrumSFFT fft_;
  // Each sample is written twice, kWindow apart, so the window is always the
  // contiguous run starting at start_ and nothing is shifted.
  std::array<float, 2 * kWindow> samples_{};
  int start_ = 0;
  float dc_ = 0.0f;
  alignas(32) std::array<float, kSpectrumBins> power_{};
  SpectrumFrame frame_{};

  // Queued columns: the window before the first of them, then the samples
  // each shifted in, so column j is the kWindow samples ending at its own.
  SpectrumBatch batch_;
  std::array<float, kWindow * (kBatchColumns + 1)> stream_{};
  std::array<std::int32_t, kBatchColumns> starts_{};
  int queued_ = 0;
  int streamEnd_ = 0;
  bool windowBehind_ = false;  // the window lacks the queued samples
};

}  // namespace quilve
