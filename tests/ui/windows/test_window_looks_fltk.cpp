// What the windows and message boxes look like on a real display (run under
// xvfb-run): every window of the program shows the button-face colour
// behind its controls, and a box shows its icon centred over its window.
// The pictures go to QUILVE_SHOT_DIR (else the build directory).
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/fl_ask.H>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "desktop_rig.h"
#include "ui/toolkit/fltk_toolkit.h"

namespace quilve::ui::test {
namespace {

using Clock = std::chrono::steady_clock;

std::string shotPath(const std::string& name) {
  const char* dir = std::getenv("QUILVE_SHOT_DIR");
  if (!dir) dir = std::getenv("QUILVE_BINARY_DIR");
  return std::string(dir ? dir : QUILVE_BINARY_DIR) + "/look-" + name + ".bmp";
}

// The loop runs until `done` holds; the bound only catches a hang.
template <typename Pred>
bool pumpUntil(Toolkit& tk, Pred done) {
  const auto end = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < end) {
    tk.dispatchPending();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

// A pixel of a 24-bit BMP as FltkToolkit::screenshot writes it.
struct Bmp {
  std::string data;
  int width = 0, height = 0;
  explicit Bmp(const std::string& path) : data(slurp(path)) {
    if (data.size() < 54) return;
    width = static_cast<int>(u32(18));
    height = static_cast<int>(u32(22));
  }
  std::uint32_t u32(std::size_t at) const {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[at + i]);
    return v;
  }
  Rgb at(int x, int y) const {
    const std::size_t i =
        54 + static_cast<std::size_t>(height - 1 - y) * Image::rowBytes(width, 24) + 3 * x;
    if (x < 0 || y < 0 || x >= width || y >= height || i + 3 > data.size()) return Rgb{1, 2, 3};
    return Rgb{static_cast<std::uint8_t>(data[i + 2]), static_cast<std::uint8_t>(data[i + 1]),
               static_cast<std::uint8_t>(data[i])};
  }
  int count(int x0, int y0, int w, int h, Rgb c) const {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) n += at(x, y) == c;
    return n;
  }
};

TEST(FltkSmoke, EveryWindowShowsTheButtonFaceBehindItsControls) {
  if (!FltkToolkit::openDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run -a)";
  TempDir dir;
  FltkToolkit tk;
  Application app(tk, dir.file("registry.reg"), false);
  app.start();
  EXPECT_GT(tk.displayBitsPerPixel(), 8);  // images are drawn here
  const Rgb face = tk.faceColour();
  ASSERT_NE(face, tk.systemWindowColour());
  const AppWindows& w = app.ui().windows;
  const std::pair<Window*, const char*> windows[] = {
      {w.main, "main"},         {w.scanSetup, "scan-setup"},    {w.outputFormat, "output-format"},
      {w.timer, "operation-timer"}, {w.scanResults, "scan-results"}, {w.progress, "progress"},
      {w.about, "about"},       {w.trace, "trace"}};
  for (const auto& [window, name] : windows) {
    ASSERT_NE(window, nullptr) << name;
    tk.show(window);
    // Until the window has been painted: a fresh X window reads black.
    ASSERT_TRUE(pumpUntil(tk, [&] {
      return tk.screenshot(window, shotPath(name)) &&
             Bmp(shotPath(name)).at(3, Bmp(shotPath(name)).height - 3) != Rgb{0, 0, 0};
    })) << name;
    const Bmp shot(shotPath(name));
    // The client area's lower corners are background in every window.
    const int bottom = shot.height - 3;
    EXPECT_EQ(shot.at(3, bottom), face) << name;
    EXPECT_EQ(shot.at(shot.width - 4, bottom), face) << name;
    if (window != w.main) tk.hide(window);
  }
  // The white of the main window's background bitmap, below the menu bar.
  const Bmp main(shotPath("main"));
  EXPECT_EQ(main.at(250, 40), face);
  EXPECT_EQ(main.count(0, 30, main.width, main.height - 30, Rgb{255, 255, 255}) <
                main.count(0, 30, main.width, main.height - 30, face),
            true);
  app.shutDown();
}

TEST(FltkSmoke, AWarningShowsItsIconCentredOverItsWindow) {
  if (!FltkToolkit::openDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run -a)";
  FltkToolkit tk;
  Window* w = tk.createWindow({}, WindowKind::Tool);
  tk.setTitle(w, "  Scan Results");
  tk.setPosition(w, 300, 150);
  tk.setClientSize(w, 288, 644);
  tk.show(w);
  ASSERT_TRUE(pumpUntil(tk, [&] {
    return tk.screenshot(w, shotPath("owner")) && Bmp(shotPath("owner")).at(3, 3) != Rgb{0, 0, 0};
  }));
  std::array<int, 4> frame{};
  bool pictured = false;
  std::string picture = "warning-box";
  tk.answerBoxesWith([&](const std::string&, const std::string&) {
    frame = tk.boxFrame();
    // Until the box has been painted: its OK button's frame is drawn.
    const auto end = Clock::now() + std::chrono::seconds(30);
    do {
      Fl::check();
      pictured = tk.screenshotBox(shotPath(picture)) &&
                 Bmp(shotPath(picture)).count(0, frame[3] - 45, frame[2], 45, tk.faceColour()) <
                     frame[2] * 45;
    } while (!pictured && Clock::now() < end);
    return true;
  });
  tk.warning(w, "Warning: No Input Selected");
  ASSERT_TRUE(pictured);
  // Centred over the window (the frame's decorations allowed for).
  const int cx = frame[0] + frame[2] / 2, cy = frame[1] + frame[3] / 2;
  EXPECT_NEAR(cx, 300 + 288 / 2, 12) << frame[0] << "," << frame[1];
  EXPECT_NEAR(cy, 150 + 644 / 2, 24) << frame[0] << "," << frame[1];
  // The exclamation icon: a yellow square with a black mark.
  const Bmp box(shotPath("warning-box"));
  EXPECT_GT(box.count(16, 16, 48, 48, Rgb{255, 255, 0}), 1000);
  EXPECT_GT(box.count(16, 16, 48, 48, Rgb{0, 0, 0}), 20);

  // Without a window of its own a box is centred on the screen.
  picture = "screen-box";
  tk.warning(nullptr, "nobody's");
  EXPECT_NEAR(frame[0] + frame[2] / 2, Fl::w() / 2, 2);
  picture = "information-box";
  tk.information(w, "note");
  const Bmp note(shotPath(picture));
  EXPECT_EQ(note.count(16, 16, 48, 48, Rgb{255, 255, 0}), 0);  // the information icon is white
  EXPECT_EQ(fltkBeep(BoxBeep::Warning), FL_BEEP_ERROR);
  EXPECT_EQ(fltkBeep(BoxBeep::Question), FL_BEEP_QUESTION);
  EXPECT_EQ(fltkBeep(BoxBeep::Information), FL_BEEP_MESSAGE);
}

}  // namespace
}  // namespace quilve::ui::test
