// The window framework: the stack of open top-level windows, frames sized in
// character cells of the screen font, the message loops, key codes and the
// two key maps, and the actions that keys, commands and window events become.
//
// Every window of the runtime (menu, forms, maintenance and document
// windows, grids, dialogs, progress) is made here and talks to the toolkit
// only through ui/platform. One UiContext holds the state of the window
// layer of one runtime; it installs the layer's hooks into the lower layers
// (the variable hook, message boxes, the procedure pump) and removes them
// when it goes.
#pragma once

#include <cstdint>
#include <memory>

#include "core/status.h"
#include "core/text.h"
#include "ui/platform/platform.h"

namespace ui {

using core::Status;
using core::Text;
using core::operator""_t;
using platform::Handle;
using platform::kNone;

namespace internal {
struct UiState;
}

// Owns the window layer of one runtime. Needs a current core::CoreContext
// and script::ScriptContext (and must go before them). The toolkit may be
// null: platform::toolkit_from_environment() is then used.
class UiContext {
 public:
  explicit UiContext(std::unique_ptr<platform::Toolkit> toolkit = nullptr);
  ~UiContext();
  UiContext(const UiContext&) = delete;
  UiContext& operator=(const UiContext&) = delete;
  // 0, or SCREENENV when no toolkit could be had.
  Status status() const { return status_; }

 private:
  std::unique_ptr<internal::UiState> state_;
  internal::UiState* previous_ = nullptr;
  Status status_ = 0;
};

// The current context's toolkit (null without a context).
platform::Toolkit* toolkit();

// --- the window stack -----------------------------------------------------------
inline constexpr int kMaxWindows = 32;
inline constexpr int16_t kNoScreenWindow = -1;

// Puts a window on top with a value (the screen window it serves, or -1);
// a window already in the stack moves to the top and takes the new value.
// kNone when all 32 slots are used.
Handle window_register(Handle window, int16_t value);
// Removes a window; the window below becomes enabled and gets the focus.
// True when no window is left (quit is then posted).
bool window_unregister(Handle window);
Handle window_top();
int16_t window_value(Handle window);    // -1 when not in the stack
void window_value_set(Handle window, int16_t value);
int window_count();

// --- window procedures ----------------------------------------------------------
// What a window does with its events. The framework's screen-window
// procedure (below) serves every window bound to a screen window.
class WindowProc {
 public:
  virtual ~WindowProc() = default;
  virtual void on_event(Handle window, const platform::Event& event) = 0;
};
// The procedure of screen windows: keys through the key map, commands,
// focus, the close button and the application messages become actions.
WindowProc* screen_window_proc();

// --- frames ------------------------------------------------------------------------
enum FrameKind : int {
  kFrameApp = 0,
  kFrameLnMant = 1,
  kFrameMant = 2,
  kFrameMantDlg = 3,
  kFrameGrid = 4,
  kFrameDialog = 5,
  kFrameDevSel = 6,
  kFrameProgress = 7,
  kFrameAppMain = 8,
  kFrameAppModalMenu = 9,
  kFrameAppModal = 10,
};
inline constexpr int kFrameKinds = 11;
// ",LnMant,Mant,MantDlg,Grid,Dialog,DevSel,Progress": field kind + 1; an
// empty field (and every kind from 8) is the application name.
extern const Text kFrameClassList;
inline constexpr uint32_t kStyleMain = 0x00CA0000;        // caption, system menu, minimise box
inline constexpr uint32_t kStyleModalMenu = 0x80C80080;   // modal pop-up, caption, system menu
inline constexpr uint32_t kStyleModal = 0x80C00080;       // modal pop-up with caption

// Placement flags.
inline constexpr int kPlaceFocusRelative = 0x40;
// Pixels a new window is moved right and down from the top window (and
// from the centre in RUN mode).
inline constexpr int kCascadeX = 100;
inline constexpr int kCascadeY = 60;
// Bit of status word 21 set while a RUN process runs without the menu.
inline constexpr int16_t kScrStatRun = 8;

// The class name and style of a frame kind; NOVALUE for a kind above 10.
Status frame_style(int kind, Text* class_name, uint32_t* style);

// Creates and registers a window of columns x rows cells of the screen font
// (plus the current screen margins). Modal styles disable the window below.
// 0 and *out; NOVALUE for a bad kind; NOGRAPHICS when the frame does not fit
// the screen (the text of error 185 is then the pending message); SCREENENV
// when the toolkit refused it; OUTOFMEMORY when the stack is full.
[[nodiscard]] Status window_create(int kind, int placement, Text title, Handle menu, int columns,
                                   int rows, WindowProc* proc, Handle* out);
// The same with the client size in pixels.
[[nodiscard]] Status window_create_pixels(int kind, int placement, Text title, Handle menu,
                                          platform::Size client, WindowProc* proc, Handle* out);
// Destroys a window made here: unregisters it and lets the toolkit go of it.
void window_destroy(Handle window);
// x 0 centres on the screen; x -1 keeps the position but brings the window
// back inside the screen; columns -1 keeps the current size.
void window_place(Handle window, int x, int y, int columns, int rows);
void window_title_set(Handle window, Text title);
// Sets a control's text in the top window.
void control_text_top(int id, Text text);
// Fills the client area grey and writes the text white, centred.
void paint_centred_text(Handle window, Text text);

// Screen margins in cells (left, top, right, bottom), added to every frame
// made while they are set; closing a screen window resets them.
struct CellMargins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
void screen_margins_set(CellMargins margins);
CellMargins screen_margins();
// The pixel rectangle of a cell span in a window with the current margins:
// row and column from 1, width in columns.
platform::Rect cell_rect(int row, int column, int columns, int rows = 1);

// --- the screen font ------------------------------------------------------------------
// The font list "QVFONT.PPN": one font a line, "height;width;style;face",
// the style holding BOLD for a bold face; the first line is the active font.
inline constexpr const char* kFontFile = "QVFONT.PPN";
platform::FontSpec font_parse(Text line);
// How the font choice names a font: "face, height px[, Bold]", with the
// width after the height when one is asked for ("20 x 11 px").
std::string font_caption(const platform::FontSpec& spec);
// Loads the first line of the font list (found in the definition folders)
// and makes it the screen font; a missing file keeps the built-in font.
[[nodiscard]] Status font_load();
platform::CellSize font_cell();
platform::FontSpec font_current();
// Uses another font for a while (the selection window's smaller buttons);
// font_restore goes back to the screen font.
void font_use(const platform::FontSpec& spec);
void font_restore();

// --- loops -----------------------------------------------------------------------------
// Hands one event to its window's procedure.
void dispatch(const platform::Event& event);
// Until quit: waits for events (using no processor time) and dispatches them.
void main_loop();
// Until the window is no longer the top one; then what is left is handled.
void modal_loop(Handle window);
// The next key press as a runtime key code; other events are dispatched.
// -1 when the application quits first.
int key_loop();
// Handles what is queued without waiting.
void pump();
bool quit_requested();
void quit_reset();  // a new main loop after a quit (tests, a second run)

// --- timers ------------------------------------------------------------------------------
// Runs handler(id) every `milliseconds`, from the loops, until the timer is
// stopped or its window goes.
using TimerHandler = void (*)(int id);
void timer_start(Handle window, int id, int milliseconds, TimerHandler handler);
void timer_stop(Handle window, int id);

// --- keys ----------------------------------------------------------------------------------
// Runtime key codes.
enum KeyCode : int {
  kKeyEnter = 0,
  kKeyEsc = 3,
  kKeyOther = 4,
  kKeyOem = 6,
  kKeyShiftTab = 8,
  kKeyTab = 9,
  kKeyF1 = 11,
  kKeyF11 = 21,
  kKeyUp = 22,
  kKeyPageUp = 23,
  kKeyDown = 28,
  kKeyPageDown = 29,
  kKeyCtrlEnd = 32,
};
inline constexpr int kKeyCodes = 33;
// A key press (virtual key, with the Shift and Ctrl states tracked from the
// key events seen) as a runtime key code; also stored in status word 11.
int key_code(int virtual_key);
void key_modifiers_track(const platform::Event& event);
void key_modifiers_reset();

// --- actions ----------------------------------------------------------------------------------
// An action word: the action code in the low byte, a parameter in the high.
constexpr int action_word(int action, int param) { return (action & 0xFF) | (param << 8); }
constexpr int action_code(int word) { return word & 0xFF; }
constexpr int action_param(int word) { return (word >> 8) & 0xFF; }

enum ActionCode : int {
  kActNextField = 1,
  kActPrevField = 2,
  kActExtraCommand = 15,
  kActMenuItem = 16,
  kActCloseRequest = 17,
  kActAppMessage2 = 18,
  kActHelp = 19,
  kActFieldWindow = 20,
  kActEscape = 21,
  kActCtrlEnd = 22,
  kActAppMessage = 23,
  kActKeyboardLine = 24,
  kActButton = 25,
  kActNextIndex = 27,
  kActClose = 28,
  kActCloseWindow = 29,
  kActRefused = 30,
  kActDown = 31,
  kActUp = 32,
  kActLinesBegin = 35,  // a document window enters the lines of a new document
  kActTotals = 36,
  kActNextLine = 37,
  kActFieldEntered = 38,
  kActFindKey = 41,   // a document window reads its document again by the key
  kActSave = 42,
  kActGridCommand = 43,
  kActDialogCommand = 44,
  kActControlFocus = 91,
  kActControlLeave = 92,
  kActBindWindow = 95,
};
inline constexpr int kActionEnd = -1;
// Parameters of the action-button action.
inline constexpr int kButtonConfirm = 100;
inline constexpr int kButtonCancel = 101;
// "NEW,TOP,PRV,RLD,NXT,BOT,FND,SVE,INS,DEL,LST,NLS,BLS,IMP,MDE,DDE,PRN".
extern const Text kButtonActionList;

// Control identifiers.
inline constexpr int kIdMenuFirst = 1500;
inline constexpr int kIdMenuLast = 1699;
inline constexpr int kIdExtraFirst = 1700;
inline constexpr int kIdExtraLast = 1949;
inline constexpr int kIdFieldBase = 2000;      // field n is 2000 + n - 1
inline constexpr int kIdButtonBase = 3000;     // action button c is 3000 + c
inline constexpr int kIdButtonLast = 3020;
inline constexpr int kIdConfirm = 3100;
inline constexpr int kIdCancel = 3101;
inline constexpr int kIdListFirst = 3350;
inline constexpr int kIdListLast = 3499;
inline constexpr int kIdGridFirst = 3600;
inline constexpr int kIdGridLast = 3649;
inline constexpr int kIdDialogFirst = 3650;
inline constexpr int kIdLabelBase = 4000;      // 4000 + row * columns + column

// Application messages.
inline constexpr uint32_t kMsgFieldAction = 0x88E0;
inline constexpr uint32_t kMsgRefresh = 0x88E1;

// The action of a key code under the key map of status word 29 (0 none).
int key_action(int key_code);
int key_action_in_map(int map, int key_code);
// The action of a control identifier (0 none).
int command_action(int id);

// Runs an action on the screen window the window serves (or the current
// one): see screens.h for action sets and the rounds. Results of 122 and
// more are shown and returned.
int action_perform(Handle window, int action);

// --- scrolling -----------------------------------------------------------------------------------
// The vertical scroll position after a scroll code, kept inside 0..range.
int scroll_position(int code, int position, int range, int thumb);

}  // namespace ui
