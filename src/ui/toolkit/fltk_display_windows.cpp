#include "ui/toolkit/fltk_display.h"

#include <FL/Fl.H>
#include <FL/x.H>

namespace quilve {

// Windows always has its desktop: FLTK opens it without fail.
bool openFltkDisplay() {
  fl_open_display();
  return true;
}

}  // namespace quilve
