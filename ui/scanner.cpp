// The bar-code scanner of a screen: started and stopped with its screen
// window, and its readings (or a keyboard line) put into the current field.
#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "core/status_words.h"
#include "definitions/definitions.h"
#include "script/eval.h"
#include "script/numbers.h"
#include "script/variables.h"
#include "ui/internal/state.h"
#include "ui/screens.h"

namespace ui {

using internal::state;
using internal::UiState;

namespace {

ScannerPort g_port;

// CHKSCAN is most often a variable an application sets in its start-up, or
// never: asking it leaves no error behind.
bool scanner_wanted() {
  bool clean = core::error_last().code == 0;
  core::ArenaScope scope;
  int64_t value = script::expr_number("CHKSCAN"_t);
  if (clean) core::error_clear();
  return value != 0;
}

void start(int index) {
  UiState* s = state();
  ScreenWindow* sw = screen_window_get(index);
  if (s == nullptr || sw == nullptr || sw->scanner.empty() || g_port.start == nullptr) return;
  Status st = g_port.start(core::text_view(sw->scanner), sw->window);
  s->scanner_owner = st == 0 ? index : -1;
  if (st != 0) core::error_box(st);
}

// Scanners end a reading with CR, LF or both, as a keyboard line ends with
// its control character: that end is no part of the reading.
Text without_line_end(Text reading) {
  uint16_t len = reading.len;
  while (len > 0 && (reading.at(len - 1) == '\r' || reading.at(len - 1) == '\n')) --len;
  return core::text_sub(reading, 0, len);
}

// The field's item of a key (a comma list, one expression a field).
Text field_item(uint16_t key, int field) {
  return core::text_trim(defs::def_key_raw(key, static_cast<uint16_t>(field)), core::kTrimBoth);
}

int process(Text reading) {
  if (Status st = script::var_set("_SCAN$"_t, reading); st >= 122) return st;
  const ScreenWindow* sw = screen_window_current_get();
  if (sw == nullptr) return 0;
  int field = sw->current_field;
  Handle window = sw->window;
  Text set = field_item(defs::kKeyScanSet, field);
  if (set.empty()) return 0;
  Text open = field_item(defs::kKeyScanWin, field);
  if (!open.empty()) {
    script::Value value;
    Status st = script::expr_value(open, &value);
    if (st >= 122) return st;
    if (!value.is_text() && script::number_to_int(value.number) == 1) {
      // The reading looks the record up in the field's window.
      if (Status cleared = field_set(field, ""_t); cleared != 0) return cleared;
      toolkit()->post(window, kMsgRefresh, kIdFieldBase + field - 1);
      return 0;
    }
  }
  Text value = script::expr_text(set);
  if (!value.ok()) return text_error(value);
  if (Status st = field_set(field, value); st != 0) return st;
  script::var_set_int(core::kSwLastKey, kKeyEnter);
  // The move shows its own errors.
  static_cast<void>(action_perform(window, kActNextField));
  return 0;
}

}  // namespace

namespace internal {

void scanner_port_set(const ScannerPort& port) { g_port = port; }

void scanner_screen_closed(int index) {
  UiState* s = state();
  if (s == nullptr || s->scanner_owner != index) return;
  s->scanner_owner = -1;
  if (g_port.stop != nullptr) g_port.stop();
  if (screen_window_current() >= 0) start(screen_window_current());
}

}  // namespace internal

void scanner_screen_open(int index) {
  ScreenWindow* sw = screen_window_get(index);
  if (sw == nullptr || g_port.start == nullptr) return;
  core::ArenaScope scope;
  Text port = core::text_trim(defs::def_key_raw(defs::kKeyScanDef), core::kTrimBoth);
  if (port.empty() || !scanner_wanted()) return;
  sw->scanner = core::text_str(port);
  start(index);
}

int scanner_input(int slot) {
  core::ArenaScope scope;
  Text reading;
  if (slot == kScanKeyboardLine) {
    reading = core::text_copy(core::slot_last(core::kGroupKeyboard));
    static_cast<void>(core::slot_pop(core::kGroupKeyboard));
  } else if (g_port.read != nullptr) {
    reading = g_port.read(slot);
  }
  if (!reading.ok()) return 0;
  reading = without_line_end(reading);
  if (reading.len < 1 || reading.len > kScanMaxChars) return 0;
  return process(reading);
}

}  // namespace ui
