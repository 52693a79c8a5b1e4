// Cost of handing the first channel to the spectrum stage in each sample
// format: the conversion alone (ns per sample) and one 29-frame column of
// the spectrum stage from frame bytes, against the same column from 16-bit
// samples already in memory.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/chirp_detector.h"
#include "input/sample_format.h"

namespace {

using namespace quilve;

constexpr int kFrames = 1 << 16;
constexpr int kColumn = 29;

std::vector<std::int16_t> signal() {
  std::vector<std::int16_t> s(kFrames);
  for (int i = 0; i < kFrames; ++i) {
    s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
        std::lround(12000.0 * std::sin(0.9 * i) + 300.0 * std::sin(0.013 * i)));
  }
  return s;
}

// The signal as stereo frames of the given format (the first channel holds
// it, the second is zero), as a reader hands them over.
std::vector<std::uint8_t> frames(SampleEncoding e, int* blockAlign) {
  const std::vector<std::int16_t> s = signal();
  const int bytes = e == SampleEncoding::Signed16 ? 2 : e == SampleEncoding::Signed24 ? 3
                    : e == SampleEncoding::Float64 ? 8 : 4;
  *blockAlign = 2 * bytes;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(kFrames) * static_cast<std::size_t>(*blockAlign));
  for (int i = 0; i < kFrames; ++i) {
    std::uint8_t* p = out.data() + static_cast<std::ptrdiff_t>(i) * *blockAlign;
    const std::int32_t v = s[static_cast<std::size_t>(i)];
    if (e == SampleEncoding::Float32) {
      const float f = static_cast<float>(v) / 32768.0f;
      std::memcpy(p, &f, 4);
    } else if (e == SampleEncoding::Float64) {
      const double d = v / 32768.0;
      std::memcpy(p, &d, 8);
    } else {
      const std::int64_t wide = static_cast<std::int64_t>(v) << (8 * (bytes - 2));
      for (int b = 0; b < bytes; ++b) p[b] = static_cast<std::uint8_t>(wide >> (8 * b));
    }
  }
  return out;
}

SampleFormat formatFor(SampleEncoding e) {
  SampleFormat f;
  f.encoding = e;
  return f;
}

void BM_Convert(benchmark::State& state) {
  const auto e = static_cast<SampleEncoding>(state.range(0));
  int blockAlign = 0;
  const std::vector<std::uint8_t> bytes = frames(e, &blockAlign);
  std::vector<float> out(kFrames);
  for (auto _ : state) {
    firstChannelSamples(bytes.data(), kFrames, blockAlign, formatFor(e), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["ns_per_sample"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kFrames,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Convert)
    ->Arg(static_cast<int>(SampleEncoding::Signed16))
    ->Arg(static_cast<int>(SampleEncoding::Signed24))
    ->Arg(static_cast<int>(SampleEncoding::Signed32))
    ->Arg(static_cast<int>(SampleEncoding::Float32))
    ->Arg(static_cast<int>(SampleEncoding::Float64));

// One column from frame bytes, as the analysis runs it.
void BM_ColumnFromFrames(benchmark::State& state) {
  const auto e = static_cast<SampleEncoding>(state.range(0));
  int blockAlign = 0;
  const std::vector<std::uint8_t> bytes = frames(e, &blockAlign);
  ColumnSpectrum spectrum;
  spectrum.prime(bytes.data(), blockAlign, formatFor(e));
  std::size_t pos = ColumnSpectrum::kWindow;
  for (auto _ : state) {
    if (pos + kColumn > kFrames) pos = ColumnSpectrum::kWindow;
    spectrum.advance(bytes.data() + pos * static_cast<std::size_t>(blockAlign), kColumn, blockAlign,
                     formatFor(e));
    pos += kColumn;
    benchmark::DoNotOptimize(spectrum.levels());
  }
  state.counters["columns_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ColumnFromFrames)
    ->Arg(static_cast<int>(SampleEncoding::Signed16))
    ->Arg(static_cast<int>(SampleEncoding::Signed24))
    ->Arg(static_cast<int>(SampleEncoding::Float32));

// The same column from 16-bit samples in memory: the conversion folded into
// the DC loop, as the byte path did it before.
void BM_ColumnFromInt16(benchmark::State& state) {
  const std::vector<std::int16_t> s = signal();
  ColumnSpectrum spectrum;
  spectrum.prime(s.data());
  std::size_t pos = ColumnSpectrum::kWindow;
  for (auto _ : state) {
    if (pos + kColumn > kFrames) pos = ColumnSpectrum::kWindow;
    spectrum.advance(s.data() + pos, kColumn);
    pos += kColumn;
    benchmark::DoNotOptimize(spectrum.levels());
  }
  state.counters["columns_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ColumnFromInt16);

}  // namespace

BENCHMARK_MAIN();
