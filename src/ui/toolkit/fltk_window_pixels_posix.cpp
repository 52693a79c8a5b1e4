#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "ui/toolkit/fltk_window_pixels.h"

namespace quilve::ui {

// What the X server shows in the window, once the pending drawing is done.
uchar* readWindowPixels(Fl_Window* win) {
  Fl::flush();
  win->make_current();
  return fl_read_image(nullptr, 0, 0, win->w(), win->h());
}

}  // namespace quilve::ui
