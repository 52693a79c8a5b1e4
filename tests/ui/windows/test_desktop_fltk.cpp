// The desktop program on a real display (run under xvfb-run): it starts
// with its main window, scans the bundled samples with the chirp tiles on
// screen, and a close request ends it with its hive saved.
// Screenshots of the windows go to the build directory for a person to
// look at.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "desktop_rig.h"
#include "settings/registry.h"
#include "settings/registry_store.h"
#include "support/hive_location.h"
#include "ui/display/displays.h"
#include "ui/toolkit/fltk_toolkit.h"
#include "ui/windows/desktop.h"
#include "ui/windows/main_window.h"
#include "ui/windows/progress_window.h"

namespace quilve::ui::test {
namespace {

using Clock = std::chrono::steady_clock;

std::string screenshotPath(const std::string& name) {
  const char* dir = std::getenv("QUILVE_BINARY_DIR");
  return std::string(dir ? dir : QUILVE_BINARY_DIR) + "/screenshot-" + name + ".bmp";
}

// Runs the loop's pending work until `done` holds or `limit` has passed.
template <typename Pred>
bool pumpUntil(Toolkit& tk, Pred done, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    tk.dispatchPending();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST(FltkSmoke, ProgramStartsAndACloseRequestEndsItSavingTheHive) {
  if (!FltkToolkit::openDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run -a)";
  TempDir dir;
  const quilve::test::HiveLocation location(dir);
  const std::string& hiveFile = location.hive();
  {
    FltkToolkit tk;
    Application app(tk, hiveFile);
    app.start();
    Window* main = app.ui().windows.main;
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->visible);
    EXPECT_EQ(main->title, "  QUILVE");
    tk.deliver(main, event::kMenu, {main_ids::kMenuExpansion10, 0, 0, 0});
    app.state().history.InputDirectory = dir.path().string() + "/";

    // The close request comes from the running loop. Should it not end
    // the loop, the watchdog does, so that the test fails instead of
    // hanging.
    tk.post([&] { tk.deliver(main, event::kClose); });
    std::mutex m;
    std::condition_variable cv;
    bool ended = false, hung = false;
    std::thread watchdog([&] {
      std::unique_lock<std::mutex> lock(m);
      if (!cv.wait_for(lock, std::chrono::seconds(60), [&] { return ended; })) {
        hung = true;
        tk.quit();
      }
    });
    EXPECT_EQ(app.run(), 0);
    {
      std::lock_guard<std::mutex> lock(m);
      ended = true;
    }
    cv.notify_one();
    watchdog.join();
    EXPECT_FALSE(hung) << "the close request did not end the program";
  }
  RegistryHive hive(hiveFile);
  ASSERT_TRUE(hive.load(nullptr));
  ScanSettings settings;
  DirectoryHistory history;
  loadSettings(hive, kSettingsKeyPath, settings);
  loadHistory(hive, kHistoryKeyPath, history);
  EXPECT_EQ(settings.DefaultExpansionFactor, 10);
  EXPECT_EQ(history.InputDirectory, dir.path().string() + "/");
}

// Warnings posted while a box is open (as the worker and the timer post
// theirs) are shown after it, each in a box of its own, and a question asked
// meanwhile gets the answer given in its box.
TEST(FltkSmoke, BoxesAskedForWhileOneIsOpenAreAllShown) {
  if (!FltkToolkit::openDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run -a)";
  TempDir dir;
  FltkToolkit tk;
  Application app(tk, dir.file("registry.reg"));
  app.start();
  Window* main = app.ui().windows.main;
  std::vector<std::string> shown;
  tk.answerBoxesWith([&](const std::string&, const std::string& text) {
    shown.push_back(text);
    return true;
  });
  bool answer = false;
  tk.post([&] { tk.warning(main, "second"); });
  tk.post([&] { answer = tk.question(main, "fourth?"); });
  tk.post([&] { tk.warning(main, "third"); });
  tk.warning(main, "first");
  EXPECT_EQ(shown, (std::vector<std::string>{"first", "second", "fourth?", "third"}));
  EXPECT_TRUE(answer);
  EXPECT_EQ(tk.boxesQueued(), 0u);
  app.shutDown();
}

// Two close requests to the About window end its loop and nothing more.
TEST(FltkSmoke, ADoubleCloseOfAboutLeavesTheProgramRunning) {
  if (!FltkToolkit::openDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run -a)";
  TempDir dir;
  FltkToolkit tk;
  Application app(tk, dir.file("registry.reg"));
  app.start();
  Window* about = app.ui().windows.about;
  tk.post([&] {
    tk.deliver(about, event::kClose);
    tk.deliver(about, event::kClose);
  });
  app.desktop().showAbout();
  EXPECT_FALSE(about->visible);
  tk.deliver(about, event::kClose);  // a late one, after the loop ended

  bool later = false;
  std::thread user([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    tk.post([&] { later = true; });
    tk.post([&] { tk.deliver(app.ui().windows.main, event::kClose); });
  });
  EXPECT_EQ(app.run(), 0);
  user.join();
  EXPECT_TRUE(later);
}

// Distinct colours in a rectangle of a 24-bit bottom-up BMP.
std::size_t coloursIn(const std::string& bmp, int x0, int y0, int w, int h) {
  if (bmp.size() < 54) return 0;
  auto u32 = [&bmp](std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bmp[at + i]);
    return v;
  };
  const int width = static_cast<int>(u32(18));
  const int height = static_cast<int>(u32(22));
  const int row = Image::rowBytes(width, 24);
  std::set<std::uint32_t> colours;
  for (int y = y0; y < y0 + h && y < height; ++y)
    for (int x = x0; x < x0 + w && x < width; ++x) {
      const std::size_t at = 54 + static_cast<std::size_t>(height - 1 - y) * row + 3 * x;
      if (at + 3 > bmp.size()) continue;
      colours.insert(static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at])) |
                     static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at + 1])) << 8 |
                     static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at + 2])) << 16);
    }
  return colours.size();
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

// A scan of the samples and of a 10 s recording (the Trace window's longest
// time axis), a call selected in the enlarged tile, and then every window
// shown, captured and measured: every caption, field and panel line fits.
TEST(FltkSmoke, ScanOfTheSamplesShowsChirpTilesAndEveryTextFits) {
  if (!FltkToolkit::openDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run -a)";
  TempDir dir;
  const std::string input = (dir.path() / "in").string() + "/";
  std::filesystem::create_directories(input);
  for (const auto& e : std::filesystem::directory_iterator(std::string(QUILVE_SOURCE_DIR) + "/samples"))
    std::filesystem::copy_file(e.path(), input + e.path().filename().string());
  writeRecording(input + "zz_long.wav", 10.0, {1.0, 4.0, 9.5});

  FltkToolkit tk;
  Application app(tk, dir.file("registry.reg"));
  app.start();
  AppState& state = app.state();
  {
    std::lock_guard<std::mutex> lock(state.lists.mutex);
    state.lists.inputDirectory = input;
    state.lists.input.fillFromDirectory(input, "*.w*");
  }
  app.desktop().showLists();
  app.desktop().main().setActionItems(true, false);
  app.desktop().main().scanAll();
  bool began = false;
  ASSERT_TRUE(pumpUntil(
      tk,
      [&] {
        began = began || app.desktop().scanning();
        return began && !app.desktop().scanning();
      },
      std::chrono::seconds(120)));

  // The last recording's calls reach the displays through the loop.
  Displays& displays = *app.ui().displays;
  const bool selected = pumpUntil(
      tk,
      [&] {
        for (int slot = 0; slot < 16; ++slot)
          if (displays.selectChirp(slot)) return true;
        return false;
      },
      std::chrono::seconds(60));
  EXPECT_TRUE(selected) << "no call of the last recording to select";

  // Scan All showed the Scan Results window over part of the main window.
  // Once it is gone the first gallery cell (below the menu bar) shows a
  // sonogram, not a flat background, as soon as the main window is drawn
  // again.
  tk.hide(app.ui().windows.scanResults);
  Window* main = app.ui().windows.main;
  std::size_t colours = 0;
  pumpUntil(
      tk,
      [&] {
        if (!tk.screenshot(main, screenshotPath("main"))) return false;
        colours = coloursIn(slurp(screenshotPath("main")), 256, 40, 128, 128);
        return colours > 8;
      },
      std::chrono::seconds(60));
  EXPECT_GT(colours, 8u) << "the first gallery cell shows no sonogram";
  EXPECT_EQ(joined(tk.textsNotFitting(main)), "");

  const AppWindows& w = app.ui().windows;
  const std::pair<Window*, const char*> tools[] = {
      {w.scanSetup, "scan-setup"},   {w.outputFormat, "output-format"},
      {w.timer, "operation-timer"},  {w.scanResults, "scan-results"},
      {w.progress, "progress"},      {w.about, "about"},
      {w.trace, "trace"}};
  // The Progress label with the longest name of the samples.
  app.desktop().progress().beginFile("te10wv_D20140930T040506m000.wv");
  for (const auto& [window, name] : tools) {
    tk.show(window);
    pumpUntil(tk, [] { return false; }, std::chrono::milliseconds(500));
    EXPECT_TRUE(tk.screenshot(window, screenshotPath(name))) << name;
    EXPECT_EQ(joined(tk.textsNotFitting(window)), "") << name;
    tk.hide(window);
  }
  app.shutDown();
}

}  // namespace
}  // namespace quilve::ui::test
