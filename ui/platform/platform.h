// The toolkit interface: everything the window layer asks of a user-interface
// toolkit, in the runtime's own terms. Two backends implement it: Qt Widgets
// (ui/qt) and an in-memory one driven by a script (ui/headless). No toolkit
// type crosses this interface.
//
// Texts cross as Windows-1252 bytes (counted strings); a backend converts
// them at its own edge. Texts a backend returns are arena copies.
//
// Geometry is in pixels. A window is placed by the top-left corner of its
// frame and sized by its client area; frame_extra() tells what the frame
// adds around the client area, so the caller can check that a window fits.
// Controls are placed in client coordinates.
//
// Events are queued by the backend and taken one at a time by next_event();
// nothing is delivered by callback, so the runtime's loops decide when an
// event is handled.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "ui/platform/script.h"

namespace ui::platform {

using core::Status;
using core::Text;

using Handle = uint32_t;              // a top-level window or a menu; 0 is none
inline constexpr Handle kNone = 0;

struct Size {
  int w = 0;
  int h = 0;
};
struct Point {
  int x = 0;
  int y = 0;
};
struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};
// What a frame adds around the client area, on each side.
struct Margins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Window style words, as the runtime writes them (Windows values).
inline constexpr uint32_t kStyleCaption = 0x00C00000;
inline constexpr uint32_t kStyleSysMenu = 0x00080000;
inline constexpr uint32_t kStyleMinimizeBox = 0x00020000;
inline constexpr uint32_t kStylePopup = 0x80000000;
inline constexpr uint32_t kStyleModal = 0x80;   // the runtime's own mark

// The screen font: character cells of every window are measured in it.
struct FontSpec {
  int height = 16;      // pixels
  int width = 0;        // average character width; 0 lets the face decide
  bool bold = false;
  std::string face;     // as written in the font list (Windows-1252)
};
struct CellSize {
  int w = 8;
  int h = 16;
};

// A Picture's text is the path of a picture file, drawn to fill the control.
enum class ControlKind : uint8_t { Static, Edit, Button, ListBox, ComboBox, Picture, Progress, Grid };

// Control flags.
inline constexpr uint32_t kAlignRight = 1;     // edits: numbers
inline constexpr uint32_t kPassword = 2;       // edits: characters hidden
inline constexpr uint32_t kReadOnly = 4;       // edits
inline constexpr uint32_t kDefaultButton = 8;  // buttons
inline constexpr uint32_t kCentred = 16;       // statics
inline constexpr uint32_t kTextMode = 32;      // progress: a text instead of a bar
inline constexpr uint32_t kSystemFont = 64;    // the toolkit's own font: a control sized in pixels
// Edits: a read-only page of text in the screen font with both scroll
// bars, filled line by line with list_add (so it holds any length).
inline constexpr uint32_t kMultiLine = 128;

// A column of a grid: its title, its width in pixels, numbers right-aligned.
struct GridColumn {
  std::string title;
  int width = 0;
  bool right = false;
};

// Commands of a grid (GridCommand events): the line menu (Enter), view the
// line (a double click), delete it (Delete) and insert one (Insert).
inline constexpr int kGridMenu = 100;
inline constexpr int kGridView = 101;
inline constexpr int kGridDelete = 106;
inline constexpr int kGridInsert = 107;

struct WindowSpec {
  std::string class_name;
  uint32_t style = 0;
  std::string title;
  Handle owner = kNone;
  Handle menu = kNone;  // a menu bar made by menu_create(false)
  Point position;       // frame
  Size client;
};

struct ControlSpec {
  ControlKind kind = ControlKind::Static;
  int id = 0;
  Rect rect;
  uint32_t flags = 0;
  std::string text;
  int width_chars = 0;  // edits: the most characters accepted (0: any)
};

// Message boxes.
enum class BoxButtons : uint8_t { Ok, OkCancel, RetryCancel, YesNo, YesNoCancel };
enum class BoxIcon : uint8_t { Information, Warning, Error, Question };
enum class BoxAnswer : uint8_t { Ok, Cancel, Retry, Yes, No, Closed };
// The captions of the standard buttons in the runtime's language; an empty
// one keeps the toolkit's own.
struct BoxLabels {
  std::string ok, cancel, retry, yes, no;  // Windows-1252
};

// Keys: the Windows virtual-key values serve as the neutral numbering.
enum VirtualKey : int {
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkReturn = 0x0D,
  kVkShift = 0x10,
  kVkControl = 0x11,
  kVkEscape = 0x1B,
  kVkSpace = 0x20,
  kVkPrior = 0x21,
  kVkNext = 0x22,
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kVkF1 = 0x70,
  kVkF11 = 0x7A,
  kVkF12 = 0x7B,
  kVkOem = 0xEF,
};

enum class EventKind : uint8_t {
  None,
  KeyDown,       // key: virtual key; id: the control that had the focus (0: the window)
  KeyUp,
  Char,          // key: the character (Windows-1252); id as for KeyDown
  Command,       // id: button or menu item
  ListActivate,  // id: a list box (double-click)
  ListSelect,    // id: a combo box whose item the user chose
  Close,         // the window's close button
  WindowFocus,   // the window became active
  ControlFocus,  // id: a control got the focus from the user
  ControlBlur,   // id: a control lost the focus to the user
  App,           // message: application message number, param: its value
  Timer,         // id: the timer
  Scroll,        // param: scroll code, value: thumb position
  GridCommand,   // id: a grid; param: its command (kGridMenu ...)
  Quit,
};

// Scroll codes of Scroll events.
enum ScrollCode : int { kScrollLineUp, kScrollLineDown, kScrollPageUp, kScrollPageDown,
                        kScrollThumb, kScrollTop, kScrollBottom };

struct Event {
  EventKind kind = EventKind::None;
  Handle window = kNone;
  int id = 0;
  int key = 0;
  uint32_t message = 0;
  int32_t param = 0;
  int32_t value = 0;
};

inline Event event_of(EventKind kind, Handle window, int id = 0, int key = 0) {
  Event e;
  e.kind = kind;
  e.window = window;
  e.id = id;
  e.key = key;
  return e;
}
inline Event app_event(Handle window, uint32_t message, int32_t param) {
  Event e = event_of(EventKind::App, window);
  e.message = message;
  e.param = param;
  return e;
}

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  virtual const char* name() const = 0;

  // --- screen and font ---
  virtual Size screen_area() const = 0;                  // the full-screen work area
  virtual Margins frame_extra(uint32_t style, bool menu) const = 0;
  // Makes spec the font of the controls created from now on; the cell size.
  virtual CellSize font_set(const FontSpec& spec) = 0;

  // --- top-level windows ---
  virtual Handle window_create(const WindowSpec& spec) = 0;  // kNone on failure
  virtual void window_destroy(Handle w) = 0;
  virtual void window_move(Handle w, Point frame_position) = 0;
  virtual void window_resize(Handle w, Size client) = 0;
  virtual Point window_position(Handle w) const = 0;         // frame
  virtual Size window_client(Handle w) const = 0;
  virtual void window_title(Handle w, Text title) = 0;
  virtual void window_enable(Handle w, bool enabled) = 0;
  virtual void window_show(Handle w) = 0;
  virtual void window_activate(Handle w) = 0;
  // Scroll ranges (0 hides the bar) and the vertical content offset.
  virtual void window_scroll_ranges(Handle w, int horizontal, int vertical) = 0;
  virtual void window_scroll_to(Handle w, int vertical) = 0;
  // Fills the client area grey and writes text white, centred.
  virtual void window_paint_text(Handle w, Text text) = 0;

  // --- controls (by identifier inside a window) ---
  virtual bool control_create(Handle w, const ControlSpec& spec) = 0;
  virtual void control_destroy(Handle w, int id) = 0;
  virtual bool control_exists(Handle w, int id) const = 0;
  virtual void control_text_set(Handle w, int id, Text text) = 0;
  virtual Text control_text(Handle w, int id) = 0;            // arena copy
  virtual void control_enable(Handle w, int id, bool enabled) = 0;
  virtual void control_show(Handle w, int id, bool shown) = 0;
  virtual void control_read_only(Handle w, int id, bool read_only) = 0;
  virtual void control_focus(Handle w, int id) = 0;
  virtual int control_focused(Handle w) const = 0;             // 0: none
  virtual void control_select_all(Handle w, int id) = 0;
  virtual void control_move(Handle w, int id, Rect rect) = 0;
  virtual Rect control_rect(Handle w, int id) const = 0;
  // List and combo boxes (items from 0); the lines of a kMultiLine edit;
  // the rows of a grid (clear, selected and select).
  virtual void list_add(Handle w, int id, Text item) = 0;
  virtual void list_clear(Handle w, int id) = 0;
  virtual int list_selected(Handle w, int id) const = 0;     // -1: none
  virtual void list_select(Handle w, int id, int index) = 0;
  // Grids (a table of rows under a header of titles, one row selected):
  // the columns replace any before them; setting a cell past the last row
  // adds empty rows up to it (rows and columns from 0).
  virtual void grid_columns(Handle w, int id, const std::vector<GridColumn>& columns) = 0;
  virtual void grid_cell_set(Handle w, int id, int row, int column, Text text) = 0;
  virtual void grid_row_delete(Handle w, int id, int row) = 0;
  virtual int grid_rows(Handle w, int id) const = 0;
  // Progress bars: range from 0 to range, position in it.
  virtual void progress_set(Handle w, int id, int range, int position) = 0;

  // --- menus ---
  virtual Handle menu_create(bool popup) = 0;
  virtual void menu_add_item(Handle menu, int id, Text caption) = 0;
  virtual void menu_add_submenu(Handle menu, Handle submenu, Text caption) = 0;
  virtual void menu_destroy(Handle menu) = 0;
  // Shows a pop-up menu at the pointer and waits: the chosen item, 0 for none.
  virtual int menu_track(Handle owner, Handle menu) = 0;

  // --- dialogs (modal, answered before they return) ---
  virtual BoxAnswer message_box(Handle owner, Text caption, Text text, BoxButtons buttons,
                                BoxIcon icon) = 0;
  // The captions the next boxes' buttons take (a backend without captions
  // of its own may ignore them).
  virtual void box_labels_set(const BoxLabels&) {}
  // filters: a comma list of description and mask pairs; the chosen path
  // (arena), or an empty text when the user cancelled.
  virtual Text file_dialog(Handle owner, bool save, Text filters, Text offered_name) = 0;

  // --- timers and the queue ---
  virtual void timer_start(Handle w, int id, int milliseconds) = 0;
  virtual void timer_stop(Handle w, int id) = 0;
  virtual void post(Handle w, uint32_t message, int32_t param) = 0;
  virtual void post_quit() = 0;
  // Drops what is queued (before a box shown with no window open).
  virtual void discard_pending() = 0;
  // The next event. With wait, blocks (using no processor time) until one
  // comes; without, answers false at once when there is none.
  virtual bool next_event(Event* out, bool wait) = 0;

  // --- scripted input (tests and unattended runs) ---
  // Steps are taken whenever the runtime waits for input, and by message
  // boxes and file dialogs for their answers.
  virtual void script_set(std::vector<ScriptStep> steps) = 0;
  virtual bool script_done() const = 0;
};

// The backend chosen by the environment: APP_UI=qt or APP_UI=headless; when
// unset, Qt when a display is available (DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM set), else headless. APP_UI_SCRIPT names a script file of
// input steps for either backend. Qt comes from its module (ui/backend.h),
// opened only here; null when APP_UI=qt asked for it and the module cannot
// be loaded (a display alone then gives the headless backend). Either
// failure is said on standard error with the module's path.
std::unique_ptr<Toolkit> toolkit_from_environment();

}  // namespace ui::platform
