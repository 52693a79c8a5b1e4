#include "ui/toolkit/fltk_display.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <cstdlib>

namespace quilve {

bool openFltkDisplay() {
  if (fl_display) return true;
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return false;
  ::Display* d = XOpenDisplay(name);
  if (!d) return false;
  // FLTK takes this connection and so never tries (and fails) on its own.
  fl_open_display(d);
  return true;
}

int fltkDisplayDepth() {
  fl_open_display();
  return fl_visual ? fl_visual->depth : 24;
}

}  // namespace quilve
