#include "support/signal_generator.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace quilve::test {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFullScale = 32767.0;

double amplitudeOf(double db) { return kFullScale * std::pow(10.0, db / 20.0); }

// Instantaneous frequency of a call `tau` seconds after its start.
double instantaneousFrequency(const CallSpec& c, double tau) {
  const double d = c.duration;
  const double x = d > 0.0 ? std::clamp(tau / d, 0.0, 1.0) : 0.0;
  const double f0 = c.startFrequency;
  const double f1 = c.endFrequency;
  switch (c.shape) {
    case SweepShape::Linear:
      return f0 + (f1 - f0) * x;
    case SweepShape::Hyperbolic:
      return 1.0 / (1.0 / f0 + (1.0 / f1 - 1.0 / f0) * x);
    case SweepShape::Constant:
      return f0;
    case SweepShape::HockeyStick: {
      const double knee = std::clamp(c.kneeFraction, 1e-6, 1.0);
      return x < knee ? f0 + (f1 - f0) * (x / knee) : f1;
    }
  }
  return f0;
}

// Raised-cosine rise and fall over the call's ramp time.
double envelope(const CallSpec& c, double tau) {
  if (tau < 0.0 || tau > c.duration) return 0.0;
  const double ramp = std::min(c.rampTime, c.duration / 2.0);
  if (ramp <= 0.0) return 1.0;
  const double edge = std::min(tau, c.duration - tau);
  if (edge >= ramp) return 1.0;
  return 0.5 - 0.5 * std::cos(kPi * edge / ramp);
}

// Uniform in (0, 1) from the standard 32-bit Mersenne Twister, whose output
// sequence is the same everywhere.
double uniformOpen(std::mt19937& rng) { return (static_cast<double>(rng()) + 0.5) / 4294967296.0; }

}  // namespace

double CallTruth::frequencyAt(double t) const { return instantaneousFrequency(shape, t - startTime); }

double CallTruth::meanSlopeKHzPerMs() const {
  const double ms = duration() * 1000.0;
  return ms > 0.0 ? (endFrequency - startFrequency) * 0.001 / ms : 0.0;
}

Bytes GeneratedRecording::wavFile() const {
  return pcmWav(storedSampleRate, 1, 16, pcm16(samples));
}

SignalGenerator::SignalGenerator(double durationSeconds, double effectiveSampleRate,
                                 std::uint32_t seed)
    : duration_(durationSeconds), rate_(effectiveSampleRate), seed_(seed) {}

SignalGenerator& SignalGenerator::addCall(const CallSpec& call) {
  calls_.push_back(call);
  return *this;
}

SignalGenerator& SignalGenerator::addNoise(double rmsDb) {
  noiseDb_.push_back(rmsDb);
  return *this;
}

GeneratedRecording SignalGenerator::render(int expansionFactor) const {
  const auto count = static_cast<std::size_t>(std::llround(duration_ * rate_));
  std::vector<double> signal(count, 0.0);

  GeneratedRecording out;
  for (const CallSpec& c : calls_) {
    const double a1 = amplitudeOf(c.levelDb);
    const double a2 = std::isnan(c.harmonicDb) ? 0.0 : a1 * std::pow(10.0, c.harmonicDb / 20.0);
    const auto first = static_cast<std::size_t>(std::max(0.0, std::ceil(c.startTime * rate_)));
    const auto last = static_cast<std::size_t>(
        std::max(0.0, std::floor((c.startTime + c.duration) * rate_)));
    // The phase is the running integral of the instantaneous frequency,
    // taken at mid-step so a sweep is not offset by half a sample.
    double phase = 2.0 * kPi * instantaneousFrequency(c, 0.0) *
                   (static_cast<double>(first) / rate_ - c.startTime);
    for (std::size_t i = first; i <= last && i < count; ++i) {
      const double tau = static_cast<double>(i) / rate_ - c.startTime;
      const double e = envelope(c, tau);
      signal[i] += e * (a1 * std::sin(phase) + a2 * std::sin(2.0 * phase));
      phase += 2.0 * kPi * instantaneousFrequency(c, tau + 0.5 / rate_) / rate_;
    }

    CallTruth truth;
    truth.shape = c;
    truth.startTime = c.startTime;
    truth.endTime = c.startTime + c.duration;
    truth.startFrequency = instantaneousFrequency(c, 0.0);
    truth.endFrequency = instantaneousFrequency(c, c.duration);
    out.calls.push_back(truth);
  }

  std::mt19937 rng(seed_);
  for (double db : noiseDb_) {
    const double sigma = amplitudeOf(db);
    for (std::size_t i = 0; i < count; i += 2) {
      // Box-Muller: two independent normal values per pair of uniforms.
      const double r = std::sqrt(-2.0 * std::log(uniformOpen(rng)));
      const double theta = 2.0 * kPi * uniformOpen(rng);
      signal[i] += sigma * r * std::cos(theta);
      if (i + 1 < count) signal[i + 1] += sigma * r * std::sin(theta);
    }
  }

  out.samples.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double v = std::clamp(std::nearbyint(signal[i]), -32768.0, 32767.0);
    out.samples[i] = static_cast<std::int16_t>(v);
  }
  const int factor = expansionFactor > 0 ? expansionFactor : 1;
  out.expansionFactor = factor;
  out.effectiveSampleRate = rate_;
  out.storedSampleRate = static_cast<std::uint32_t>(std::llround(rate_ / factor));
  return out;
}

Bytes batRecording(int calls, std::uint32_t seed, double seconds) {
  SignalGenerator gen(seconds, 250000, seed);
  gen.addNoise(-60);
  for (int k = 0; k < calls; ++k) {
    CallSpec c;
    c.startTime = 0.05 + 0.1 * k;
    c.startFrequency = 75000;
    c.endFrequency = 38000;
    gen.addCall(c);
  }
  return gen.render().wavFile();
}

}  // namespace quilve::test
