// Opening FLTK's connection to the window system, or telling that none can
// be opened (no X display), without FLTK's own fatal error.
#pragma once

namespace quilve {

// True once FLTK has its display; false where no window system is reachable.
bool openFltkDisplay();

// Bits per pixel of the display (opened first where needed).
int fltkDisplayDepth();

}  // namespace quilve
