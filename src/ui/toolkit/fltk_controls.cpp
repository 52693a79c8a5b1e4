// The widgets mirroring a window's controls: made on creation, kept in step
// with the record, and read back into it.
#include "ui/toolkit/fltk_native.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Slider.H>

#include "ui/toolkit/fltk_text.h"
#include "ui/toolkit/fltk_widgets.h"

namespace quilve::ui {

namespace {

template <class W>
W* makeKeyed(ControlRef* ref) {
  auto* widget = new Keyed<W>(0, 0, 100, 20);
  widget->ref = ref;
  return widget;
}

void widgetCallback(Fl_Widget* widget, void* data) {
  auto* ref = static_cast<ControlRef*>(data);
  Control* c = ref->rec->control(ref->id);
  if (!c) return;
  const ControlRef r = *ref;  // the handler may replace this control
  switch (r.kind) {
    case ControlKind::Button:
      r.tk->deliver(r.rec, event::kButton, {r.id, 0, 0, 0});
      break;
    case ControlKind::CheckBox:
      c->checked = static_cast<Fl_Check_Button*>(widget)->value() != 0;
      r.tk->deliver(r.rec, event::kButton, {r.id, 0, 0, 0});
      break;
    case ControlKind::Edit:
    case ControlKind::MultiEdit:
      c->text = static_cast<Fl_Input_*>(widget)->value();
      r.tk->deliver(r.rec, event::kEditChanged, {r.id, 0, 0, 0});
      break;
    case ControlKind::Slider:
      c->sliderPos = static_cast<int>(static_cast<Fl_Slider*>(widget)->value());
      r.tk->deliver(r.rec, event::kSliderMoved, {r.id, c->sliderPos, 0, 0});
      break;
    case ControlKind::ComboBox: {
      const int v = static_cast<Fl_Choice*>(widget)->value();
      if (v >= 0 && c->list.select(v)) r.tk->deliver(r.rec, event::kListSelection, {r.id, 0, 0, 0});
      break;
    }
    default:
      break;
  }
}

// Captions of labels, buttons and check boxes are drawn at the largest
// size at which they fit their box.
// Edit fields the same for the text written into them.
void fitCaption(Fl_Widget* widget, const Control& c) {
  if (c.kind == ControlKind::Edit) {
    auto* input = static_cast<Fl_Input_*>(widget);
    const int size = fittingFontSize(widget, c.kind, c.text);
    if (size == input->textsize()) return;
    input->textsize(size);
    input->redraw();
    return;
  }
  if (c.kind != ControlKind::Label && c.kind != ControlKind::Button &&
      c.kind != ControlKind::CheckBox)
    return;
  const int size = fittingFontSize(widget, c.kind, c.text);
  if (size == widget->labelsize()) return;
  widget->labelsize(size);
  widget->redraw();
}

void syncBrowser(Fl_Hold_Browser* b, const FileList& list) {
  bool same = b->size() == list.size();
  for (int i = 0; same && i < list.size(); ++i) {
    const char* t = b->text(i + 1);
    same = t && list.at(i).name == t;
  }
  if (!same) {
    b->clear();
    for (const FileEntry& e : list.entries()) b->add(e.name.c_str());
  }
  if (list.selection() >= 0) {
    b->select(list.selection() + 1);
  } else {
    b->deselect();
  }
  b->redraw();
}

void syncChoice(Fl_Choice* ch, const FileList& list) {
  ch->clear();
  for (const FileEntry& e : list.entries()) {
    const int i = ch->add("x");
    ch->replace(i, literalLabel(e.name).c_str());
  }
  ch->value(list.selection());
  ch->redraw();
}

}  // namespace

void FltkToolkit::controlCreated(Window& w, Control& c) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  auto ref = std::make_unique<ControlRef>(ControlRef{this, &w, c.id, c.kind});
  Fl_Widget* widget = nullptr;
  Fl_Group* saved = Fl_Group::current();
  Fl_Group::current(nullptr);
  switch (c.kind) {
    case ControlKind::Label: {
      auto* box = new Caption(0, 0, 100, 20);
      box->box(FL_NO_BOX);
      box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_CLIP);
      widget = box;
      break;
    }
    case ControlKind::Button:
      widget = makeKeyed<Fl_Button>(ref.get());
      break;
    case ControlKind::CheckBox:
      widget = makeKeyed<Fl_Check_Button>(ref.get());
      break;
    case ControlKind::ComboBox:
      widget = makeKeyed<Fl_Choice>(ref.get());
      break;
    case ControlKind::Edit: {
      auto* input = makeKeyed<Fl_Input>(ref.get());
      input->when(FL_WHEN_CHANGED);
      widget = input;
      break;
    }
    case ControlKind::MultiEdit: {
      auto* input = makeKeyed<Fl_Multiline_Input>(ref.get());
      input->when(FL_WHEN_CHANGED);
      input->wrap(1);
      widget = input;
      break;
    }
    case ControlKind::Slider: {
      auto* slider = makeKeyed<Fl_Slider>(ref.get());
      slider->type(FL_HOR_NICE_SLIDER);
      slider->step(1);
      slider->bounds(c.sliderMin, c.sliderMax);
      slider->when(FL_WHEN_CHANGED);
      widget = slider;
      break;
    }
    case ControlKind::Progress: {
      auto* bar = new Fl_Progress(0, 0, 100, 20);
      bar->minimum(0);
      bar->maximum(100);
      bar->selection_color(FL_BLUE);
      widget = bar;
      break;
    }
    case ControlKind::ListBox: {
      auto* list = new DragBrowser(0, 0, 100, 20);
      list->ref = ref.get();
      list->format_char(0);  // names starting with '@' are shown as they are
      list->has_scrollbar(Fl_Browser_::BOTH);
      list->when(FL_WHEN_NEVER);
      widget = list;
      break;
    }
  }
  Fl_Group::current(saved);
  widget->labelsize(kFontSize);
  if (auto* input = dynamic_cast<Fl_Input_*>(widget)) input->textsize(kFontSize);
  if (c.kind != ControlKind::Label && c.kind != ControlKind::Progress) {
    widget->callback(widgetCallback, ref.get());
  }
  widget->hide();
  nat->win->add(widget);
  nat->widgets[c.id] = widget;
  nat->refs[c.id] = std::move(ref);
  nat->place(c);
}

void FltkToolkit::controlDestroyed(Window& w, int id) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  auto it = nat->widgets.find(id);
  if (it == nat->widgets.end()) return;
  nat->win->remove(it->second);
  // Deleted once the current event is over: the widget may be the one
  // whose callback is running.
  Fl::delete_widget(it->second);
  nat->widgets.erase(it);
  // The reference outlives the widget for the same reason; it is dropped
  // with the window.
  nat->retired.push_back(std::move(nat->refs[id]));
  nat->refs.erase(id);
  nat->win->redraw();
}

void FltkToolkit::controlChanged(Window& w, Control& c, Change what) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  auto it = nat->widgets.find(c.id);
  if (it == nat->widgets.end()) return;
  Fl_Widget* widget = it->second;
  switch (what) {
    case Change::Geometry:
      nat->place(c);
      fitCaption(widget, c);
      break;
    case Change::Visibility:
      c.visible ? widget->show() : widget->hide();
      break;
    case Change::Enabled:
      c.enabled ? widget->activate() : widget->deactivate();
      break;
    case Change::Text:
      switch (c.kind) {
        case ControlKind::Label:
        case ControlKind::Button:
        case ControlKind::CheckBox:
          widget->copy_label(literalLabel(c.text).c_str());
          fitCaption(widget, c);
          break;
        case ControlKind::Edit:
        case ControlKind::MultiEdit:
          static_cast<Fl_Input_*>(widget)->value(c.text.c_str());
          fitCaption(widget, c);
          break;
        default:
          break;
      }
      widget->redraw();
      nat->win->redraw();  // labels without a box leave their old text behind
      break;
    case Change::Check:
      static_cast<Fl_Check_Button*>(widget)->value(c.checked ? 1 : 0);
      break;
    case Change::Slider: {
      auto* slider = static_cast<Fl_Slider*>(widget);
      slider->bounds(c.sliderMin, c.sliderMax);
      slider->value(c.sliderPos);
      break;
    }
    case Change::Progress:
      static_cast<Fl_Progress*>(widget)->value(static_cast<float>(c.progress));
      break;
    case Change::List:
      if (c.kind == ControlKind::ListBox) syncBrowser(static_cast<Fl_Hold_Browser*>(widget), c.list);
      if (c.kind == ControlKind::ComboBox) syncChoice(static_cast<Fl_Choice*>(widget), c.list);
      break;
    case Change::Focus:
      widget->take_focus();
      if (c.kind == ControlKind::Edit || c.kind == ControlKind::MultiEdit) {
        auto* input = static_cast<Fl_Input_*>(widget);
        input->position(input->size(), 0);  // select all
      }
      break;
  }
}

void FltkToolkit::syncFromNative(Window& w, Control& c) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  auto it = nat->widgets.find(c.id);
  if (it == nat->widgets.end()) return;
  switch (c.kind) {
    case ControlKind::Edit:
    case ControlKind::MultiEdit:
      c.text = static_cast<Fl_Input_*>(it->second)->value();
      break;
    case ControlKind::CheckBox:
      c.checked = static_cast<Fl_Check_Button*>(it->second)->value() != 0;
      break;
    case ControlKind::Slider:
      c.sliderPos = static_cast<int>(static_cast<Fl_Slider*>(it->second)->value());
      break;
    default:
      break;
  }
}

}  // namespace quilve::ui
