// Scripted input: what a user would do, one step a line, for tests and for
// unattended runs. Both backends take the same steps, so a script gives the
// same results on either (see README.md, "Scripted input").
//
//   # a remark                   blank lines and remarks are skipped
//   type TEXT                    types TEXT (UTF-8) into the focused control
//   key NAME                     Enter, Tab, Esc, F1..F12, Up, Down, Left, Right,
//                                PageUp, PageDown, Home, End, Backspace, Delete, Insert,
//                                Space, Oem, each with Shift+ and/or Ctrl+
//   press CAPTION | #ID          clicks a button of the top window
//   click LABEL | #ID            puts the focus in a control (LABEL: the edit
//                                that follows that label)
//   select N                     selects item N (from 1) of the focused list,
//                                combo box or grid (its row N)
//   activate                     double-clicks the focused list (or grid)
//   menu CAPTION | #ID           chooses a menu item (bar or pop-up)
//   close                        the close button of the top window
//   answer Ok|Cancel|Retry|Yes|No|Close   answers the next message box
//   file PATH                    answers the next file dialog (no PATH: cancel)
//   shot PATH                    a picture of the top window (PNG, or text),
//                                with an open message box in it
//   show                         writes the top window (or the open message
//                                box) to the transcript
//   wait [MS]                    one round of the runtime without input; with a
//                                number of milliseconds, that long (timers fire,
//                                serial ports are read)
#pragma once

#include <string>
#include <vector>

namespace ui::platform {

enum class StepOp : unsigned char {
  Type, Key, Press, Click, Select, Activate, Menu, Close, Answer, File, Shot, Show, Wait
};

struct ScriptStep {
  StepOp op = StepOp::Wait;
  std::string arg;     // the rest of the line (UTF-8), as written
  int key = 0;         // Key: the virtual key
  bool shift = false;  // Key: with Shift
  bool ctrl = false;   // Key: with Ctrl
  int number = 0;      // Select: the item; Wait: milliseconds; #ID forms: the identifier (else 0)
  int line = 0;        // line in the script, for messages
};

// Parses a script. False with *error ("line 3: unknown step 'foo'") on the
// first bad line; steps read before it are left in *out.
bool script_parse(const std::string& text, std::vector<ScriptStep>* out, std::string* error);
// Reads and parses a script file.
bool script_load(const std::string& path, std::vector<ScriptStep>* out, std::string* error);
// A step that only looks (show, shot): an open message box lets it through
// and stays open for the next step.
inline bool step_looks(const ScriptStep& step) { return step.op == StepOp::Shot || step.op == StepOp::Show; }
// The key name of a step's key (for transcripts): "Shift+Tab".
std::string script_key_name(int key, bool shift, bool ctrl);

// --- what a step names ----------------------------------------------------------
// Both backends find the control or menu item a step names by these rules,
// so that a script passes or fails on both alike.

// A caption as a step names it: without the "&" that marks a mnemonic,
// trimmed, and compared without regard to case (accented letters too).
// Both texts in UTF-8.
bool script_caption_matches(const std::string& caption, const std::string& wanted);

// A control of the top window as a step sees it.
struct ScriptControl {
  int id = 0;
  bool label = false;    // a static text
  bool button = false;
  bool usable = false;   // shown and enabled
  int x = 0, y = 0, h = 0;  // the top-left corner and the height, in any one unit
  std::string caption;   // UTF-8
};
// The control a click step names: #ID, when that control is usable; else
// the first usable control (not a label) to the right of a label of that
// caption on its row; else a usable button of that caption. 0 when none.
int script_control_target(const std::vector<ScriptControl>& controls, const ScriptStep& step);
// The button a press step names: a usable button with that identifier or
// caption. 0 when none.
int script_button_target(const std::vector<ScriptControl>& controls, const ScriptStep& step);
// What a transcript or an error says of a step that names nothing.
std::string script_no_target(const ScriptStep& step);

}  // namespace ui::platform
