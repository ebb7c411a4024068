// The shared dialogs of the window layer: the standard message boxes, the
// selection window, the progress window and the file dialogs.
#pragma once

#include <cstdint>

#include "core/errors.h"
#include "core/status.h"
#include "core/text.h"
#include "ui/windows.h"

namespace ui {

// --- message boxes ------------------------------------------------------------------
// Kinds: 0 OK information, 1 OK warning, 2 OK and Cancel, 3 OK error,
// 4 Retry and Cancel, 5 Yes and No, 6 Yes, No and Cancel. An empty title
// takes the kind's default caption (messages 0014, 0012, 0013).
enum BoxKind : int {
  kBoxInfo = 0,
  kBoxWarning = 1,
  kBoxOkCancel = 2,
  kBoxError = 3,
  kBoxRetryCancel = 4,
  kBoxYesNo = 5,
  kBoxYesNoCancel = 6,
};
inline constexpr int kAnswerOther = 3;
// The answer: the first letter of item 1 of message 0011 ("S") for OK, Yes
// and Retry, of item 2 ("N") for No, kAnswerOther for anything else.
int message_box(Text text, Text title, int kind);
void info_box(Text title, Text text);
// The captions of the boxes' buttons in the current language: Yes and No
// are the logical display words of the number formats (message 0019) in
// title case, Cancel is message 0020; OK reads the same in every language
// the runtime has, and Retry has no text of the catalogue (the toolkit's).
platform::BoxLabels box_labels();
// A yes/no question (kind 5): true when answered yes.
bool ask(Text question, Text title = Text{});

// --- help topics ------------------------------------------------------------------
// Shows a help topic, "file,topic": the file (empty: the application's
// "%sHELP.HLP", or that name with the language suffix) from the definition
// or help folder; the topic's first line is the title, the others the text
// of an information box. FILENOTFOUND for a missing file or topic.
[[nodiscard]] Status help_topic(Text file_and_topic);
// F1 in a form or a maintenance window: the help function the application
// registered (process function 22), else the help topic made of the current
// section's HELP$ key, "," and the field number.
[[nodiscard]] Status field_help(int field);
// A help file (typed as a definition file of `type`) in the definition
// folders, then in the help folder (slot 7 of group 0); empty when missing.
Text help_file_find(Text name, uint16_t type);

// --- selection window ----------------------------------------------------------------
inline constexpr int kSelectOwnWindow = 1;
inline constexpr int kSelectListBox = 2;
inline constexpr int kIdSelectionList = 3350;
// Offers the items of a comma list (quotes removed) as buttons, or with
// kSelectListBox in a list box, and waits for a choice. The 1-based item
// chosen (also in status word 10), 0 for none; -1 when the window could not
// be made (the error is recorded).
int selection_run(Text title, Text list, int flags);
// The button form's layout: how many rows of buttons in a column and the
// window's width in columns, for n items of the longest length, so that
// buttons of two text heights fit a screen of screen_rows text heights.
void selection_button_layout(int items, int longest, int screen_rows, int* rows, int* columns);

// --- font choice ------------------------------------------------------------------------
// The FontSet process: offers the lines of the font list, moves the chosen
// one to the front, writes the list back (lines ended by CR LF) and makes it
// the screen font. 0 also when nothing was chosen; FILENOTFOUND without a
// font list.
[[nodiscard]] Status font_choose();

// --- progress window ----------------------------------------------------------------------
inline constexpr int kProgressDefaultWidth = 400;
inline constexpr int kIdProgressBar = 1100;
inline constexpr int kIdProgressCancel = 1110;
inline constexpr int kProgressCyclicTotal = 200;
inline constexpr int kProgressMaxRange = 0xFFFF;
inline constexpr int kProgressTickMs = 32;

// Width 0 or -1 is 400 pixels; nothing happens when a window is open.
void progress_open(int width, int64_t total, bool text_mode);
// Advances by count steps (opening the window when needed); pumps the
// queue; CANCELLED when the user asked to stop, else 0.
[[nodiscard]] Status progress_step(int64_t count);
// Shows a text (opening a text-mode window when none is open).
[[nodiscard]] Status progress_text(Text text);
// Pumps the queue; mode 0 restarts the interval clock, mode 2 advances the
// bar by one step at most every 32 ms. CANCELLED or 0.
[[nodiscard]] Status progress_tick(int mode);
void progress_close();
// The procedure run loop's cancel hook (a PumpHook): pumps the queue at most
// every 32 ms and answers whether the user cancelled the progress window.
bool procedures_pump();
// The boxes of the lower layers (a core BoxHook): a warning with OK, an
// error with OK, a question with Yes and No, anything else as information.
void lower_layer_box(Text caption, Text text, core::BoxIcon icon);
// For tests and callers that show more: the bar's state.
struct ProgressInfo {
  bool open = false;
  int range = 0;
  int position = 0;
  int64_t divisor = 1;
  bool cyclic = false;
  bool cancelled = false;
};
ProgressInfo progress_info();

// --- file dialogs ---------------------------------------------------------------------------
inline constexpr int kFilePrefix = 0x40;         // offered name begins with the application's two letters
inline constexpr int kFileRestoreFolder = 0x80;  // the current folder is put back afterwards
// The filter list of a file type (1 to 8, 10): description and mask pairs.
Text file_filter(int type);
// The name offered for a file type under the flags.
Text file_offered_name(int type_and_flags);
// The chosen path, or an empty text when the user cancelled.
Text file_dialog(bool save, int type_and_flags);

}  // namespace ui
