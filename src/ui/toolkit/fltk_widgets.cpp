#include "ui/toolkit/fltk_widgets.h"

#include <FL/fl_draw.H>

#include <algorithm>

namespace quilve::ui {

int DragBrowser::handle(int e) {
  if (!ref) return Keyed<Fl_Hold_Browser>::handle(e);
  switch (e) {
    case FL_PUSH: {
      Keyed<Fl_Hold_Browser>::handle(e);
      pressed_ = -1;
      dragging_ = false;
      if (Fl::event_button() != FL_LEFT_MOUSE) return 1;
      const int sel = value() - 1;
      Control* c = ref->rec->control(ref->id);
      if (c && sel >= 0 && c->list.select(sel)) {
        pressed_ = sel;
        const bool twice = Fl::event_clicks() != 0;
        ControlRef r = *ref;  // the handler may replace this control
        r.tk->deliver(r.rec, event::kListSelection, {r.id, 0, 0, 0});
        if (twice) r.tk->deliver(r.rec, event::kListDoubleClick, {r.id, 0, 0, 0});
      }
      return 1;
    }
    case FL_DRAG:
      if (pressed_ < 0) return 1;
      if (!dragging_) dragging_ = ref->tk->listDragBegin(ref->rec, ref->id, pressed_);
      if (dragging_) ref->tk->listDragOver(ref->rec, ref->id, entryUnderCursor());
      return 1;
    case FL_RELEASE:
      if (dragging_) ref->tk->listDragEnd(ref->rec, ref->id, false);
      dragging_ = false;
      pressed_ = -1;
      return 1;
    case FL_KEYBOARD: {
      const int before = value();
      const int r = Keyed<Fl_Hold_Browser>::handle(e);
      if (value() != before && value() > 0) {
        Control* c = ref->rec->control(ref->id);
        if (c && c->list.select(value() - 1))
          ref->tk->deliver(ref->rec, event::kListSelection, {ref->id, 0, 0, 0});
      }
      return r;
    }
    default:
      return Keyed<Fl_Hold_Browser>::handle(e);
  }
}

void DragBrowser::draw() {
  Keyed<Fl_Hold_Browser>::draw();
  if (!ref || ref->rec->dragList != ref->id || ref->rec->insertionMark == Window::kNoMark) return;
  int X, Y, W, H;
  bbox(X, Y, W, H);
  const int line = ref->rec->insertionMark == -1 ? size() : ref->rec->insertionMark;
  const int y = Y + line * lineHeight() - position();
  if (y < Y || y > Y + H) return;
  fl_color(FL_FOREGROUND_COLOR);
  fl_xyline(X, y, X + W - 1);
}

int DragBrowser::lineHeight() const {
  return size() > 0 ? item_height(find_line(1)) : kFontSize + 2;
}

int DragBrowser::entryUnderCursor() {
  int X, Y, W, H;
  bbox(X, Y, W, H);
  const int ex = Fl::event_x(), ey = Fl::event_y();
  if (ex < X || ex >= X + W || ey < Y || ey >= Y + H) return -1;
  const int lh = lineHeight();
  const int line = lh > 0 ? (ey - Y + position()) / lh : 0;
  return std::min(line, size());
}

}  // namespace quilve::ui
