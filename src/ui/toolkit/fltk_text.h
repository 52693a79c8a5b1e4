#pragma once
// Private to the FLTK backend: how texts measure in the font FLTK draws
// them with, and the caption sizes chosen so that they fit their controls.
#include <FL/Fl_Widget.H>

#include <array>
#include <string>

#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

// Widget labels interpret "&" (underline) and "@" (symbols); our texts are
// shown as they are.
std::string literalLabel(const std::string& s);

// The room a control's caption or text has inside its widget, as FLTK
// draws it: labels inset 3 pixels on each side and wrap at spaces; check
// boxes put their box (as high as the text) and a gap before the text;
// buttons centre one line inside the frame; edit fields keep a margin
// inside their frame.
struct TextRoom {
  int w = 0, h = 0;
  bool wrap = false;
};

TextRoom textRoom(const Fl_Widget* widget, ControlKind kind, int fontSize);

// Width and height `text` takes at `fontSize` in a room `wrapWidth` wide
// (0: one line per line break).
void measureText(const std::string& text, int fontSize, int wrapWidth, int* w, int* h);

// Captions get the toolkit's size when they fit at it, else the largest
// smaller size down to kSmallestFontSize at which they fit.
constexpr int kSmallestFontSize = 9;

int fittingFontSize(const Fl_Widget* widget, ControlKind kind, const std::string& text);

// The font canvas texts are drawn in, as the drawing threads measure it:
// the advance widths of the printable ASCII characters and the line height,
// taken once on the user-interface thread, since FLTK may not be called
// from other threads. A text is as wide as the sum of its characters'
// advances, which is what FLTK measures for a whole string; any other
// character counts as the widest one.
struct CanvasFont {
  std::array<double, 128> advance{};
  double widest = 0;
  int lineHeight = 0;

  // Needs the display open; without one, 8 pixels a character and 15 a line.
  static CanvasFont measure();
  int width(const std::string& text) const;
};

}  // namespace quilve::ui
