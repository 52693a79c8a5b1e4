// Text measurement in FLTK's font: the caption sizes that fit, the canvas
// texts' size, and the check of a window's texts the tests run.
#include "ui/toolkit/fltk_text.h"

#include <FL/Fl.H>
#include <FL/Fl_Input_.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cmath>

#include "ui/toolkit/fltk_native.h"

namespace quilve::ui {

std::string literalLabel(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&' || c == '@') out += c;
    out += c;
  }
  return out;
}

TextRoom textRoom(const Fl_Widget* widget, ControlKind kind, int fontSize) {
  const Fl_Boxtype box = widget->box();
  TextRoom room{widget->w() - Fl::box_dw(box), widget->h() - Fl::box_dh(box), false};
  switch (kind) {
    case ControlKind::Label:
      room.wrap = true;
      break;
    case ControlKind::CheckBox:
      room.w = widget->w() - (Fl::box_dx(box) + 2 + fontSize + 2) - Fl::box_dx(box);
      break;
    case ControlKind::Button:
    case ControlKind::Edit:
    case ControlKind::MultiEdit:
      room.w -= 4;
      break;
    default:
      break;
  }
  return room;
}

void measureText(const std::string& text, int fontSize, int wrapWidth, int* w, int* h) {
  fl_font(kTextFont, fontSize);
  *w = wrapWidth;
  *h = 0;
  fl_measure(text.c_str(), *w, *h, 0);
}

namespace {

bool textFits(const std::string& text, int fontSize, const TextRoom& room) {
  if (text.empty()) return true;
  int w = 0, h = 0;
  measureText(text, fontSize, room.wrap ? std::max(1, room.w) : 0, &w, &h);
  return w <= room.w && h <= room.h;
}

}  // namespace

int fittingFontSize(const Fl_Widget* widget, ControlKind kind, const std::string& text) {
  for (int size = kFontSize; size > kSmallestFontSize; --size)
    if (textFits(text, size, textRoom(widget, kind, size))) return size;
  return kSmallestFontSize;
}

CanvasFont CanvasFont::measure() {
  CanvasFont font;
  if (!fl_display) {
    font.advance.fill(8.0);
    font.widest = 8.0;
    font.lineHeight = 15;
    return font;
  }
  fl_font(kTextFont, kFontSize);
  for (int c = ' '; c < 127; ++c) {
    font.advance[static_cast<std::size_t>(c)] = fl_width(static_cast<unsigned int>(c));
    font.widest = std::max(font.widest, font.advance[static_cast<std::size_t>(c)]);
  }
  font.lineHeight = fl_height();
  return font;
}

int CanvasFont::width(const std::string& text) const {
  double sum = 0;
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= ' ' && u < 127)
      sum += advance[u];
    else if ((u & 0xC0) != 0x80)  // a control character or a UTF-8 sequence's lead
      sum += widest;
  }
  return static_cast<int>(std::ceil(sum));
}

int FltkToolkit::textWidth(const std::string& text) const { return impl_->canvasFont.width(text); }

int FltkToolkit::lineHeight() const { return impl_->canvasFont.lineHeight; }

std::vector<std::string> FltkToolkit::textsNotFitting(Window* w) {
  std::vector<std::string> out;
  NativeWindow* nat = owns(w) ? impl_->native(*w) : nullptr;
  if (!nat) return out;
  const std::string where = "'" + w->title + "': ";
  auto describe = [&](const std::string& text, int size, int needW, int needH, int haveW, int haveH) {
    out.push_back(where + "\"" + text + "\" at " + std::to_string(size) + " px needs " +
                  std::to_string(needW) + " x " + std::to_string(needH) + ", has " +
                  std::to_string(haveW) + " x " + std::to_string(haveH));
  };
  for (Control& c : w->controls) {
    auto it = nat->widgets.find(c.id);
    if (!c.visible || it == nat->widgets.end()) continue;
    Fl_Widget* widget = it->second;
    syncFromNative(*w, c);
    if (c.x < 0 || c.y < 0 || c.x + c.w > w->width || c.y + c.h > w->height)
      out.push_back(where + "control " + std::to_string(c.id) + " \"" + c.text +
                    "\" reaches past the window");
    int size = 0;
    switch (c.kind) {
      case ControlKind::Label:
      case ControlKind::Button:
      case ControlKind::CheckBox:
        size = widget->labelsize();
        break;
      case ControlKind::Edit:
        size = static_cast<Fl_Input_*>(widget)->textsize();
        break;
      default:
        continue;
    }
    if (c.text.empty()) continue;
    const TextRoom room = textRoom(widget, c.kind, size);
    int needW = 0, needH = 0;
    measureText(c.text, size, room.wrap ? std::max(1, room.w) : 0, &needW, &needH);
    if (needW > room.w || needH > room.h || size < kSmallestFontSize)
      describe(c.text, size, needW, needH, room.w, room.h);
  }
  // Canvas texts, drawn as the window's draw() does.
  std::lock_guard<std::mutex> lock(*(drawingMutex() ? drawingMutex() : &impl_->postMutex));
  const std::vector<Canvas::Text>& texts = w->canvas.texts();
  fl_font(kTextFont, kFontSize);
  struct Box {
    int x0, y0, x1, y1;
  };
  std::vector<Box> boxes;
  for (const Canvas::Text& t : texts) {
    const int width = static_cast<int>(std::ceil(fl_width(t.text.c_str())));
    boxes.push_back(Box{t.x, t.y, t.x + width, t.y + fl_height()});
    const Box& b = boxes.back();
    // Pure red is the colour of the frames and rings drawn on the canvas.
    if (t.colour != Rgb{255, 0, 0}) {
      bool crosses = false;
      for (int y = b.y0 + 2; y < b.y1 - 2 && !crosses; ++y)
        for (int x = b.x0; x < b.x1 && !crosses; ++x)
          crosses = w->canvas.pixel(x, y) == Rgb{255, 0, 0} && x < w->canvas.width() &&
                    y < w->canvas.height() && x >= 0 && y >= 0;
      if (crosses) out.push_back(where + "\"" + t.text + "\" crosses a red frame");
    }
    if (b.x0 < 0 || b.y0 < 0 || b.x1 > w->canvas.width() || b.y1 > w->canvas.height())
      describe(t.text, kFontSize, width, fl_height(), w->canvas.width() - t.x,
               w->canvas.height() - t.y);
  }
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = i + 1; j < boxes.size(); ++j) {
      const Box& a = boxes[i];
      const Box& b = boxes[j];
      // Lines of text may share their leading; texts side by side keep
      // at least a space between them.
      const int gap = static_cast<int>(fl_width(' '));
      if (a.x0 < b.x1 + gap && b.x0 < a.x1 + gap && a.y0 < b.y1 - 2 && b.y0 < a.y1 - 2)
        out.push_back(where + "\"" + texts[i].text + "\" overlaps \"" + texts[j].text + "\"");
    }
  return out;
}

}  // namespace quilve::ui
