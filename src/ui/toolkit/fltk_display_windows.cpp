#include "ui/toolkit/fltk_display.h"

#include <windows.h>

namespace quilve {

// Windows always has its desktop, which FLTK opens with its first window.
bool openFltkDisplay() { return true; }

int fltkDisplayDepth() {
  HDC screen = GetDC(nullptr);
  if (!screen) return 24;
  const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  return bits > 0 ? bits : 24;
}

}  // namespace quilve
