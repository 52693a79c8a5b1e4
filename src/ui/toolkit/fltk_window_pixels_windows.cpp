#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "ui/toolkit/fltk_window_pixels.h"

namespace quilve::ui {

// Reading a window's device context back gives black where the system
// composes the screen itself (Wine, a desktop with composition): the
// window is drawn whole into a bitmap of its size and that is read.
uchar* readWindowPixels(Fl_Window* win) {
  const int width = win->w();
  const int height = win->h();
  Fl::flush();
  win->make_current();
  Fl_Offscreen bitmap = fl_create_offscreen(width, height);
  if (!bitmap) return nullptr;
  uchar* rgb = nullptr;
  {
    fl_begin_offscreen(bitmap);
    // Everything, not just what has changed since the last paint; the
    // window is painted in full again at the next flush.
    win->damage(FL_DAMAGE_ALL);
    static_cast<Fl_Widget*>(win)->draw();
    rgb = fl_read_image(nullptr, 0, 0, width, height);
    fl_end_offscreen();
  }
  fl_delete_offscreen(bitmap);
  return rgb;
}

}  // namespace quilve::ui
