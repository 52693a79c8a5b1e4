#include "ui/toolkit/headless_toolkit.h"

namespace quilve::ui {

HeadlessToolkit::HeadlessToolkit() = default;

// ---- script -----------------------------------------------------------------

void HeadlessToolkit::answerQuestion(bool yes) {
  Answer a(Answer::Type::Question);
  a.yes = yes;
  script_.push_back(std::move(a));
}

void HeadlessToolkit::answerFile(const std::string& path, int filterIndex) {
  answerFiles({path}, filterIndex);
}

void HeadlessToolkit::answerFiles(const std::vector<std::string>& paths, int filterIndex) {
  Answer a(Answer::Type::File);
  a.file.paths = paths;
  a.file.filterIndex = filterIndex;
  script_.push_back(std::move(a));
}

void HeadlessToolkit::answerFolder(const std::string& path) {
  Answer a(Answer::Type::Folder);
  a.folder = path;
  script_.push_back(std::move(a));
}

void HeadlessToolkit::answerCancel() { script_.push_back(Answer(Answer::Type::Cancel)); }

bool HeadlessToolkit::takeAnswer(Answer::Type wanted, Answer* out) {
  if (script_.empty()) return false;
  *out = std::move(script_.front());
  script_.pop_front();
  if (out->type == Answer::Type::Cancel) return false;
  if (out->type != wanted) {
    scriptErrors_.push_back("answer of the wrong kind at shown item " + std::to_string(shown_.size()));
    return false;
  }
  return true;
}

void HeadlessToolkit::openBox(Window* w, MessageKind kind, const std::string& text,
                              const std::string& caption) {
  const BoxLook look = boxLook(kind);
  shown_.push_back(Shown{kind, false, caption, text, w, look.icon, look.beep});
  boxRounds_ = 0;
  openAnswer_ = true;
  if (kind != MessageKind::Question) return;
  Answer a(Answer::Type::Cancel);
  openAnswer_ = takeAnswer(Answer::Type::Question, &a) && a.yes;
}

std::optional<bool> HeadlessToolkit::boxAnswer() {
  if (runPostsWhileBoxOpen_ && boxRounds_ == 0) return std::nullopt;
  return openAnswer_;
}

void HeadlessToolkit::waitForEvents() {
  dispatchPending();
  ++boxRounds_;
}

std::optional<FileChoice> HeadlessToolkit::fileDialog(Window*, FileDialog type, const std::string& filter,
                                                      const std::string& startDirectory) {
  const bool save = type == FileDialog::Save || type == FileDialog::SaveAskOverwrite;
  shown_.push_back(Shown{MessageKind::Question, true, save ? "Save" : "Open", filter});
  (void)startDirectory;
  Answer a(Answer::Type::Cancel);
  if (!takeAnswer(Answer::Type::File, &a)) return std::nullopt;
  if (type != FileDialog::OpenMultiple && a.file.paths.size() > 1) a.file.paths.resize(1);
  return a.file;
}

std::optional<std::string> HeadlessToolkit::folderDialog(Window*, const std::string& title,
                                                         const std::string&) {
  shown_.push_back(Shown{MessageKind::Question, true, title, {}});
  Answer a(Answer::Type::Cancel);
  if (!takeAnswer(Answer::Type::Folder, &a)) return std::nullopt;
  return a.folder;
}

// ---- simulated user ------------------------------------------------------------

Control* HeadlessToolkit::usable(Window* w, int id) {
  Control* c = find(w, id);
  return c && c->visible && c->enabled ? c : nullptr;
}

bool HeadlessToolkit::click(Window* w, int id) {
  Control* c = usable(w, id);
  if (!c || (c->kind != ControlKind::Button && c->kind != ControlKind::CheckBox)) return false;
  if (c->kind == ControlKind::CheckBox) c->checked = !c->checked;
  w->focus = id;
  deliver(w, event::kButton, {id, 0, 0, 0});
  return true;
}

bool HeadlessToolkit::chooseMenu(Window* w, int itemId) {
  bool grayed = true;
  if (!menuItemState(w, itemId, nullptr, &grayed) || grayed) return false;
  deliver(w, event::kMenu, {itemId, 0, 0, 0});
  return true;
}

bool HeadlessToolkit::type(Window* w, int id, const std::string& text) {
  Control* c = usable(w, id);
  if (!c || (c->kind != ControlKind::Edit && c->kind != ControlKind::MultiEdit)) return false;
  w->focus = id;
  c->text = text;
  deliver(w, event::kEditChanged, {id, 0, 0, 0});
  return true;
}

bool HeadlessToolkit::leaveEdit(Window* w, int id) {
  Control* c = find(w, id);
  if (!c || (c->kind != ControlKind::Edit && c->kind != ControlKind::MultiEdit)) return false;
  if (w->focus == id) w->focus = -1;
  deliver(w, event::kEditFocusLost, {id, 0, 0, 0});
  return true;
}

bool HeadlessToolkit::clickEntry(Window* w, int id, int index) {
  Control* c = usable(w, id);
  if (!c || (c->kind != ControlKind::ListBox && c->kind != ControlKind::ComboBox)) return false;
  if (!c->list.select(index)) return false;
  w->focus = id;
  deliver(w, event::kListSelection, {id, 0, 0, 0});
  return true;
}

bool HeadlessToolkit::doubleClickEntry(Window* w, int id, int index) {
  if (!clickEntry(w, id, index)) return false;
  deliver(w, event::kListDoubleClick, {id, 0, 0, 0});
  return true;
}

bool HeadlessToolkit::moveSlider(Window* w, int id, int position) {
  Control* c = usable(w, id);
  if (!c || c->kind != ControlKind::Slider) return false;
  c->sliderPos = std::clamp(position, c->sliderMin, c->sliderMax);
  deliver(w, event::kSliderMoved, {id, c->sliderPos, 0, 0});
  return true;
}

bool HeadlessToolkit::releaseSlider(Window* w, int id) {
  Control* c = usable(w, id);
  if (!c || c->kind != ControlKind::Slider) return false;
  deliver(w, event::kSliderReleased, {id, 0, 0, 0});
  return true;
}

bool HeadlessToolkit::pressKey(Window* w, int key, int modifiers) {
  if (!owns(w)) return false;
  if (key == kKeyTab && w->focus >= 0) {
    cycleFocus(w, (modifiers & kShiftBit) != 0);
    return true;
  }
  deliver(w, event::kKeyDown, {key, modifiers, 0, 0});
  deliver(w, event::kKeyUp, {key, modifiers, 0, 0});
  return true;
}

bool HeadlessToolkit::requestClose(Window* w) {
  if (!owns(w)) return false;
  deliver(w, event::kClose);
  return true;
}

bool HeadlessToolkit::moveWindow(Window* w, int left, int top) {
  return owns(w) && w->visible && userMoved(w, left, top);
}

bool HeadlessToolkit::minimize(Window* w) {
  if (!owns(w) || !w->visible || w->minimized || !canMinimize(*w)) return false;
  userMinimized(w, true);
  return true;
}

bool HeadlessToolkit::restore(Window* w) {
  if (!owns(w) || !w->minimized) return false;
  userMinimized(w, false);
  return true;
}

bool HeadlessToolkit::hover(Window* w, int x, int y, int keyBits) {
  if (!owns(w) || !w->visible || x < 0 || y < 0 || x >= w->width || y >= w->height) return false;
  deliver(w, event::kMouseHover, {x + w->scrollX, y + w->scrollY, keyBits, 0});
  return true;
}

int HeadlessToolkit::textWidth(const std::string& text) const {
  int characters = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  return kCharWidth * characters;
}

bool HeadlessToolkit::dragEntry(Window* w, int id, int from, int to) {
  if (!usable(w, id) || !clickEntry(w, id, from)) return false;
  if (!listDragBegin(w, id, from)) return false;
  listDragOver(w, id, to);
  return listDragEnd(w, id, false);
}

// ---- loop ---------------------------------------------------------------------

void HeadlessToolkit::post(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.push_back(std::move(call));
    queued_.store(queue_.size(), std::memory_order_release);
  }
  queueReady_.notify_all();
}

void HeadlessToolkit::quit() {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    quitRequested_ = true;
  }
  queueReady_.notify_all();
}

void HeadlessToolkit::dispatchPending() {
  for (;;) {
    if (queued_.load(std::memory_order_acquire) == 0) return;
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> lock(queueMutex_);
      if (queue_.empty()) return;
      call = std::move(queue_.front());
      queue_.pop_front();
      queued_.store(queue_.size(), std::memory_order_release);
    }
    call();
  }
}

void HeadlessToolkit::runUntilQuit() {
  for (;;) {
    std::function<void()> call;
    {
      std::unique_lock<std::mutex> lock(queueMutex_);
      queueReady_.wait(lock, [&] { return quitRequested_ || !queue_.empty(); });
      if (queue_.empty()) {
        // A quit ends this loop once everything posted before it has run.
        quitRequested_ = false;
        return;
      }
      call = std::move(queue_.front());
      queue_.pop_front();
      queued_.store(queue_.size(), std::memory_order_release);
    }
    call();
  }
}

void HeadlessToolkit::runLoop() { runUntilQuit(); }

void HeadlessToolkit::runModal(Window* w) {
  if (!owns(w)) return;
  show(w);
  runUntilQuit();
  hide(w);
}

}  // namespace quilve::ui
