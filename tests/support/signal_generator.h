#pragma once
// Synthetic bat recordings for the tests: frequency-modulated and
// constant-frequency calls, optionally with a second harmonic, over white
// noise, as 16-bit samples, together with the truth about every call.
//
// Calls are synthesised at the real (effective) sample rate. A recording
// "stored" with a time-expansion factor carries the same samples with a
// header rate divided by that factor, as a time-expansion detector writes
// them, so a scan at the effective rate sees the calls at their true times
// and frequencies.
#include <cstdint>
#include <limits>
#include <vector>

#include "support/wav_writer.h"

namespace quilve::test {

enum class SweepShape {
  Linear,      // frequency changes at a constant rate
  Hyperbolic,  // 1/f changes at a constant rate: steep first, flattening
  Constant,    // endFrequency is ignored
  HockeyStick  // linear sweep for kneeFraction of the call, then constant
};

struct CallSpec {
  SweepShape shape = SweepShape::Linear;
  double startTime = 0.01;          // s
  double duration = 0.005;          // s
  double startFrequency = 80000.0;  // Hz
  double endFrequency = 30000.0;    // Hz
  double levelDb = -20.0;           // peak amplitude, dB re full scale (32767)
  // Second harmonic amplitude in dB relative to the fundamental; NaN: none.
  double harmonicDb = std::numeric_limits<double>::quiet_NaN();
  double rampTime = 0.0004;     // raised-cosine rise and fall, s (at most half the call)
  double kneeFraction = 0.5;    // HockeyStick: share of the duration spent sweeping
};

// What was generated for one call. Times in seconds from the start of the
// recording, frequencies in Hz of the fundamental.
struct CallTruth {
  CallSpec shape;  // the call as it was asked for
  double startTime = 0.0;
  double endTime = 0.0;
  double startFrequency = 0.0;
  double endFrequency = 0.0;
  double duration() const { return endTime - startTime; }
  // Fundamental frequency at time t (clamped to the call).
  double frequencyAt(double t) const;
  // Mean sweep rate over the call in kHz/ms (negative when falling).
  double meanSlopeKHzPerMs() const;
};

struct GeneratedRecording {
  std::vector<std::int16_t> samples;
  std::uint32_t storedSampleRate = 0;  // rate in the file header
  int expansionFactor = 1;
  double effectiveSampleRate = 0.0;    // rate the signal was synthesised at
  std::vector<CallTruth> calls;        // in the order they were added

  // A mono 16-bit PCM WAV file of the recording at its stored rate.
  Bytes wavFile() const;
};

class SignalGenerator {
 public:
  // A recording of `durationSeconds` at `effectiveSampleRate` Hz; `seed`
  // fixes the noise, so equal generators give equal samples.
  explicit SignalGenerator(double durationSeconds, double effectiveSampleRate = 250000.0,
                           std::uint32_t seed = 1);

  SignalGenerator& addCall(const CallSpec& call);
  // White Gaussian noise with an RMS level of `rmsDb` dB re full scale.
  SignalGenerator& addNoise(double rmsDb);

  // The 16-bit recording (rounded, clipped to the sample range), stored at
  // the effective rate divided by `expansionFactor` (1 or 10 in practice).
  GeneratedRecording render(int expansionFactor = 1) const;

 private:
  double duration_;
  double rate_;
  std::uint32_t seed_;
  std::vector<CallSpec> calls_;
  std::vector<double> noiseDb_;
};

// A recording of `seconds` at 250 kHz over noise at -60 dB with `calls`
// bat calls (75 to 38 kHz, 5 ms), one every 0.1 s from 0.05 s: the file
// most scans of awkward folders need.
Bytes batRecording(int calls, std::uint32_t seed, double seconds = 0.4);

}  // namespace quilve::test
