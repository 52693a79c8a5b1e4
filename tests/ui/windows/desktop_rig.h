#pragma once
// The desktop program over the headless toolkit, with a hive of its own and
// the scan worker driven pass by pass from the test.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/scan_worker.h"
#include "support/hive_location.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "ui/app/application.h"
#include "ui/app/control_ids.h"
#include "ui/toolkit/headless_toolkit.h"
#include "support/wav_writer.h"

namespace quilve::ui::test {

using quilve::test::TempDir;

inline std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A recording with one 70-35 kHz sweep at each of `callTimes` over faint noise.
inline void writeRecording(const std::string& path, double seconds,
                           const std::vector<double>& callTimes) {
  quilve::test::SignalGenerator gen(seconds);
  gen.addNoise(-60);
  for (double t : callTimes) {
    quilve::test::CallSpec c;
    c.startTime = t;
    c.duration = 0.006;
    c.startFrequency = 70000;
    c.endFrequency = 35000;
    gen.addCall(c);
  }
  quilve::test::writeFile(path, gen.render().wavFile());
}

struct DesktopRig {
  TempDir dir;
  quilve::test::HiveLocation hive{dir};
  HeadlessToolkit tk;
  std::unique_ptr<Application> app;

  DesktopRig() {
    app = std::make_unique<Application>(tk, hive.hive(), false);
    app->start();
  }
  ~DesktopRig() { app->shutDown(); }

  AppState& state() { return app->state(); }
  Window* main() { return app->ui().windows.main; }
  Window* results() { return app->ui().windows.scanResults; }
  Window* progress() { return app->ui().windows.progress; }
  std::string recordings() const { return (dir.path() / "rec").string() + "/"; }

  bool grayed(Window* w, int item) {
    bool checked = false, gray = false;
    tk.menuItemState(w, item, &checked, &gray);
    return gray;
  }
  bool checked(Window* w, int item) {
    bool check = false, gray = false;
    tk.menuItemState(w, item, &check, &gray);
    return check;
  }
  bool enabled(Window* w, int id) { return w->control(id) && w->control(id)->enabled; }
  std::string text(Window* w, int id) { return tk.text(w, id).value_or("<missing>"); }
  std::vector<std::string> names(Window* w, int id) {
    std::vector<std::string> out;
    for (const FileEntry& e : tk.listModel(w, id)->entries()) out.push_back(e.name);
    return out;
  }
  std::vector<std::string> warnings() {
    std::vector<std::string> out;
    for (const auto& s : tk.shown())
      if (!s.dialog && s.kind == MessageKind::Warning) out.push_back(s.text);
    return out;
  }

  // Chooses `name` in the recordings folder through File/Select Input...
  void selectInput(const std::string& name) {
    tk.answerFile(recordings() + name);
    tk.chooseMenu(main(), main_ids::kMenuSelectInput);
  }

  // Runs worker passes and the posted notices until the worker rests.
  void runScan() {
    ScanWorker& worker = app->worker();
    for (int i = 0; i < 5000000; ++i) {
      const bool idle = worker.pass();
      tk.dispatchPending();
      if (idle && worker.state() == ScanState::Idle && state().control.scanDone) return;
    }
    ADD_FAILURE() << "the scan did not come to rest";
  }
};

}  // namespace quilve::ui::test
