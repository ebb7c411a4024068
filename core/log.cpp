// The application log: trace lines, incident blocks and the assertion stop.
//
// Every write opens the log for appending, writes and closes it again, so the
// file is complete whenever the process stops. Logging never fails its
// caller: a log that cannot be opened is skipped without a record or a box.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/internal/state.h"
#include "core/slots.h"

namespace core {
namespace {

// The file number of the log opened for appending, or kFileNumbers.
uint16_t log_open() {
  Text path = log_path();
  if (!path.ok() || path.empty()) return kFileNumbers;
  Status number = file_open(path, kModeAppend | kModeQuiet);
  if (number == 0) return 1;  // "CON" opens standard input unless writing: log to the console
  return number < kFileNumbers ? number : kFileNumbers;
}

void write_text(uint16_t number, Text text) {
  if (text.ok()) {
    if (text.len > 0) static_cast<void>(file_write(number, kFileHere, text));
    return;
  }
  char buf[16];
  int n = std::snprintf(buf, sizeof buf, "Error #%u", static_cast<unsigned>(text.len));
  static_cast<void>(file_write(number, kFileHere, text_view(buf, static_cast<size_t>(n))));
}

// Day first for the languages that write it so (and when none is set).
bool day_first() {
  Text code = slot_get(kGroupEnv, kEnvLanguage);
  return code.empty() || text_equal(code, "ES"_t) || text_equal(code, "FR"_t) ||
         text_equal(code, "IT"_t);
}

}  // namespace

Text log_path() {
  Text stored = slot_get(kGroupRuntime, kRtLogPath);
  if (!stored.empty()) return text_copy(stored);
  Text ap = text_sub(slot_get(kGroupEnv, kEnvApName), 0, 2);
  std::string path = state().log_folder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  path.append(ap.ptr, ap.len);
  path += "log.txt";
  if (path.size() > kMaxTextLen) return text_error_value(STRINGTOOLONG);
  return text_copy(text_view(path.data(), path.size()));
}

void log_set_path(Text path) {
  if (!path.ok()) return;
  ArenaScope scope;
  Text copy = text_copy(path);  // the path may be a view into the store
  if (!copy.ok() || slot_set(kGroupRuntime, kRtLogPath, copy) != kOk) return;
  if (copy.len > 0) static_cast<void>(file_delete(copy));
}

void log_folder_set(Text folder) {
  state().log_folder = folder.ok() ? std::string(folder.ptr, folder.len) : std::string();
}

void log_line(Text text, int switches) {
  if ((switches & trace_level()) == 0) return;
  ArenaScope scope;
  uint16_t number = log_open();
  if (number >= kFileNumbers) return;
  write_text(number, text);
  static_cast<void>(file_write(number, kFileHere, "\r\n"_t));
  static_cast<void>(file_close(number));
}

void log_incident(Text text) {
  ArenaScope scope;
  uint16_t number = log_open();
  if (number >= kFileNumbers) return;
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  int day = tm.tm_mday, month = tm.tm_mon + 1;
  char date[40], clock[40], header[192];
  std::snprintf(date, sizeof date, "%02d-%02d-%04d", day_first() ? day : month,
                day_first() ? month : day, tm.tm_year + 1900);
  std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  // The user field is reserved; it holds the number 0 until users exist here.
  int n = std::snprintf(header, sizeof header,
                        "*****************************\r\n Date:%s - Time:%s - User:%s\r\n",
                        date, clock, "0");
  static_cast<void>(file_write(number, kFileHere, text_view(header, static_cast<size_t>(n))));
  write_text(number, text);
  static_cast<void>(file_write(number, kFileHere, "\r\n**********************\r\n\r\n"_t));
  static_cast<void>(file_close(number));
}

void assert_true(bool condition, Text text) {
  if (condition) return;
  message_box("Assertion Fail"_t, text, BoxIcon::Error);
  log_incident(text);
  // At once: no destructors or exit handlers run over a state that failed
  // its assertion. The log is already closed; flush what stdio still holds.
  std::fflush(nullptr);
  std::_Exit(kAssertExitCode);
}

}  // namespace core
