// Time of one column's spectrum work: the 256-point power spectrum and its
// conversion to 128 frame levels, together and apart, with FFTW's real
// transform as a reference when it is installed. The "PerColumn" benchmarks
// time each stage of the scan's column path as it runs there (the transform
// of 16 columns at once, the levels, the noise-floor windows, the detector
// step) and report it as "per_column".
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/chirp_detector.h"
#include "engine/chirp_record.h"
#include "engine/detector_kernels.h"
#include "input/real_fft.h"
#include "input/spectrum_batch.h"
#include "input/spectrum_frame.h"
#include "input/spectrum_sfft.h"

#if defined(QUILVE_HAVE_FFTW)
#include <fftw3.h>
#endif

namespace {

using quilve::SamplePair;

// A chirp-like test block: a tone with a harmonic and some deterministic noise.
std::vector<SamplePair> testBlock() {
  std::vector<SamplePair> block(256);
  unsigned state = 12345u;
  for (int i = 0; i < 256; ++i) {
    state = state * 1103515245u + 12345u;
    const float noise = static_cast<float>((state >> 16) & 0x7fff) / 32768.0f - 0.5f;
    block[i].re = static_cast<float>(3000.0 * std::sin(0.7 * i) + 500.0 * std::sin(1.4 * i)) +
                  40.0f * noise;
    block[i].im = 0.0f;
  }
  return block;
}

// Seconds per column, printed as e.g. "per_column=95n".
void perColumn(benchmark::State& state, double columnsPerIteration) {
  state.counters["per_column"] = benchmark::Counter(
      columnsPerIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_SpectrumAndLevels(benchmark::State& state) {
  quilve::SpectrumSFFT engine(256);
  const std::vector<SamplePair> in = testBlock();
  std::vector<SamplePair> power(128);
  quilve::SpectrumFrame frame;
  for (auto _ : state) {
    engine.powerSpectrumOfPairs(in.data(), 256, power.data(), 128);
    quilve::spectrumFrameFromPairs(power.data(), frame);
    benchmark::DoNotOptimize(frame.level);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SpectrumAndLevels);

void BM_PowerSpectrumOfPairs(benchmark::State& state) {
  quilve::SpectrumSFFT engine(256);
  const std::vector<SamplePair> in = testBlock();
  std::vector<SamplePair> power(128);
  for (auto _ : state) {
    engine.powerSpectrumOfPairs(in.data(), 256, power.data(), 128);
    benchmark::DoNotOptimize(power.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PowerSpectrumOfPairs);

void BM_SpectrumFrameFromPairs(benchmark::State& state) {
  quilve::SpectrumSFFT engine(256);
  const std::vector<SamplePair> in = testBlock();
  std::vector<SamplePair> power(128);
  engine.powerSpectrumOfPairs(in.data(), 256, power.data(), 128);
  quilve::SpectrumFrame frame;
  for (auto _ : state) {
    quilve::spectrumFrameFromPairs(power.data(), frame);
    benchmark::DoNotOptimize(frame.level);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SpectrumFrameFromPairs);

// The same 127 levels through scalar log10 calls, for comparison.
void BM_ScalarLog10Levels(benchmark::State& state) {
  quilve::SpectrumSFFT engine(256);
  const std::vector<SamplePair> in = testBlock();
  std::vector<SamplePair> power(128);
  engine.powerSpectrumOfPairs(in.data(), 256, power.data(), 128);
  quilve::SpectrumFrame frame;
  for (auto _ : state) {
    frame.level[0] = 0.0f;
    for (int k = 1; k < 128; ++k) {
      const float db = static_cast<float>(10.0 * std::log10(static_cast<double>(power[k].re + 1e-20f)));
      frame.level[k] = db - 48.16479931f + 19.0f;
    }
    benchmark::DoNotOptimize(frame.level);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ScalarLog10Levels);

void BM_RealFft256(benchmark::State& state) {
  quilve::RealFft fft(256);
  const std::vector<SamplePair> block = testBlock();
  std::vector<float> in(256), out(256);
  for (int i = 0; i < 256; ++i) in[i] = block[i].re;
  for (auto _ : state) {
    fft.transform(in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RealFft256);

#if defined(QUILVE_HAVE_FFTW)
void BM_FftwR2c256(benchmark::State& state) {
  float* in = fftwf_alloc_real(256);
  fftwf_complex* out = fftwf_alloc_complex(129);
  fftwf_plan plan = fftwf_plan_dft_r2c_1d(256, in, out, FFTW_MEASURE);
  const std::vector<SamplePair> block = testBlock();
  for (int i = 0; i < 256; ++i) in[i] = block[i].re;
  for (auto _ : state) {
    fftwf_execute(plan);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  perColumn(state, 1);
  fftwf_destroy_plan(plan);
  fftwf_free(out);
  fftwf_free(in);
}
BENCHMARK(BM_FftwR2c256)->Name("BM_FftwR2c256PerColumn");
#endif

// A DC-free sample stream with 80 -> 40 kHz sweeps at 250 kHz over noise,
// and the window starts of 29-sample columns through it.
constexpr int kColumnStep = 29;
std::vector<float> sweepStream(int columns) {
  std::vector<float> x(static_cast<std::size_t>(256 + columns * kColumnStep));
  unsigned lcg = 99u;
  double phase = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double t = std::fmod(static_cast<double>(i) / 250000.0, 0.014);
    double v = 0.0;
    if (t < 0.005) {
      phase += 2.0 * 3.141592653589793 * (80000.0 - 8.0e6 * t) / 250000.0;
      v = 3000.0 * std::sin(phase);
    }
    lcg = lcg * 1664525u + 1013904223u;
    x[i] = static_cast<float>(v + (static_cast<double>(lcg >> 8) / 16777216.0 - 0.5) * 100.0);
  }
  return x;
}

void BM_TransformPerColumn(benchmark::State& state) {
  const std::vector<float> x = sweepStream(64);
  quilve::SpectrumBatch batch;
  std::int32_t starts[quilve::SpectrumBatch::kMaxColumns];
  int first = 0;
  for (auto _ : state) {
    for (int j = 0; j < quilve::SpectrumBatch::kMaxColumns; ++j) starts[j] = (first + j) * kColumnStep;
    first = (first + quilve::SpectrumBatch::kMaxColumns) % 48;
    batch.transform(x.data(), starts, quilve::SpectrumBatch::kMaxColumns);
    benchmark::DoNotOptimize(batch.power(0));
    benchmark::ClobberMemory();
  }
  perColumn(state, quilve::SpectrumBatch::kMaxColumns);
}
BENCHMARK(BM_TransformPerColumn);

// Powers and levels of 64 columns of the sweep stream, column after column.
struct Columns {
  std::vector<float> power;
  std::vector<quilve::SpectrumFrame> frames;
};
const Columns& sweepColumns() {
  static const Columns columns = [] {
    constexpr int kCount = 64;
    const std::vector<float> x = sweepStream(kCount);
    quilve::SpectrumBatch batch;
    Columns c;
    c.power.resize(kCount * 128);
    c.frames.resize(kCount);
    for (int b = 0; b < kCount; b += quilve::SpectrumBatch::kMaxColumns) {
      std::int32_t starts[quilve::SpectrumBatch::kMaxColumns];
      for (int j = 0; j < quilve::SpectrumBatch::kMaxColumns; ++j) starts[j] = (b + j) * kColumnStep;
      batch.compute(x.data(), starts, quilve::SpectrumBatch::kMaxColumns);
      for (int j = 0; j < quilve::SpectrumBatch::kMaxColumns; ++j) {
        std::copy(batch.power(j), batch.power(j) + 128, c.power.begin() + (b + j) * 128);
        std::copy(batch.levels(j), batch.levels(j) + 128, c.frames[b + j].level);
      }
    }
    return c;
  }();
  return columns;
}

void BM_LevelsPerColumn(benchmark::State& state) {
  const Columns& c = sweepColumns();
  quilve::SpectrumFrame frame;
  std::size_t k = 0;
  for (auto _ : state) {
    quilve::spectrumFrameFromPower(&c.power[k * 128], frame);
    k = (k + 1) % c.frames.size();
    benchmark::DoNotOptimize(frame.level);
    benchmark::ClobberMemory();
  }
  perColumn(state, 1);
}
BENCHMARK(BM_LevelsPerColumn);

// The three floor windows over all 128 bins, as a column that needs the
// whole floor (a candidate being confirmed or tracked) computes them.
void BM_FloorPerColumn(benchmark::State& state) {
  const Columns& c = sweepColumns();
  std::vector<float> b(130, -INFINITY), a(134, INFINITY), m(142, 0.0f), count(128), floor(128);
  for (int k = 0; k < 128; ++k) count[k] = static_cast<float>(std::min(k, 7) + std::min(127 - k, 7) + 1);
  std::size_t k = 0;
  for (auto _ : state) {
    std::copy(c.frames[k].level, c.frames[k].level + 128, b.begin() + 1);
    k = (k + 1) % c.frames.size();
    quilve::noiseFloorBins(b.data(), a.data(), m.data(), count.data(), 0, 127, floor.data());
    benchmark::DoNotOptimize(floor.data());
    benchmark::ClobberMemory();
  }
  perColumn(state, 1);
}
BENCHMARK(BM_FloorPerColumn);

// The detector's step over ready levels and powers (its floor included, as
// far as the column needs it), candidates left unfinished.
void BM_DetectorPerColumn(benchmark::State& state) {
  const Columns& c = sweepColumns();
  quilve::ChirpDetector detector;
  quilve::DetectorSetup setup;
  setup.columnTime = kColumnStep / 250000.0f;
  detector.startRecording(setup);
  detector.prime(c.frames[0].level);
  auto store = std::make_unique<quilve::ChirpStore>();
  std::size_t k = 1;
  double clock = 0.0;
  for (auto _ : state) {
    const quilve::DetectorStep step =
        detector.step(c.frames[k].level, &c.power[k * 128], clock, store->records[0], 0);
    k = k + 1 == c.frames.size() ? 1 : k + 1;
    clock += setup.columnTime;
    benchmark::DoNotOptimize(step);
  }
  perColumn(state, 1);
}
BENCHMARK(BM_DetectorPerColumn);

}  // namespace

BENCHMARK_MAIN();
