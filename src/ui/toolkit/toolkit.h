#pragma once
// The window and control toolkit every window of the program is written
// against. A window is a record holding its kind, its event handler, its
// controls (addressed by integer identifier), its menu tree and a drawing
// canvas. The control, menu, list and drawing operations work on that record
// and are the same for every backend; a backend supplies the real windows,
// the message loop, message boxes and file dialogs and the size of canvas
// texts, and mirrors the record into native widgets (FltkToolkit) or keeps
// it in memory only and answers dialogs from a script (HeadlessToolkit).
//
// Threads: every operation of a Toolkit must be called on the user-interface
// thread (the thread that created it), except post(), postUserEvent(),
// quit() and drawing into a window's canvas (which the caller guards with
// its drawing mutex). Worker threads send their updates with post(); the
// backend runs the call on the user-interface thread.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/file_list.h"
#include "output/rgb.h"
#include "ui/toolkit/canvas.h"

namespace quilve::ui {

class Toolkit;
struct Window;

// Frames of the top-level windows. None is visible when created.
enum class WindowKind : int {
  Plain = 0,        // dialog frame, no caption
  Tool = 1,         // caption and close box
  Main = 2,         // caption, close and minimize boxes
  SizableTool = 3,  // caption, close box, sizing frame
  Sizable = 4,      // caption, sizing frame, minimize and maximize boxes
  Scrolled = 5,     // as Sizable with both scroll bars
};

enum class ControlKind : int {
  Label = 0,
  Button = 1,
  CheckBox = 2,
  ComboBox = 3,
  Edit = 4,
  MultiEdit = 5,
  Slider = 6,
  Progress = 7,
  ListBox = 8,
};

// Event numbers delivered to a window's handler, with the meaning of the
// four values passed along. The program's windows have neither a maximize
// box, a sizing frame nor scroll bars, so kMaximized, kSizing and kScrolled
// are never delivered, the scrolling of kind 5 is not built and
// Window::resizing stays false; kSizeEnd follows a change of client size.
namespace event {
constexpr int kUser = 1;             // posted user event: its two values
constexpr int kPaint = 2;            // paint rectangle x, y, right, bottom
constexpr int kMinimized = 3;        // client width, height
constexpr int kMaximized = 4;        // client width, height
constexpr int kRestored = 5;         // client width, height
constexpr int kClose = 6;            // close requested; the window stays
constexpr int kSizing = 7;           // proposed width, height, edge-only flag
constexpr int kSizeEnd = 8;          // final width, height
constexpr int kMoving = 9;           // proposed left, top
constexpr int kMoveEnd = 10;         // left, top
constexpr int kScrolled = 11;        // new scroll position
constexpr int kMouseMove = 13;       // x, y, key bits
constexpr int kMouseHover = 14;      // x, y, key bits
constexpr int kMouseLeave = 15;      // x, y, key bits
constexpr int kLeftDown = 16;        // x, y, key bits
constexpr int kDrag = 17;            // x, y, key bits
constexpr int kLeftUp = 18;          // x, y, key bits
constexpr int kRightUp = 19;         // x, y, key bits
constexpr int kDoubleClick = 20;     // x, y, key bits
constexpr int kKeyDown = 21;         // key code, modifier bits
constexpr int kKeyUp = 22;           // key code, modifier bits
constexpr int kMenu = 23;            // item identifier
constexpr int kButton = 24;          // control identifier
constexpr int kEditChanged = 25;     // control identifier
constexpr int kEditFocusLost = 26;   // control identifier
constexpr int kSliderMoved = 30;     // control identifier, position
constexpr int kSliderReleased = 31;  // control identifier
constexpr int kListSelection = 32;   // control identifier
constexpr int kListDoubleClick = 33; // control identifier
constexpr int kListDrop = 34;        // control identifier, from, to (as FileList::move)
}  // namespace event

// Key and modifier bits of mouse and key events.
constexpr int kShiftBit = 1;
constexpr int kControlBit = 2;
// Mouse events also carry the mouse buttons other than the left one held.
constexpr int kRightButtonBit = 4;
constexpr int kMiddleButtonBit = 8;
// Key codes of the keys the toolkit itself passes on.
constexpr int kKeyTab = 9;
constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;

using EventValues = std::array<int, 4>;
// A window's event handler. The values may be changed by the handler where
// the event allows it (sizing, moving).
using EventHandler = std::function<int(Window& window, int event, EventValues& values)>;

// One node of a window's menu tree: the menu bar (the root), a submenu, an
// item or a separator.
struct MenuNode {
  enum class Type { Bar, Submenu, Item, Separator };
  Type type = Type::Bar;
  std::string text;     // shown text, without the mnemonic marker
  int mnemonic = -1;    // index into text of the mnemonic character, or -1
  int id = 0;           // item identifier
  bool checked = false;
  bool grayed = false;
  std::vector<MenuNode> children;
};

// One level of a menu path after parsing.
struct MenuLevel {
  std::string text;
  int mnemonic = -1;
  bool separator = false;  // the level ended in an unpaired "_"
};
// Splits a menu path at "/" and decodes "_x" (mnemonic), "__" (one "_") and
// a trailing "_" (separator). "&" stays as it is: it is shown literally.
std::vector<MenuLevel> parseMenuPath(const std::string& path);

// The extension the save dialogs append to a name typed without one:
// `filter` holds description;pattern pairs separated by ';', and the text
// from the first '.' of the chosen pattern up to the next ';' is the
// extension. Wildcard extensions ("*.*") give none.
std::string filterExtension(const std::string& filter, int filterIndex);
// `name` with the filter's extension appended when its file name has none.
std::string applyFilterExtension(const std::string& name, const std::string& filter,
                                 int filterIndex);

struct Control {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  int x = 0, y = 0, w = 100, h = 20;
  bool visible = false;
  bool enabled = true;
  std::string text;
  bool checked = false;
  int sliderMin = 0, sliderMax = 100, sliderPos = 0;
  int progress = 0;
  FileList list;  // entries of list and combo boxes
  int horizontalExtent = 0;
};

// The window record.
struct Window {
  Toolkit* toolkit = nullptr;
  WindowKind kind = WindowKind::Tool;
  EventHandler handler;
  Window* owner = nullptr;
  std::string title;
  int x = 64, y = 64, width = 320, height = 240;  // client area
  bool visible = false;
  bool minimized = false;
  bool resizing = false;
  int scrollX = 0, scrollY = 0;
  std::vector<Control> controls;  // in creation order, which is the Tab order
  MenuNode menu;
  int focus = -1;  // identifier of the control with the keyboard focus
  Rgb colour;      // drawing colour
  static constexpr int kNoMark = -2;
  int dragSource = -1;
  int insertionMark = kNoMark;  // -1: below the last entry
  int dragList = -1;            // list box being dragged in
  Canvas canvas;
  void* userData = nullptr;  // free for the window's own code

  Control* control(int id);
  const Control* control(int id) const;
};

// Answers of a file dialog: the chosen path(s), the 0-based filter pair
// chosen, and the directory the dialog ended in.
struct FileChoice {
  std::vector<std::string> paths;
  int filterIndex = 0;
};

enum class MessageKind { Information, Warning, Question };
// What a message box shows beside its text and the sound it makes when it
// opens: information (information icon and beep), warning (exclamation icon
// and warning beep), question (question icon and beep).
enum class BoxIcon { Information, Exclamation, Question };
enum class BoxBeep { Information, Warning, Question };
struct BoxLook {
  BoxIcon icon;
  BoxBeep beep;
};
BoxLook boxLook(MessageKind kind);

class Toolkit : public TextMeasure {
 public:
  virtual ~Toolkit();

  // ---- windows ----------------------------------------------------------
  // A new hidden window with a 320 x 240 client area at 64, 64.
  Window* createWindow(EventHandler handler, WindowKind kind, Window* owner = nullptr);
  bool show(Window* w);
  bool hide(Window* w);
  bool setTitle(Window* w, const std::string& title);
  bool setClientSize(Window* w, int width, int height);
  bool setPosition(Window* w, int x, int y);
  // Delivers an event to the window's handler; returns its result, 0 when
  // there is no handler.
  int deliver(Window* w, int event, EventValues values = {0, 0, 0, 0});
  // Kinds whose frame has a minimize box.
  static bool canMinimize(const Window& w) {
    return w.kind == WindowKind::Main || w.kind == WindowKind::Sizable || w.kind == WindowKind::Scrolled;
  }
  // What the user did to a window, as the backend saw it (backends call
  // these). A move to
  // left, top is proposed to the handler (event::kMoving), which may change
  // it; the record takes the position agreed, the handler hears the end of
  // the move (event::kMoveEnd), and false tells the backend to put the
  // window where the record says. Minimizing and restoring the window are
  // told with its client size (event::kMinimized, event::kRestored).
  bool userMoved(Window* w, int left, int top);
  void userMinimized(Window* w, bool minimized);

  // ---- the loop and threads ---------------------------------------------
  // Runs until quit() is called.
  virtual void runLoop() = 0;
  // Runs every pending call and event without waiting.
  virtual void dispatchPending() = 0;
  // Shows `w`, runs until quit() and hides it again; input to other
  // windows is refused meanwhile.
  virtual void runModal(Window* w) = 0;
  // Shows `w` with input to every other window refused, or hides it again
  // and lets input through: a progress display over work that runs on the
  // user-interface thread and calls dispatchPending() to keep the windows
  // painted.
  virtual void showBlocking(Window* w, bool shown) { shown ? show(w) : hide(w); }
  // Ends the innermost running loop. Any thread.
  virtual void quit() = 0;
  // Runs `call` on the user-interface thread. Any thread.
  virtual void post(std::function<void()> call) = 0;
  // Posts user event 1 with two values to the window. Any thread.
  void postUserEvent(Window* w, int a, int b);

  // ---- controls -----------------------------------------------------------
  // Creates a control at 0, 0, 100 x 20, empty and hidden; an existing
  // control of the same identifier is destroyed first.
  bool createControl(Window* w, int id, ControlKind kind);
  bool moveControl(Window* w, int id, int x, int y);
  bool resizeControl(Window* w, int id, int width, int height);
  bool showControl(Window* w, int id);
  bool enableControl(Window* w, int id);
  bool disableControl(Window* w, int id);
  bool setEnabled(Window* w, int id, bool enabled);
  bool setText(Window* w, int id, const std::string& text);
  // Copies the text into `buffer` of `size` bytes, cut to fit.
  bool getText(Window* w, int id, char* buffer, std::size_t size);
  std::optional<std::string> text(Window* w, int id);
  bool setFocus(Window* w, int id);
  // Moves the focus from the focused control to the next (or previous)
  // enabled and visible control that can take it, wrapping around, and
  // selects its text. Returns the identifier now focused, or -1.
  int cycleFocus(Window* w, bool backward);

  bool setCheck(Window* w, int id, bool checked);
  bool isChecked(Window* w, int id, bool* checked);

  bool setSliderRange(Window* w, int id, int minimum, int maximum);
  bool setSliderPosition(Window* w, int id, int position);
  bool sliderPosition(Window* w, int id, int* position);

  // Sets the bar, clamped to 0..100.
  bool setProgress(Window* w, int id, int percent);

  // ---- list boxes (and combo boxes) ---------------------------------------
  // Adds in name order. With `replace`, an entry of the same text takes the
  // new value instead. `index` receives the entry's index.
  bool listAdd(Window* w, int id, const std::string& text, int value, bool replace = false,
               int* index = nullptr);
  bool listDelete(Window* w, int id, int index);
  int listCount(Window* w, int id);             // -1 when missing
  int listSelection(Window* w, int id);         // -1 when none or missing
  bool listSelect(Window* w, int id, int index);
  bool listClearSelection(Window* w, int id);
  bool listValue(Window* w, int id, int index, int* value);
  // Fails when the entry does not fit into `size` bytes with its terminator.
  bool listText(Window* w, int id, int index, char* buffer, std::size_t size);
  int listFind(Window* w, int id, const std::string& text);  // exact, any case; -1
  bool listRemoveSelected(Window* w, int id, int* value);
  // Fills the list with the files of `directory` matching `pattern` and
  // gives it the keyboard focus.
  bool listFillFromDirectory(Window* w, int id, const std::string& directory,
                             const std::string& pattern);
  bool listClear(Window* w, int id);
  bool listSelectText(Window* w, int id, const std::string& text);
  bool listSum(Window* w, int id, std::int64_t* sum);
  bool listSetHorizontalExtent(Window* w, int id, int pixels);
  // Drops entry `from` on entry `to` (to == count: below the last entry).
  bool listDrop(Window* w, int id, int from, int to);
  // The drag protocol of list boxes: the entry under the cursor at the
  // press becomes the drag source; while dragging, the insertion mark goes
  // above the entry under the cursor (`index` past the last entry: below
  // it; negative: off the list); the release drops above the mark, or
  // only erases it when cancelled or off the list. A drop moves the entry
  // in the control's list and then tells the window with event::kListDrop,
  // so that it can move the entry in the list it keeps itself.
  bool listDragBegin(Window* w, int id, int index);
  bool listDragOver(Window* w, int id, int index);
  bool listDragEnd(Window* w, int id, bool cancelled);
  const FileList* listModel(Window* w, int id);
  // Replaces the entries and the selection with those of `model`.
  bool listAssign(Window* w, int id, const FileList& model);

  // ---- menus --------------------------------------------------------------
  bool addMenuItem(Window* w, int itemId, const std::string& path);
  bool checkMenuItem(Window* w, int itemId);
  bool uncheckMenuItem(Window* w, int itemId);
  bool grayMenuItem(Window* w, int itemId);
  bool enableMenuItem(Window* w, int itemId);
  // State of the first item with the identifier; false when there is none.
  bool menuItemState(Window* w, int itemId, bool* checked, bool* grayed);

  // ---- message boxes and dialogs -------------------------------------------
  // A box is owned by `w` (shown centred over it) and its caption defaults
  // to the window's title; each kind has its icon and beep (boxLook).
  //
  // Boxes are shown one at a time, in the order they were asked for. A box
  // asked for while another is open (by a posted call the open box's loop
  // runs, say) waits in the queue: a note or a warning returns at once and
  // is shown after the boxes before it; a question waits, running the loop,
  // until it has been shown and answered. The outermost call returns once
  // the queue is empty.
  void information(Window* w, const std::string& text, const std::string& caption = {});
  void warning(Window* w, const std::string& text);  // caption "Warning"
  bool question(Window* w, const std::string& text, const std::string& caption = {});
  // Receives the text of every warning when it is asked for (the program's
  // trace console).
  void setWarningEcho(std::function<void(const std::string&)> echo) { warningEcho_ = std::move(echo); }
  // Boxes waiting or open.
  std::size_t boxesQueued() const { return boxQueue_.size(); }

  std::optional<std::string> openFile(Window* w, const std::string& filter,
                                      const std::string& startDirectory);
  std::vector<std::string> openFiles(Window* w, const std::string& filter,
                                     const std::string& startDirectory);
  // A name without extension gets the chosen filter's extension.
  std::optional<std::string> saveFile(Window* w, const std::string& filter,
                                      const std::string& startDirectory, bool askOverwrite);
  std::optional<std::string> chooseFolder(Window* w, const std::string& title,
                                          const std::string& startDirectory);

  // ---- drawing into the window's canvas --------------------------------------
  bool setColour(Window* w, Rgb c);
  bool colour(Window* w, Rgb* c);
  bool setWindowColour(Window* w);
  bool drawPixel(Window* w, int x, int y);
  bool drawLine(Window* w, int x0, int y0, int x1, int y1);
  // Segments as x0, y0, x1, y1 quadruples.
  bool drawSegments(Window* w, const std::vector<std::array<int, 4>>& segments);
  bool fillRect(Window* w, int x, int y, int width, int height);
  bool drawText(Window* w, int x, int y, const std::string& text);
  // Refused (false, nothing drawn) on a display of 8 or fewer bits per pixel.
  bool drawImage(Window* w, const Image& img, int dx, int dy, int dw, int dh, int sx, int sy,
                 int sw, int sh);
  // The size of canvas texts (textWidth, lineHeight) comes from the
  // backend, as TextMeasure says.
  // Bits per pixel of the display the windows are shown on.
  virtual int displayBitsPerPixel() const { return 24; }
  // Asks for the window to be painted again from its canvas. Any thread.
  void invalidate(Window* w);

  // The colour of text fields and list boxes, used by setWindowColour.
  virtual Rgb systemWindowColour() const { return Rgb{255, 255, 255}; }
  // The button-face colour: the background of every window (a new canvas
  // is filled with it). Without a display, the grey FLTK starts out with.
  static constexpr Rgb kDefaultFaceColour{192, 192, 192};
  virtual Rgb faceColour() const { return kDefaultFaceColour; }

  // Held while the backend copies a canvas to the screen.
  void setDrawingMutex(std::mutex* m) { drawingMutex_ = m; }
  std::mutex* drawingMutex() const { return drawingMutex_; }

  const std::vector<std::unique_ptr<Window>>& windows() const { return windows_; }

 protected:
  enum class Change { Geometry, Visibility, Enabled, Text, Check, Slider, Progress, List, Focus };

  // Backend hooks: the record has changed and native widgets follow it.
  virtual void windowCreated(Window&) {}
  virtual void windowShown(Window&, bool /*visible*/) {}
  virtual void windowTitleChanged(Window&) {}
  virtual void windowGeometryChanged(Window&) {}
  virtual void controlCreated(Window&, Control&) {}
  virtual void controlDestroyed(Window&, int /*id*/) {}
  virtual void controlChanged(Window&, Control&, Change) {}
  virtual void menuChanged(Window&) {}
  virtual void canvasChanged(Window&) {}
  // Native text is read back into the record before the record is read.
  virtual void syncFromNative(Window&, Control&) {}


  // Shows a box through the queue and returns its answer (true for notes
  // and warnings, and for those that only joined the queue).
  bool messageBox(Window* w, MessageKind kind, const std::string& text, const std::string& caption);
  // Backend: shows one box owned by `w` (null: by no window) with the icon
  // and beep of its kind and returns at once; boxAnswer() gives nothing
  // while it is open and the answer once it was closed (a question closed
  // without an answer: No). waitForEvents() handles what is pending and
  // waits briefly for more.
  virtual void openBox(Window* w, MessageKind kind, const std::string& text,
                       const std::string& caption) = 0;
  virtual std::optional<bool> boxAnswer() = 0;
  virtual void waitForEvents() = 0;
  enum class FileDialog { Open, OpenMultiple, Save, SaveAskOverwrite };
  virtual std::optional<FileChoice> fileDialog(Window* w, FileDialog type, const std::string& filter,
                                               const std::string& startDirectory) = 0;
  virtual std::optional<std::string> folderDialog(Window* w, const std::string& title,
                                                  const std::string& startDirectory) = 0;

  bool owns(const Window* w) const { return w && w->toolkit == this; }
  Control* find(Window* w, int id);
  Control* findKind(Window* w, int id, ControlKind kind);
  Control* findList(Window* w, int id);
  bool setMenuState(Window* w, int itemId, int what);

  std::mutex* drawingMutex_ = nullptr;

 private:
  struct QueuedBox {
    std::uint64_t ticket;
    Window* owner;
    MessageKind kind;
    std::string text, caption;
  };

  std::vector<std::unique_ptr<Window>> windows_;
  std::function<void(const std::string&)> warningEcho_;
  std::deque<QueuedBox> boxQueue_;  // the front one is open when boxOpen_
  bool boxOpen_ = false;
  int boxRunners_ = 0;                         // calls running the queue, nested
  // Boxes whose askers wait in the calls running the queue, with the
  // answer once given.
  std::map<std::uint64_t, std::optional<bool>> boxAnswers_;
  std::uint64_t lastTicket_ = 0;
};

}  // namespace quilve::ui
