// A maintenance window while it runs: shared by its opening, its fields,
// its actions and its closing.
#pragma once

#include <string>
#include <vector>

#include "ui/maint.h"
#include "ui/screens.h"

namespace ui::internal {

// The data field a screen field shows; file 0 for a plain screen variable.
struct FieldBinding {
  uint16_t file = 0;
  uint16_t field = 0;
};

struct MantWindow {
  MantArgs args;
  Handle window = kNone;
  int screen = -1;
  int screen_window = -1;
  uint16_t file = 0;          // the data file; 0 for a window without one
  int mode = kModeSearch;
  int voidmode = 0;           // VOIDMODE%: bits taken out of every word
  int set = 1;                // the button set shown
  int screen_columns = 0;     // the screen's own width (the labels' choice)
  bool has_bounds = false;    // BOUNDS$: the index button shows no number
  bool section_pushed = false;
  bool set_applied = false;   // an open-file set to drop with RESTORE
  bool closed = false;
  int16_t previous_file = 0;  // the current file (_CURFIL) before the window
  std::string title;          // 0022 (and WINNAME$)
  std::string text;           // the window's text in the status line
  std::vector<FieldBinding> bind;
  std::vector<std::string> masks;
  std::vector<std::string> shown;  // each field's text at the last refresh
  // Date fields that show a day their record does not hold (an empty date
  // is shown as today): saved with the record as if typed.
  std::vector<bool> implied;
  std::vector<bool> noedit;        // NOEDIT$ fields never take input
};

// What a record or document window's action handler answers.
inline constexpr int kDone = 1;         // handled: the round ends
inline constexpr int kPassOn = 2;       // to the window's defaults
inline constexpr int kCloseResult = 4;
inline constexpr int kLeaveEnds = 8;    // the window ends

// Refresh codes: 230 after a move that loaded a record (the fields and the
// focus), 1 the fields' values only.
inline constexpr int kRefreshMoved = 230;
inline constexpr int kRefreshValues = 1;

// --- fields (maint_fields.cpp) --------------------------------------------------------
void fields_bind(MantWindow* m);
// Every bound field from the current record buffer.
void fields_refresh(MantWindow* m, int code);
// The fields the user changed, typed back into the current buffer. 0 or
// the value's code (recorded, the field named in the detail).
[[nodiscard]] Status fields_store(MantWindow* m);
// True when some field's text differs from what the window showed.
bool fields_typed(MantWindow* m);
// True when the user typed into a key field of the key.
bool key_typed(MantWindow* m, int key);
// The key value typed into the key fields of a key, blanks trimmed at the
// right; *any tells whether any key field holds text.
std::string typed_key(MantWindow* m, int key, bool* any);
// The fields that take input in the window's mode: in mode 2 the key
// fields of the index in use, above it every field of the window's file
// and every plain variable except those of NOEDIT$, in modes 0 and 1 none.
void fields_enable(MantWindow* m);
// Focus on the first field that takes input from the screen's first field.
void fields_focus_first(MantWindow* m);

// --- the window (maint_open.cpp) --------------------------------------------------------
// What an opening that fails leaves behind is undone.
void undo_opening(MantWindow* m);
// The opening of a window over a screen and its data file: the argument,
// the screen with its section pushed, the file (the current file of the
// window's expressions), the open-file set, the relational update and
// PERFORM$. What it did is undone when it fails.
Status window_prepare(MantWindow* m, Text argument, int default_flags);
// The screen's size: the argument's, else SCREENSIZE$, else what its
// labels and fields reach.
void screen_size(const MantWindow& m, const Screen& screen, int* columns, int* rows);
// The buttons of a set in a row (column and width in cells), then the
// cancel/index button.
struct ButtonPlace {
  int id;
  int column;
  int width;
  std::string label;
};
std::vector<ButtonPlace> button_row(int set, int screen_columns);
// The text a screen field shows for a stored value: through its mask, else
// by its type letter. An arena text.
Text field_display(const ScreenField& field, Text mask, Text stored);

// The status line, the index button and the buttons' states for the mode,
// and the fields enabled to suit it.
void status_show(MantWindow* m);
// Closes the window: the relational update reset, the open-file set
// dropped with RESTORE, the screen file removed with flag 8, the lookup's
// answer kept, the screen window and frame released.
void mant_close(MantWindow* m);
// The index in use of the window's file (1 without a file).
int index_in_use(const MantWindow* m);
// A process by name through the runner the shell installed.
Status process_by_name(Text name);

// --- actions (maint_actions.cpp, maint_record.cpp) ---------------------------------------
int mant_action(void* data, int action);
int mant_defaults(void* data, int screen_type, int field, int action);
// The guarded record operation: DEL asked first (CANCELLED on no), a
// changed key 1 put back (message 0024), the operation, its status shown
// (0023 or the error), the fields refreshed below 128.
Status record_op(MantWindow* m, int word);
// The buffer made ready for a word: in the search modes the record as read
// (with the typed key for the find words), when editing the typed fields.
Status record_prepare(MantWindow* m, int word);
// The next index of the file (after the last, index 1), in mode 2.
void next_index(MantWindow* m);
// Find by the key typed for the index in use; an empty key is the next index.
int find_by_key(MantWindow* m);

}  // namespace ui::internal
