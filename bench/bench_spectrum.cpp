// Time of one column's spectrum work: the 256-point power spectrum and its
// conversion to 128 frame levels, together and apart, with FFTW's real
// transform as a reference when it is installed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "input/real_fft.h"
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
  fftwf_destroy_plan(plan);
  fftwf_free(out);
  fftwf_free(in);
}
BENCHMARK(BM_FftwR2c256);
#endif

}  // namespace

BENCHMARK_MAIN();
