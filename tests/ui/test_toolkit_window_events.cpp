// What the user does to a window's frame and the mouse at rest, as the
// toolkit tells a window's handler, and image drawing refused on displays
// of 8 or fewer bits per pixel.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/toolkit/headless_toolkit.h"

namespace quilve::ui {
namespace {

struct WindowEvents : ::testing::Test {
  HeadlessToolkit tk;
  std::vector<std::pair<int, EventValues>> seen;
  Window* make(WindowKind kind, EventHandler extra = {}) {
    Window* w = tk.createWindow(
        [this, extra](Window& win, int ev, EventValues& v) {
          if (extra) extra(win, ev, v);
          seen.emplace_back(ev, v);
          return 0;
        },
        kind);
    tk.show(w);
    return w;
  }
};

TEST_F(WindowEvents, AMoveIsProposedToTheHandlerWhichMayHoldTheWindowElsewhere) {
  // The handler keeps the window's left edge on the screen.
  Window* w = make(WindowKind::Main, [](Window&, int ev, EventValues& v) {
    if (ev == event::kMoving && v[0] < 0) v[0] = 0;
    return 0;
  });
  EXPECT_TRUE(tk.moveWindow(w, 300, 40));
  EXPECT_EQ(w->x, 300);
  EXPECT_EQ(w->y, 40);
  EXPECT_FALSE(tk.moveWindow(w, -50, 20));
  EXPECT_EQ(w->x, 0);
  EXPECT_EQ(w->y, 20);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[2].first, event::kMoving);
  EXPECT_EQ(seen[2].second, (EventValues{0, 20, 0, 0}));  // as the handler left them
  EXPECT_EQ(seen[3].first, event::kMoveEnd);
  EXPECT_EQ(seen[3].second, (EventValues{0, 20, 0, 0}));
  tk.hide(w);
  EXPECT_FALSE(tk.moveWindow(w, 10, 10));  // a hidden window is not moved by hand
}

TEST_F(WindowEvents, OnlyAFrameWithAMinimizeBoxIsMinimizedAndRestored) {
  Window* main = make(WindowKind::Main);
  tk.setClientSize(main, 832, 624);
  EXPECT_FALSE(tk.restore(main));  // not minimized
  EXPECT_TRUE(tk.minimize(main));
  EXPECT_TRUE(main->minimized);
  EXPECT_FALSE(tk.minimize(main));  // once
  EXPECT_TRUE(tk.restore(main));
  EXPECT_FALSE(main->minimized);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, event::kMinimized);
  EXPECT_EQ(seen[0].second, (EventValues{832, 624, 0, 0}));
  EXPECT_EQ(seen[1].first, event::kRestored);
  EXPECT_EQ(seen[1].second, (EventValues{832, 624, 0, 0}));

  Window* tool = make(WindowKind::Tool);
  EXPECT_FALSE(tk.minimize(tool));
  // A backend reporting the same state twice tells the handler once.
  tk.userMinimized(main, true);
  tk.userMinimized(main, true);
  EXPECT_EQ(seen.size(), 3u);
}

TEST_F(WindowEvents, TheMouseAtRestIsToldWithTheKeysHeldOnlyOverTheClientArea) {
  Window* w = make(WindowKind::Tool);
  EXPECT_TRUE(tk.hover(w, 12, 34, kShiftBit));
  EXPECT_FALSE(tk.hover(w, 320, 10));  // past the 320-wide client area
  EXPECT_FALSE(tk.hover(w, -1, 10));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, event::kMouseHover);
  EXPECT_EQ(seen[0].second, (EventValues{12, 34, kShiftBit, 0}));
}

TEST_F(WindowEvents, ImagesAreRefusedOnDisplaysOfEightBitsOrFewer) {
  Window* w = make(WindowKind::Tool);
  const std::uint8_t pixels[4] = {0, 0, 255, 0};  // one red pixel, 24 bits
  const Image img{1, 1, 24, pixels, nullptr, 0};
  const Rgb before = w->canvas.pixel(0, 0);
  for (const int bits : {1, 4, 8}) {
    tk.setDisplayBitsPerPixel(bits);
    EXPECT_FALSE(tk.drawImage(w, img, 0, 0, 1, 1, 0, 0, 1, 1)) << bits;
    EXPECT_EQ(w->canvas.pixel(0, 0), before) << bits;
  }
  tk.setDisplayBitsPerPixel(16);
  EXPECT_TRUE(tk.drawImage(w, img, 0, 0, 1, 1, 0, 0, 1, 1));
  EXPECT_EQ(w->canvas.pixel(0, 0), (Rgb{255, 0, 0}));
}

}  // namespace
}  // namespace quilve::ui
