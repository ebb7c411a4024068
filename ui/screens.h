// Screens and screen windows.
//
// A screen is one loaded screen definition: its size and margins, its labels
// and fields, and the parameter section it was read with. A screen window is
// one running instance showing a screen: its window, the current field, the
// field texts, the mode, flags and its action set. Several screen windows may
// share a screen, which counts its users and goes when the last one closes.
// Screen windows open and close in stack order; the newest is current.
//
// The fields of the current screen window are also variables: the names of
// the screen's FD$ list (with the _SCRF%s$ and _SCRF%s# names forms give
// their other fields) read and write the field texts through the variable
// hook that the UiContext installs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "ui/windows.h"

namespace ui {

struct ScreenLabel {
  int row = 1;
  int column = 1;
  std::string text;
};

struct ScreenField {
  int row = 1;
  int column = 1;
  int extra1 = 0;         // the two further numbers of a screen file line
  int extra2 = 0;
  int width = 1;          // characters
  int shown = 0;          // characters shown when fewer than the width fit (0: as the width)
  char type = 'A';        // type letter (P stays P: hidden characters, stored as A)
  std::string variable;   // the name the field is bound to
  bool read_only = false;
};

// A run of fields (from 1) that a field move wraps round in.
struct FieldGroup {
  int first = 1;
  int last = 1;
};

struct Screen {
  std::string file;       // the definition it came from, with its section
  int section = 0;
  int columns = 0;
  int rows = 0;
  CellMargins margins;
  std::string params;     // the screen's parameter section text
  int keymap = 0;
  int begin_field = 1;
  int autondx = 0;
  int unicndx = 0;
  int relopt = 0;
  std::vector<ScreenLabel> labels;
  std::vector<ScreenField> fields;
  std::vector<FieldGroup> groups;
  std::vector<std::string> directives;  // "<?>" labels at row 1, column 1
  int users = 0;
};

// The action set of a screen window. first(action) answers a result: 0 or 2
// call second(screen type, current field, action) for the next action, any
// other result below 122 ends the round, 122 and more are errors. third
// gets the low byte of the action that ended a form and answers its result.
using ActionFirst = int (*)(void* data, int action);
using ActionSecond = int (*)(void* data, int screen_type, int field, int action);
using ActionThird = int (*)(void* data, int ending_action);
struct ActionSet {
  ActionFirst first = nullptr;
  ActionSecond second = nullptr;
  ActionThird third = nullptr;
  void* data = nullptr;
};

inline constexpr uint32_t kSwFlagNoActions = 0x80;  // the window supplies no actions of its own
inline constexpr int kEndOfFields = 64;             // a move past the last field
inline constexpr int16_t kScrStatWrapped = 16;      // status word 21: a move wrapped in a group
inline constexpr int16_t kScrStatAutoImport = 32;   // status word 21: the document window's automatic import has run

struct ScreenWindow {
  int screen = -1;
  Handle window = kNone;
  int current_field = 1;
  int mode = 0;
  int type = 0;           // the screen type handed to the second-stage function
  uint32_t flags = 0;
  ActionSet actions;
  std::vector<std::string> texts;    // field texts (the first buffer)
  std::vector<std::string> texts2;   // the second buffer
  int previous = -1;                 // the screen window current before this one
  std::string scanner;               // the port text of the scanner it asked for
};

// --- screens ---------------------------------------------------------------------------
// Adds a screen built in memory (forms, generated screens) with no users.
int screen_add(Screen screen);
Screen* screen_get(int index);
// Drops a screen that no screen window uses (one whose window could not be made).
void screen_drop(int index);
// Reads a screen: its parameters from the PPN section of the file and its
// labels and fields from the same section of the PAN file. 0 and *index;
// FILENOTFOUND for a missing PAN file unless allowed.
[[nodiscard]] Status screen_load(Text file, int section, bool allow_missing_pan, int* index);
// One content line of a screen file: 0 label, 1 field. BADDATA for a line
// that is neither (or too short for a field).
[[nodiscard]] Status screen_parse_line(Text line, Screen* screen);
// Applies a parameter section to a screen: SCREENSIZE$, KEYMAP%, BEGINFLD%,
// AUTONDX%, UNICNDX%, RELOPT% and the FD$ names of its fields.
void screen_apply_params(Screen* screen, Text params);

// --- screen windows -------------------------------------------------------------------
// Opens a screen window on a screen for a window (which is bound to it):
// the screen gains a user, the screen window becomes current, status word 29
// takes the screen's key map. The screen window's index.
int screen_window_open(int screen, Handle window, uint32_t flags);
// Releases the buffers, makes the previous screen window current, drops a
// user of the screen (releasing it at none) and resets the screen margins.
void screen_window_close(int index);
ScreenWindow* screen_window_get(int index);
int screen_window_current();              // -1 when none
ScreenWindow* screen_window_current_get();
void screen_window_make_current(int index);
// What the close request counts.
int screen_count();
int screen_window_count();

// Sets the action set of the current screen window; NOVALUE when it has the
// flag kSwFlagNoActions (or there is none).
[[nodiscard]] Status action_set_install(const ActionSet& set);

// Creates the labels (static controls 4000 + row x columns + column) and the
// edit controls (2000 + field - 1) of a screen window's screen in its
// window, and shows the field texts. SCREENENV when the toolkit refuses one.
[[nodiscard]] Status screen_controls_create(int screen_window);
// Numeric types (right aligned): N, L and the digits 1 to 9.
bool field_is_numeric(char type);
// Characters shown: dates at most 8; with bit 64 of status word 20 a digit
// type grows by its decimals and one.
int field_display_width(const ScreenField& field);

// --- fields of the current screen window ---------------------------------------------------
int field_count();
// The edited text of field n (from 1): the control's text when the window
// shows it, else the buffer. An arena copy; NOVALUE for a bad field.
Text field_value(int field);
Text field_value2(int field);
// Puts text into field n (buffer and control).
[[nodiscard]] Status field_set(int field, Text text);
// Makes field n current: focus on its control. BADDATA when it is
// read-only or out of range.
[[nodiscard]] Status field_make_current(int field);
// Whether field n's text is a value its type can take: a date field holds
// a blank or a real day in one of the forms a typed date is read in.
bool field_text_valid(int field);
// Refuses field n's text: the message of code 126 ("Datos incorrectos") is
// shown and the field is current again, its text selected for correcting.
// Answers BADDATA.
Status field_refuse(int field);
// The first field whose text is not valid, refused; 0 when all are.
Status fields_check();
// The default moves: actions 1 and 31 forward, 2 and 32 back. Within a
// field group the move wraps and sets bit 16 of status word 21; past the
// last field it answers kEndOfFields; before the first it stays. A field
// whose text is not valid is not left: it is refused and the move answers 0.
int field_move(int action);
// Field numbers (from 1) of the fields bound to the names of a comma list;
// names that match no field are skipped.
std::vector<int> fields_of(Text names);

// --- the bar-code scanner ----------------------------------------------------------------
inline constexpr int kScanKeyboardLine = -1;   // a reading from the keyboard line
inline constexpr int kScanMaxChars = 20;
// Starts the scanner of the current screen window's screen, when the
// expression CHKSCAN is not 0 and the screen's SCANDEF$ holds a port text:
// the scanner port open before is closed first. The scanner stops when the
// screen window closes (the one below gets its own back). A port that does
// not open is shown as an error and the screen goes on without it.
void scanner_screen_open(int screen_window);
// A reading for the current field: from the port of a slot, or the
// keyboard line pending in group 30 (kScanKeyboardLine). A reading of 1 to
// 20 characters (its line end left off) goes into _SCAN$; then, when the
// current field has a SCANSET$ item, the field's SCANWIN$ item is evaluated:
// 1 empties the field and opens its window (message kMsgRefresh); otherwise
// SCANSET$'s value fills the field and the field is confirmed, as by Enter.
// A longer reading is dropped. 0 or the code (from 122) of what it ran.
int scanner_input(int slot);

// The variable hook over the fields of the current screen window: action 1
// reads (2 the second buffer), 5 writes; NOVALUE when no field is bound to
// the name.
Text screen_field_hook(Text name, int action, Text value);

}  // namespace ui
