// Cost of one spectrum column: DC removal, 256-point power spectrum, levels
// and the chirp detector, on a recording at 250 kHz whose calls keep the
// detector confirming or tracking almost all the time. DetailSelection 3
// gives 29-sample columns, 8620 columns per second of audio; the
// "realtime_x" counter is how many times faster than that the path runs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/accepted_calls.h"
#include "engine/chirp_detector.h"
#include "engine/chirp_record.h"
#include "engine/scan_state.h"
#include "fit/linear_fit.h"
#include "fit/poly_fit.h"
#include "settings/scan_settings.h"

namespace {

using namespace quilve;

constexpr double kRate = 250000.0;
constexpr double kAudioColumnsPerSecond = 8620.0;

// Half a second of 10-ms linear sweeps from 80 to 30 kHz, one every 14 ms,
// at -20 dBFS over white noise at about -60 dBFS.
const std::vector<std::int16_t>& recording() {
  static const std::vector<std::int16_t> samples = [] {
    const int n = static_cast<int>(0.5 * kRate);
    std::vector<std::int16_t> s(static_cast<std::size_t>(n));
    std::uint32_t lcg = 12345;
    const double period = 0.014;
    const double length = 0.010;
    double phase = 0.0;
    for (int i = 0; i < n; ++i) {
      const double t = i / kRate;
      const double tau = std::fmod(t, period);
      double v = 0.0;
      if (tau < length) {
        const double f = 80000.0 - 50000.0 * tau / length;
        phase += 2.0 * M_PI * f / kRate;
        v = 3277.0 * std::sin(phase);
      }
      // Sum of four uniforms: roughly normal noise with an RMS of ~33.
      double noise = 0.0;
      for (int k = 0; k < 4; ++k) {
        lcg = lcg * 1664525u + 1013904223u;
        noise += (static_cast<double>(lcg >> 8) / 16777216.0 - 0.5);
      }
      v += noise * 57.0;
      s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(v));
    }
    return s;
  }();
  return samples;
}

// Discards accepted calls.
class NoOutput : public CallOutput {
 public:
  void writeCall(const ChirpRecord&, const CallParameters&, const CallParameters&,
                 const ScanJob&) override {}
};

void runColumns(benchmark::State& state, bool withChain) {
  const std::vector<std::int16_t>& x = recording();
  ScanSettings settings;
  const int spc = samplesPerColumn(settings.DetailSelection, static_cast<float>(kRate));
  const DetectorSetup setup = makeDetectorSetup(settings, kRate, spc);

  auto store = std::make_unique<ChirpStore>();
  auto tiles = std::make_unique<MemoryTileStore>();
  ScanJob job;
  ScanSession session;
  startRecordingCalls(job);
  LinearFit linearFit;
  PolyFit polyFit;
  NoOutput output;
  CallFinishing finishing{settings, linearFit, polyFit, output, nullptr, tiles.get()};

  ChirpDetector detector(tiles.get());
  detector.startRecording(setup);
  ColumnSpectrum spectrum;
  spectrum.prime(x.data());
  detector.prime(spectrum.levels());

  std::size_t pos = ColumnSpectrum::kWindow;
  double clock = 0.0;
  std::int64_t active = 0;
  std::int64_t candidates = 0;
  for (auto _ : state) {
    if (pos + spc > x.size()) pos = ColumnSpectrum::kWindow;
    spectrum.advance(x.data() + pos, spc);
    pos += static_cast<std::size_t>(spc);
    const int slot = job.chirpIndex;
    const DetectorStep step =
        detector.step(spectrum.levels(), spectrum.power(), clock, store->records[slot], slot);
    if (step.candidateFinished) {
      ++candidates;
      if (withChain) {
        finishCandidate(*store, job, session, finishing);
        // Keep reusing a few slots so the run does not fill the store.
        if (job.chirpIndex > 8) job.chirpIndex = 0;
      }
    }
    if (step.state != DetectorState::Search) ++active;
    clock += setup.columnTime;
    benchmark::DoNotOptimize(step);
  }
  const double columns = static_cast<double>(state.iterations());
  state.counters["columns_per_s"] = benchmark::Counter(columns, benchmark::Counter::kIsRate);
  state.counters["realtime_x"] =
      benchmark::Counter(columns / kAudioColumnsPerSecond, benchmark::Counter::kIsRate);
  state.counters["active_share"] = columns > 0 ? static_cast<double>(active) / columns : 0.0;
  state.counters["candidates"] = static_cast<double>(candidates);
}

// DC removal, spectrum, levels and detector.
void BM_ColumnPath(benchmark::State& state) { runColumns(state, false); }
BENCHMARK(BM_ColumnPath);

// The same with the acceptance chain and slot handling of every finished
// candidate (once per call, not per column).
void BM_ColumnPathWithChain(benchmark::State& state) { runColumns(state, true); }
BENCHMARK(BM_ColumnPathWithChain);

// The spectrum stage alone: DC removal, transform, levels.
void BM_ColumnSpectrum(benchmark::State& state) {
  const std::vector<std::int16_t>& x = recording();
  ColumnSpectrum spectrum;
  spectrum.prime(x.data());
  std::size_t pos = ColumnSpectrum::kWindow;
  for (auto _ : state) {
    if (pos + 29 > x.size()) pos = ColumnSpectrum::kWindow;
    spectrum.advance(x.data() + pos, 29);
    pos += 29;
    benchmark::DoNotOptimize(spectrum.levels());
  }
  state.counters["columns_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ColumnSpectrum);

// The detector alone over precomputed columns of the same recording.
void BM_Detector(benchmark::State& state) {
  const std::vector<std::int16_t>& x = recording();
  ScanSettings settings;
  const DetectorSetup setup = makeDetectorSetup(settings, kRate, 29);
  const int columns = static_cast<int>((x.size() - ColumnSpectrum::kWindow) / 29);
  std::vector<float> levels(static_cast<std::size_t>(columns) * kSpectrumBins);
  std::vector<float> power(levels.size());
  ColumnSpectrum spectrum;
  spectrum.prime(x.data());
  for (int c = 0; c < columns; ++c) {
    spectrum.advance(x.data() + ColumnSpectrum::kWindow + static_cast<std::size_t>(c) * 29, 29);
    std::copy(spectrum.levels(), spectrum.levels() + kSpectrumBins,
              levels.begin() + static_cast<std::ptrdiff_t>(c) * kSpectrumBins);
    std::copy(spectrum.power(), spectrum.power() + kSpectrumBins,
              power.begin() + static_cast<std::ptrdiff_t>(c) * kSpectrumBins);
  }
  auto tiles = std::make_unique<MemoryTileStore>();
  ChirpDetector detector(tiles.get());
  detector.startRecording(setup);
  detector.prime(levels.data());
  ChirpRecord record;
  int c = 0;
  double clock = 0.0;
  for (auto _ : state) {
    if (++c == columns) c = 1;
    const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(c) * kSpectrumBins;
    const DetectorStep step = detector.step(levels.data() + at, power.data() + at, clock, record, 0);
    clock += setup.columnTime;
    benchmark::DoNotOptimize(step);
  }
  state.counters["columns_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Detector);

}  // namespace

BENCHMARK_MAIN();
