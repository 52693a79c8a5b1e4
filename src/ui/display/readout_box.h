#pragma once
// Cursor read-outs: a box on a window canvas showing the values under the
// mouse as "X(unit): %#8.2f" lines (two axes X, Y or three X, Y, Z), and
// optionally their differences to a reference point as "dX(unit): ...".
// The box is restored from the window's background picture before text is
// drawn; text is black.
#include <array>
#include <string>

#include "ui/display/pixel_image.h"

namespace quilve::ui {

// "X(mSec):    12.50" for axis "X", unit "mSec" and 12.5.
std::string readoutText(const char* axis, const std::string& unit, double value);

struct ReadoutLayout {
  Rect box;
  int axes = 2;                  // 2 or 3
  std::array<int, 3> valueX{};   // text anchors of X, Y, Z
  std::array<int, 3> valueY{};
  std::array<int, 3> deltaX{};   // text anchors of dX, dY, dZ
  std::array<int, 3> deltaY{};
};

// The main window's three-axis box (512 x 48 at (256, 552)) and the Trace
// window's two-axis box (768 x 48 at (32, 228)).
ReadoutLayout mainReadoutLayout();
ReadoutLayout traceReadoutLayout();

class ReadoutBox {
 public:
  void setLayout(const ReadoutLayout& layout) { layout_ = layout; }
  const ReadoutLayout& layout() const { return layout_; }
  void setUnits(const std::string& x, const std::string& y, const std::string& z = {});
  const std::string& unit(int axis) const { return units_[static_cast<std::size_t>(axis)]; }

  // Restores the box from `background` (the face colour where it has no
  // pixels) and removes its texts.
  void clear(Canvas& canvas, const PixelImage& background, Rgb face) const;
  // Clears the box and shows the values (the first `axes` of them).
  void show(Canvas& canvas, const PixelImage& background, Rgb face,
            const std::array<double, 3>& values) const;
  // The same with a delta line of the differences.
  void showWithDeltas(Canvas& canvas, const PixelImage& background, Rgb face,
                      const std::array<double, 3>& values,
                      const std::array<double, 3>& deltas) const;

 private:
  ReadoutLayout layout_;
  std::array<std::string, 3> units_;
};

}  // namespace quilve::ui
