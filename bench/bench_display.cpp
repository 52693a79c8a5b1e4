// What the chirp-tile display adds to a scan: the per-column path
// (spectrum, levels, detector, acceptance chain) with the tiles kept in
// memory only and with the desktop program's displays as the tile sink
// (headless toolkit, so the figures leave out the screen copy that the
// user-interface thread makes), and the cost of one appendFrame for a
// hidden tile, a tile shown in the gallery and the enlarged tile.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/accepted_calls.h"
#include "engine/chirp_detector.h"
#include "engine/chirp_record.h"
#include "engine/scan_state.h"
#include "fit/linear_fit.h"
#include "fit/poly_fit.h"
#include "settings/scan_settings.h"
#include "ui/app/ui_context.h"
#include "ui/display/displays.h"
#include "ui/toolkit/headless_toolkit.h"

namespace {

using namespace quilve;
using namespace quilve::ui;

constexpr double kRate = 250000.0;

// Half a second of 10-ms sweeps from 80 to 30 kHz every 14 ms over noise.
const std::vector<std::int16_t>& recording() {
  static const std::vector<std::int16_t> samples = [] {
    const int n = static_cast<int>(0.5 * kRate);
    std::vector<std::int16_t> s(static_cast<std::size_t>(n));
    std::uint32_t lcg = 12345;
    double phase = 0.0;
    for (int i = 0; i < n; ++i) {
      const double tau = std::fmod(i / kRate, 0.014);
      double v = 0.0;
      if (tau < 0.010) {
        phase += 2.0 * M_PI * (80000.0 - 50000.0 * tau / 0.010) / kRate;
        v = 3277.0 * std::sin(phase);
      }
      double noise = 0.0;
      for (int k = 0; k < 4; ++k) {
        lcg = lcg * 1664525u + 1013904223u;
        noise += static_cast<double>(lcg >> 8) / 16777216.0 - 0.5;
      }
      s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(v + noise * 57.0));
    }
    return s;
  }();
  return samples;
}

class NoOutput : public CallOutput {
 public:
  void writeCall(const ChirpRecord&, const CallParameters&, const CallParameters&,
                 const ScanJob&) override {}
};

class NoReporter : public Reporter {
 public:
  void warning(const std::string&) override {}
  void trace(const std::string&) override {}
};

// The displays attached to headless main and Trace windows.
struct DisplayRig {
  HeadlessToolkit tk;
  AppState app;
  NoReporter reporter;
  UiContext ui{tk, app, reporter};
  std::unique_ptr<Displays> displays;
  DisplayRig() {
    ui.windows.main = tk.createWindow(nullptr, WindowKind::Main);
    ui.windows.trace = tk.createWindow(nullptr, WindowKind::Tool);
    displays = std::make_unique<Displays>(ui);
    displays->attach();
  }
};

void runColumns(benchmark::State& state, TileSink& tiles, int firstSlot) {
  const std::vector<std::int16_t>& x = recording();
  ScanSettings settings;
  const int spc = samplesPerColumn(settings.DetailSelection, static_cast<float>(kRate));
  const DetectorSetup setup = makeDetectorSetup(settings, kRate, spc);
  auto store = std::make_unique<ChirpStore>();
  ScanJob job;
  ScanSession session;
  startRecordingCalls(job);
  job.chirpIndex = firstSlot;
  LinearFit linearFit;
  PolyFit polyFit;
  NoOutput output;
  CallFinishing finishing{settings, linearFit, polyFit, output, nullptr, &tiles};
  ChirpDetector detector(&tiles);
  detector.startRecording(setup);
  ColumnSpectrum spectrum;
  spectrum.prime(x.data());
  detector.prime(spectrum.levels());
  std::size_t pos = ColumnSpectrum::kWindow;
  double clock = 0.0;
  for (auto _ : state) {
    if (pos + spc > x.size()) pos = ColumnSpectrum::kWindow;
    spectrum.advance(x.data() + pos, spc);
    pos += static_cast<std::size_t>(spc);
    const int slot = job.chirpIndex;
    const DetectorStep step =
        detector.step(spectrum.levels(), spectrum.power(), clock, store->records[slot], slot);
    if (step.candidateFinished) {
      finishCandidate(*store, job, session, finishing);
      // Nine slots reused: from slot 0 all stay in the gallery and every
      // tile is drawn on screen; from slot 100 none is shown.
      if (job.chirpIndex > firstSlot + 8) job.chirpIndex = firstSlot;
    }
    clock += setup.columnTime;
    benchmark::DoNotOptimize(step);
  }
}

// The scan's column path with tiles in memory only (the batch tool).
void BM_ScanColumnMemoryTiles(benchmark::State& state) {
  MemoryTileStore tiles;
  runColumns(state, tiles, 0);
}
BENCHMARK(BM_ScanColumnMemoryTiles);

// The same path drawing the tiles of the gallery (the desktop program);
// the worst case: a call every 14 ms, every tile on screen.
void BM_ScanColumnDisplayTiles(benchmark::State& state) {
  DisplayRig rig;
  runColumns(state, *rig.displays, 0);
}
BENCHMARK(BM_ScanColumnDisplayTiles);

// The same with the calls in slots the gallery does not show.
void BM_ScanColumnDisplayHiddenTiles(benchmark::State& state) {
  DisplayRig rig;
  runColumns(state, *rig.displays, 100);
}
BENCHMARK(BM_ScanColumnDisplayHiddenTiles);

// One appendFrame on its own; the tile is cleared whenever it is full.
void appendFrames(benchmark::State& state, int slot) {
  DisplayRig rig;
  std::vector<float> levels(kFrameLevels);
  for (int k = 0; k < kFrameLevels; ++k) levels[static_cast<std::size_t>(k)] = 20.0f + (k % 50);
  for (auto _ : state) {
    if (rig.displays->columnCount(slot) >= kTileColumns) rig.displays->clearTile(slot);
    rig.displays->appendFrame(slot, levels.data());
  }
}

void BM_AppendFrameHiddenTile(benchmark::State& state) { appendFrames(state, 100); }
BENCHMARK(BM_AppendFrameHiddenTile);

void BM_AppendFrameGalleryTile(benchmark::State& state) { appendFrames(state, 5); }
BENCHMARK(BM_AppendFrameGalleryTile);

}  // namespace

BENCHMARK_MAIN();
