// Viewers: the desktop's programs that show a file to the user, and the
// one way the runtime starts another program.
//
// Three viewers, by number: 1 text files (a device with /VW), 2 help pages,
// 3 PDF documents (a PDF device with /VW). The list is the variable
// APP_VIEWERS, three comma-separated entries; an entry left out or empty is
// the desktop's own opener, "xdg-open":
//
//   APP_VIEWERS="mousepad,,evince --fullscreen"
//
// An entry is a program (looked for along PATH unless it holds a "/"),
// %NAME% tokens expanded, then any arguments of its own; the file is given
// after them as one more argument, never split or read by a shell. An entry
// that begins with "." names a program by the pattern of the registered
// programs (".%sevince\"), found along PATH as well.
#pragma once

#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"

namespace output {

using core::Status;
using core::Text;

inline constexpr int kViewerText = 1;
inline constexpr int kViewerHelp = 2;
inline constexpr int kViewerPdf = 3;
inline constexpr int kViewerCount = 3;
// Flags of viewer_open and program_run.
inline constexpr int kRunNoWait = 1;   // return at once
inline constexpr int kRunDetach = 2;   // a session of its own: it outlives the runtime's terminal
inline constexpr int kRunWait = 4;     // wait even when kRunNoWait is given
// What they answer besides the program's exit code.
inline constexpr int kViewerNotFound = -1;
inline constexpr int kRunWaitFailed = 124;

// The viewer list's entry for a viewer (1-3): the setting's, else
// "xdg-open". Empty for another number.
std::string viewer_entry(int viewer);
// Shows a file in a viewer: the program's exit code when waited for; 0
// when not waiting or when it could not be started; kViewerNotFound when
// the viewer's program is nowhere; kRunWaitFailed when the wait failed.
int viewer_open(int viewer, Text file, int flags);
// Runs a command line: words apart by blanks (a word in double quotes may
// hold blanks; the quotes are removed), the first the program, at most 7
// arguments (the last takes the rest of the line). Answers as viewer_open.
int program_run(Text command_line, int flags);
// The same with the program and its arguments given one by one.
int program_run_args(const std::vector<std::string>& args, int flags);

// A value of the registry of registered programs, named "ROOT\key\...\name"
// (a final "\" names the key's default value). There is no registry here:
// the key "...\App Paths\<program>\" of any root answers the program's full
// path found along PATH, as that key does where the registry exists; any
// other value is missing (empty). A root that is not one of HKEY_CLASSES_ROOT,
// HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS
// gives the error value SINTAXERROR. An arena text.
Text registry_value(Text path);

}  // namespace output
