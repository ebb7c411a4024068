// The application shell's top: the command line and its options, the
// start-up routine with its fixed order and phase callback, process names
// and the process dispatcher, and the close request.
//
// Everything a user starts (the RUN option, a line of the INPUT file, a menu
// item, a procedure) is a process name: a kind from the kind list and an
// argument, such as "PrcExec,TEST" or "MantMain CLIENTES". process_run
// splits it and hands (kind code, argument) to the dispatcher hook, the one
// way to start a window, report or procedure by name.
//
// The window layer and the menu are above the data layers but below this
// one; what start-up and the dispatcher need from them (the menu window, the
// message loop, a file choice, a yes/no question, counting open windows)
// they install as WindowHooks. Without them there is no window: the menu
// cannot open, and a choice among several files cannot be made.
#pragma once

#include <cstdint>
#include <memory>

#include "core/status.h"
#include "core/text.h"

namespace app {

using core::Status;
using core::Text;
using core::operator""_t;

// --- command line -------------------------------------------------------------
// Options by their 1-based position in kOptionList; the order is fixed.
// "?;HELP" holds two names for the same option.
extern const Text kOptionList;  // "?;HELP,APNAME,APSTART,DPATH,...,TRACE"
enum Option : uint16_t {
  kOptHelp = 1,
  kOptApName,
  kOptApStart,
  kOptDPath,
  kOptScrWid,
  kOptScrHig,
  kOptInput,
  kOptOutput,
  kOptFile,
  kOptIndex,
  kOptDevice,
  kOptRun,
  kOptMode,
  kOptTrace,
};
// MODE values, by position in "ADMIN,PRNTOFILE".
extern const Text kModeList;
inline constexpr uint16_t kModeAdmin = 1;
inline constexpr uint16_t kModePrintToFile = 2;

// The command line of an argument vector: the arguments from the second on,
// joined with single blanks, a final byte of code 13 or less dropped.
// POSIX shells take away the user's quotes, so an argument /NAME:value or
// /NAME=value (or with "-" or "--") whose value holds no quote and would
// otherwise be cut short (it holds a blank or a tab, or starts with "/" or
// ".", as POSIX paths do) gets its value quoted again, which also keeps its
// case. An arena text; STRINGTOOLONG beyond 65,535 bytes.
Text command_line_join(int argc, const char* const* argv);
// Trimmed (blanks and tabs), double blanks made single, " --" and then " -"
// turned into " /"; all outside quotes, so quoted values come through as
// written. An arena text.
Text command_line_normalise(Text line);

// The option at a position, over the command line in slot 1 of group 0 (see
// option_find in paths.h): its value, empty when absent or out of range.
Text option_value(uint16_t position);
bool option_present(uint16_t position);  // found at all, even with an empty value
// The 1-based position of the option's value in a comma list; 0 when absent
// or not listed.
uint16_t option_index(uint16_t position, Text list);
// The first option of a normalised command line that is none of the
// runtime's (kOptionList and the connection options sqlhost, database,
// user, passw; names in any letter case), as written with its "/"; the empty
// text when every option is known. An arena text.
Text option_unknown(Text line);

// --- process names ------------------------------------------------------------
// Kinds by their 1-based position in kProcessKinds; the order is fixed.
extern const Text kProcessKinds;  // "Menu,Accept,AcceptRun,...,FontSet"
enum ProcessKind : uint16_t {
  kPkMenu = 1,
  kPkAccept,
  kPkAcceptRun,
  kPkMantAux,
  kPkMantMain,
  kPkMantAuto,
  kPkMantMovs,
  kPkLnManMain,
  kPkLnNavMain,
  kPkPrcExec,
  kPkReport,
  kPkReorg,
  kPkCopy,
  kPkFileTrans,
  kPkHelp,
  kPkPerform,
  kPkFontSet,
};

// Every "[expression]" replaced by the expression's value (a number as
// number_to_text writes it; an empty or warning-only expression by the
// empty text). Brackets inside quotes are left alone. An arena text, or the
// error value of the failing expression, SINTAXERROR for a "[" never closed.
Text process_expand(Text name);
// The macro expander of MACRO$: process_expand, or with flag 4 each
// "[NAME]" replaced by NAME's value in the keyed parameter list `list`
// (trimmed and unquoted, case kept; empty when the list lacks it).
inline constexpr int kMacroFromList = 4;
Text macro_expand(Text text, int flags, Text list);

// A parsed process name: the kind code in the upper 16 bits, a status in the
// lower 16 (NOVALUE for a kind not in the list, or the expansion's error).
// The name is expanded, then split at its first blank, or at its first comma
// when it holds no blank (outside quotes); the kind is compared exactly.
// *argument (may be null) receives the rest, trimmed, in the caller's arena
// scope.
uint32_t process_code(Text name, Text* argument);
constexpr uint16_t process_kind(uint32_t code) { return static_cast<uint16_t>(code >> 16); }
constexpr Status process_status(uint32_t code) { return static_cast<Status>(code & 0xFFFFu); }

// The dispatcher hook: (kind code, argument) -> result. nullptr restores the
// default dispatcher.
using Dispatcher = Status (*)(uint16_t kind, Text argument);
void dispatcher_set(Dispatcher dispatcher);
Dispatcher dispatcher_get();
// The shell's dispatcher, for the kinds every program serves:
//   PrcExec    runs the procedure file named by the argument (".PRX" added
//              when it has no extension, found in the definition folders in
//              any letter case). A "*" or "?" pattern is matched in the
//              definition folder: one match runs; among several the window
//              layer's choose_file offers them under message 0088 (no choice:
//              CANCELLED); nothing matching, or several with no way to
//              choose: NOVALUE with message 0031.
//   Reorg, Copy, FileTrans: FEATUREREMOVED with "DataFileReorgWiz",
//              "DataFileCopyWiz", "FileTransWizzard" as detail.
//   any other: NOVALUE with message 0031 "Proceso no definido" as detail.
// Errors from 128 are recorded.
Status dispatch_default(uint16_t kind, Text argument);
// Parses the name and calls the dispatcher. A kind not in the list: NOVALUE
// with message 0031 as detail.
[[nodiscard]] Status process_run(Text name);

// --- the window layer's part -------------------------------------------------
struct WindowHooks {
  // Load the screen font ("QVFONT.PPN"): 0 or a code.
  Status (*load_font)() = nullptr;
  // Open the menu window on the start menu: 0 or a code.
  Status (*open_menu)(Text start_menu) = nullptr;
  // Run the message loop while a window is open: 0 or a code.
  Status (*message_loop)() = nullptr;
  // The open screens and windows (runtime vectors 4 and 5).
  void (*count_windows)(int* screens, int* windows) = nullptr;
  // A yes/no question: true when answered yes.
  bool (*ask)(Text caption, Text text) = nullptr;
  // A list of names (comma list) offered under a title: the chosen name, or
  // the empty text when nothing was chosen.
  Text (*choose_file)(Text title, Text names) = nullptr;
};
void window_hooks_set(const WindowHooks& hooks);
const WindowHooks& window_hooks();

// --- close request --------------------------------------------------------------
// With more than one screen or more than one window open: message 0032 with
// the counts as a warning, and *close = false. Otherwise message 0033 with
// the counts is asked, and *close is the answer (yes when nobody can be
// asked).
[[nodiscard]] Status close_request(bool* close);

// --- start-up -------------------------------------------------------------------
// Status words of the start-up.
inline constexpr int16_t kScrStatRun = 8;     // bit of word 21: a RUN process, no menu

// The phase callback gets flags * 16 + phase and answers a result (0 = go on).
inline constexpr int kPhaseCommandLine = 1;  // command line parsed
inline constexpr int kPhaseConnect = 2;      // folders ready: open the database
inline constexpr int kPhaseShutdown = 3;     // close the database
using PhaseCallback = Status (*)(int flags_and_phase);

// The runtime of one run: every context, built in the fixed start-up order,
// and every hook between the layers. A program's composition root provides
// its own; app_main builds it first and releases it last.
class Runtime {
 public:
  virtual ~Runtime() = default;
  // Builds the contexts and installs the hooks: 0, or the code that stopped it.
  [[nodiscard]] virtual Status build() = 0;
  // Takes the hooks out and releases the contexts in the reverse order:
  // MEMORYLEAKS when the core found blocks still live.
  [[nodiscard]] virtual Status release() = 0;
};

// The runtime of the layers up to this one without data or windows: the
// core, the variables and the procedures, with the hooks among them and the
// paths, definition files and process names. app_main uses it when it is
// given no runtime.
class BasicRuntime : public Runtime {
 public:
  BasicRuntime();
  ~BasicRuntime() override;
  Status build() override;
  Status release() override;

 private:
  struct Contexts;
  std::unique_ptr<Contexts> contexts_;
};

struct StartupArgs {
  // The argument vector; when argv is null, command_line is the text to use.
  int argc = 0;
  const char* const* argv = nullptr;
  Text command_line{};
  Text app_code{};  // "KALMIR" in apprun
  Text description{};
  Text menu_file{};  // "DBMENU.PMT"
  uint8_t flags = 0;
  PhaseCallback phase = nullptr;
  Runtime* runtime = nullptr;  // none: a BasicRuntime
  // A program whose main window is its own (appcontrol's list window):
  // opened in place of the menu, with no menu file looked for.
  Status (*main_window)() = nullptr;
};

// The language of the runtime's texts from the variable APP_LANG (EN, ES,
// FR, DE or IT, whose module QV_LANG_<code>.MSJ the definition folder or
// the runtime's own files hold), else from the desktop's locale (LC_ALL,
// LC_MESSAGES, LANG) when it names one of those five languages, for a
// program's phase 1; start-up takes Spanish when neither says. 0, or the
// slot store's code.
Status language_from_environment();
// The language code of a locale name ("fr_FR.UTF-8" -> "FR"); empty when
// it is not one of the runtime's languages ("C.UTF-8", "pt_BR").
Text language_of_locale(const char* locale);

// The start menu ("file,section") from the menu file name:
// its first two characters (or the application prefix when it is empty)
// and "MENU,1"; the APSTART option replaces it. Empty unless the file of
// field 1 exists as a menu file in the definition folders, of the first
// format (".PMT") or of the second (".PPN").
Text start_menu_spec(Text menu_file);

// Start-up, the INPUT file, the RUN process or the menu, the message loop
// and shutdown, in their fixed order. The definition folder is the DPATH
// option (a folder or comma list, relative ones taken from the current
// folder), else the current folder. Returns the process exit code: the code
// that stopped start-up, else the first code of 128 or more of the run,
// phase 3 and the release of memory, else 0.
int app_main(const StartupArgs& args);

}  // namespace app
