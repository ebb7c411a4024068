// Maintenance windows: one record of a keyed data file shown in a screen of
// fields, with a row of action buttons to create, browse, find, change and
// delete records (the MantMain process, and the lookup windows a field
// opens). Every record operation goes to the record operation layer
// (data/recop.h) as an operation word; this module decides which word an
// action means, when it is allowed, what the user is asked and told, and
// how the window's mode changes.
//
// The argument of a window is a comma list:
//   1 the screen's parameter file (its PPN section, and the PAN section of
//     the same number, give its keys, labels and fields)
//   2 the section (1 when empty)
//   3, 4 columns and rows (the screen's SCREENSIZE$ when empty)
//   5 the data file (name or number); else the last item of OPEN$
//   7 the flags (0x56 for a process, 0x66 for a lookup window), decimal or
//     "0x" hexadecimal
//
// The screen's keys: FD$ binds the fields, in order, to data fields, as
// FIELD{FILE} or a bare field name of the window's data file (other names
// are plain screen variables); OPEN$ is the window's open-file set, whose
// item ";2" for the window's file opens it for new records (mode 8);
// TYPES$ holds the fields' display masks, a comma list in field order (a
// mask with a comma in quotes; an empty item shows the field by its type);
// WINDOWS$ the fields' windows, a comma list in field order, each a
// process name optionally followed by ";" and a condition; WINNAME$ the
// window's own text; PERFORM$ an expression run as the window opens;
// VOIDMODE% bits taken out of every operation word; RELOPT%, IK$(1), SET$
// and SAVED$ the texts of the record operations; HELP$ the help topics.
//
// Fields are shown through the value formats of their screen type letter
// (or their mask) and typed back through them into the record buffer at
// the data field's width; only fields the user changed are written back.
#pragma once

#include <cstdint>
#include <string>

#include "core/status.h"
#include "core/text.h"
#include "ui/windows.h"

namespace ui {

// --- flags of a window (field 7 of its argument) ---------------------------------------
inline constexpr int kMantTitleAndRead = 0x04;  // title item 1 of 0022; the first record is read
inline constexpr int kMantRemoveScreen = 0x08;  // the screen file (PAN) goes when the window closes
inline constexpr int kMantOpenSet = 0x10;       // OPEN$ applied as an open-file set, RESTORE on close
inline constexpr int kMantShowAtOnce = 0x20;    // starts in mode 3 with the fields refreshed
inline constexpr int kMantBelowField = 0x40;    // placed below the focused control
inline constexpr int kMantProcessFlags = 0x56;
inline constexpr int kMantLookupFlags = 0x66;

// --- modes (items of message 0027) ----------------------------------------------------
enum MantMode : int {
  kModeHeader = 0,
  kModeDocType = 1,
  kModeSearch = 2,     // a key is typed; PgUp and PgDn browse
  kModeEdit = 3,       // a record is shown
  kModeLines = 4,
  kModeSummary = 5,
  kModeSaved = 6,
  kModeNew = 8,        // a new record is typed
  kModeInsert = 9,
  kModeMaintenance = 10,
};
// Action codes: positions in the action list (windows.h, kButtonActionList).
enum ButtonAction : int {
  kBtnNew = 1, kBtnTop, kBtnPrv, kBtnRld, kBtnNxt, kBtnBot, kBtnFnd, kBtnSve, kBtnIns, kBtnDel,
  kBtnLst, kBtnNls, kBtnBls, kBtnImp, kBtnMde, kBtnDde, kBtnPrn,
};
// The status control of a window and its cancel/index button.
inline constexpr int kIdStatusLine = 1481;
inline constexpr int kIdIndexButton = kIdCancel;
// The answer of a window whose operation is allowed.
inline constexpr int kOperationAllowed = 124;

struct MantArgs {
  std::string screen;
  int section = 1;
  int columns = 0;
  int rows = 0;
  std::string file;  // field 5, empty when not given
  int flags = 0;
};
MantArgs mant_args_parse(Text argument, int default_flags);

// --- button sets ----------------------------------------------------------------------
// Set 1 "NEW,TOP,PRV,NXT,BOT,SVE,DEL" (message 0028), set 2 and set 4 of
// the document windows (0029, 0030). Each button is control 3000 + the
// action's code and is disabled in every mode whose bit its mask has.
struct ButtonSet {
  Text actions;
  const char* labels;  // message number
  int masks[8];
};
const ButtonSet* button_set(int number);   // null for another number
// The labels shown: slot 9 of group 0 when it is set, else on a screen of
// 30 columns or fewer the short labels of set 1, else the set's message.
// An arena text.
Text button_labels(int set, int screen_columns);
// The mask of an action in a set (0: not in it, or never disabled).
int button_mask(int set, int action_code);
bool button_disabled(int mask, int mode);
// Item mode + 1 (at most 9) of message 0027, " - " and the window's text.
Text mode_text(int mode, Text window_text);
// The mode after an action: 3 when the operation succeeded and its word
// moved to a record (bit 0x10 or 0x20), else 8 after NEW and 2 after any
// other action.
int mode_after(int action_code, int word, Status result);
// The initial mode: 8 for a file opened for new records, else 3 with flag
// 0x20 and 2 without.
int initial_mode(int flags, bool new_records);

// --- the window ------------------------------------------------------------------------
// Opens a maintenance window and runs it until it closes. 0, or the code
// that kept it from opening (the caller shows it): the screen's, the open
// set's (a status above 2 too), the relational update's, PERFORM$'s, or
// CONTROLERROR when the frame cannot be made.
[[nodiscard]] Status maint_open(Text argument, int default_flags);

// A field's window runs a process by name through the application's
// dispatcher; the shell installs it. NOVALUE without one.
using ProcessRunner = Status (*)(Text name);
void process_runner_set(ProcessRunner runner);

// A saved document printed through the report engine: a report (print
// template) onto a device (empty: the screen), over the records of a file
// whose key `key` starts with `value`, in that key's order. The report's
// code; NOVALUE without a printer.
struct DocumentPrint {
  Text device;    // empty: the device selection dialog asks for it
  Text report;
  Text settings;  // DOCSETS$: start, copy, repeat and record conditions
  uint16_t file = 0;
  int key = 1;
  Text value;
};
using DocumentPrinter = Status (*)(const DocumentPrint& print);

// The bar-code scanner's port, kept by the layer of the serial ports: opened
// for a screen (closing the scanner port open before; 0 or the code),
// a slot's reading taken (an arena text, empty when nothing came), closed.
struct ScannerPort {
  Status (*start)(Text port_text, Handle window) = nullptr;
  Text (*read)(int slot) = nullptr;
  void (*stop)() = nullptr;
};

// What the window layer asks of the layers above it.
struct Hooks {
  ProcessRunner process_runner = nullptr;      // a field's window, by process name
  DocumentPrinter document_printer = nullptr;  // a document after its save (PRN)
  ScannerPort scanner;                         // a screen's bar-code scanner
};
void hooks_install(const Hooks& hooks);

}  // namespace ui
