#pragma once
// The pixels of a shown window as the toolkit draws it, for screenshots.
#include <FL/Fl_Window.H>

namespace quilve::ui {

// w() * h() RGB triples, top row first (fl_read_image's layout, freed with
// delete[]); null when they cannot be read.
uchar* readWindowPixels(Fl_Window* win);

}  // namespace quilve::ui
