#pragma once
// The pixels of a straight line between two points, ends included
// (Bresenham over both octant families), for every place that draws lines.

#include <cstdlib>

namespace quilve {

template <class Plot>
void forEachLinePoint(int x0, int y0, int x1, int y1, Plot plot) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    plot(x0, y0);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

}  // namespace quilve
