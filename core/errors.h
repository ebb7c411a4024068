// Error reporting and logs: the last-error record with its context, the
// detail text, the text a user sees for a code, message boxes (through a
// hook the window layer installs), the application log and the assertion stop.
#pragma once

#include <cstdint>
#include <string>

#include "core/status.h"
#include "core/text.h"

namespace core {

struct ErrorRecord {
  Status code = 0;
  Context context = Context::None;
};

inline constexpr int kRecord = 1;   // record when nothing is recorded yet
inline constexpr int kForce = 2;    // replace (code 0 clears)

// Returns result unchanged; records (code, context) when condition holds and
// either nothing is recorded and code >= 128, or condition is kForce.
Status error_record(int condition, Context context, Status code, Status result);
Text error_record_text(int condition, Context context, Status code, Text text);
ErrorRecord error_last();
void error_clear();                               // record, detail text and place
// Where a definition error lies, for the checker and the editors it feeds:
// the file (as the loader named it) and the line from 1 (0: the file as a
// whole). A loader that knows the line sets it beside the detail.
struct ErrorPlace {
  std::string file;
  uint32_t line = 0;
};
void error_place_set(Text file, uint32_t line);
ErrorPlace error_place();
// Makes text the detail text (append: after the current one and CR LF when
// there is one); returns code unchanged. A detail that would pass 65,535
// bytes leaves the old one in place.
Status report_detail(Status code, Text text, bool append);
// A view into the slot store: valid until the next slot write.
Text error_detail();
Text error_name(Status code);
Text context_name(Context context);
// The text shown for a code (65,535 = the last recorded error): a view of
// static text or an arena copy.
Text error_text(Status code);

// Message boxes. The window layer installs its own; the default writes
// caption and text to standard error.
enum class BoxIcon { Exclamation, Error, Information, Question };
using BoxHook = void (*)(Text caption, Text text, BoxIcon icon);
void box_hook_set(BoxHook hook);                  // nullptr restores the default
// Shows a box through the installed hook; an error value as text shows the
// text of its code.
void message_box(Text caption, Text text, BoxIcon icon);
// code < 128: exclamation icon, caption 0012; else error icon, caption 0013.
// Clears the record and the detail text once the box is closed.
void error_box(Status code);
// Success: text (message 0005 when empty), exclamation icon, caption 0012.
// Failure: text, error icon, caption 0013.
void done_box(bool success, Text text);

// The trace switches. The variable store takes this over with its _TRACE.
using TraceGetter = int32_t (*)();
void trace_getter_set(TraceGetter getter);        // nullptr restores the default
int32_t trace_level();
void trace_level_set(int32_t level);              // the default getter's value

// Application log.
inline constexpr int kTraceSqlFailed = 2;
inline constexpr int kTraceSqlOk = 4;
inline constexpr int kTraceProcedures = 8;
inline constexpr int kTraceRelational = 16;

// Logging never fails its caller: a log that cannot be opened is skipped.
Text log_path();                                  // arena copy
void log_set_path(Text path);                     // and deletes that file; empty: default
void log_folder_set(Text folder);                 // folder of the default log name
// Appends text and CR LF when switches share a bit with trace_level(); an
// error value is written as "Error #<code>".
void log_line(Text text, int switches);
void log_incident(Text text);
// Ends the process (exit code kAssertExitCode) when condition is false,
// after a box captioned "Assertion Fail" and an incident block in the log.
inline constexpr int kAssertExitCode = 3;
void assert_true(bool condition, Text text);

}  // namespace core
