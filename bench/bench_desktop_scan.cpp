// End-to-end cost of the desktop program's displays: the same recordings
// scanned by the desktop program's worker (headless toolkit, so the tiles
// are drawn into the window canvases but no screen copy is made) and by the
// batch scanner on one thread. Prints the wall time of each run and the
// desktop's overhead over the batch scanner, in wall time and in the
// processor time of the process (steadier on a shared machine; both
// scanners run on the calling thread alone).
//
//   bench_desktop_scan DIRECTORY [RUNS [batch|desktop]]
//
// DIRECTORY holds the recordings (e.g. made with
// tools/quilve_samples --long FILE SECONDS); RUNS (default 3) alternate the
// two scanners so that both see the same conditions; naming one scanner
// runs only that one (for profiling).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/batch_scan.h"
#include "engine/scan_worker.h"
#include "settings/scan_settings.h"
#include "ui/app/application.h"
#include "ui/app/control_ids.h"
#include "ui/toolkit/headless_toolkit.h"

namespace {

using namespace quilve;
using Clock = std::chrono::steady_clock;

struct Times {
  double wall = 0.0;
  double cpu = 0.0;
};

// Wall and processor time since construction.
struct Stopwatch {
  Clock::time_point wall = Clock::now();
  std::clock_t cpu = std::clock();
  Times elapsed() const {
    return Times{std::chrono::duration<double>(Clock::now() - wall).count(),
                 static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC};
  }
};

// Scan All over the directory of `first`, worker driven pass by pass with
// the posted calls run in between (as the user-interface thread would).
Times desktopScan(const std::string& first, const std::filesystem::path& work) {
  ui::HeadlessToolkit tk;
  auto app = std::make_unique<ui::Application>(tk, (work / "hive.reg").string(), false);
  app->start();
  ui::Window* main = app->ui().windows.main;
  tk.answerFile(first);
  tk.chooseMenu(main, ui::main_ids::kMenuSelectInput);
  tk.answerFile((work / "desktop.txt").string());
  tk.chooseMenu(main, ui::main_ids::kMenuSelectOutput);
  tk.dispatchPending();
  const Stopwatch watch;
  tk.chooseMenu(main, ui::main_ids::kMenuScanAll);
  ScanWorker& worker = app->worker();
  for (;;) {
    const bool idle = worker.pass();
    tk.dispatchPending();
    if (idle && worker.state() == ScanState::Idle && app->state().control.scanDone) break;
  }
  const Times t = watch.elapsed();
  app->shutDown();
  std::filesystem::remove(work / "hive.reg");
  return t;
}

Times batchScan(const std::vector<std::string>& paths, const std::filesystem::path& work) {
  ScanSettings settings;
  BatchOptions options;
  options.jobs = 1;
  options.resultsPath = (work / "batch.txt").string();
  ScanLists lists;
  ScanSession session;
  const Stopwatch watch;
  runBatchScan(paths, settings, options, lists, session);
  return watch.elapsed();
}

double least(const std::vector<Times>& v, double Times::*field) {
  double m = v.front().*field;
  for (const Times& t : v) m = std::min(m, t.*field);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_desktop_scan DIRECTORY [RUNS]\n");
    return 2;
  }
  const std::vector<std::string> paths = recordingsInDirectory(argv[1]);
  if (paths.empty()) {
    std::fprintf(stderr, "no recordings in %s\n", argv[1]);
    return 1;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const std::string only = argc > 3 ? argv[3] : "";
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() / ("bench_desktop_scan_" + std::to_string(::getpid()));
  std::filesystem::create_directories(work);
  std::vector<Times> desktop, batch;
  for (int r = 0; r < runs; ++r) {
    batch.push_back(only == "desktop" ? Times{} : batchScan(paths, work));
    desktop.push_back(only == "batch" ? Times{} : desktopScan(paths.front(), work));
    std::printf("run %d: batch %.3f s (cpu %.3f s), desktop %.3f s (cpu %.3f s)\n", r + 1,
                batch.back().wall, batch.back().cpu, desktop.back().wall, desktop.back().cpu);
  }
  if (only.empty()) {
    const double bw = least(batch, &Times::wall), dw = least(desktop, &Times::wall);
    const double bc = least(batch, &Times::cpu), dc = least(desktop, &Times::cpu);
    std::printf("%zu recordings, best of %d: batch (--jobs 1) %.3f s (cpu %.3f s), desktop with "
                "displays %.3f s (cpu %.3f s), overhead %+.1f %% wall, %+.1f %% cpu\n",
                paths.size(), runs, bw, bc, dw, dc, 100.0 * (dw - bw) / bw, 100.0 * (dc - bc) / bc);
  }
  std::filesystem::remove_all(work);
  return 0;
}
