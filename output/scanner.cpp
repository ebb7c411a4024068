// The bar-code scanner's port: opened for a screen, watched from a timer,
// and its readings collected up to the pause that ends them.
#include <string>

#include "core/arena.h"
#include "core/status_words.h"
#include "output/internal/serial_os.h"
#include "output/internal/serial_state.h"
#include "output/serial.h"
#include "script/variables.h"
#include "ui/screens.h"

namespace output {

using core::operator""_t;

namespace {

// A port that never pauses still ends a reading after this long (the
// reading is far too long by then and is dropped).
constexpr int kReadingMaxMs = 500;
constexpr size_t kReadingMaxBytes = 1024;

// Every 350 ms: when bytes wait at the port, the current screen window is
// told once; it reads them on that message.
void tick(int slot) {
  SerialState* s = internal::serial_state();
  if (s == nullptr || slot != s->scanner_slot || s->scanner_told) return;
  if (serial_waiting(slot) <= 0) return;
  const ui::ScreenWindow* sw = ui::screen_window_current_get();
  if (sw == nullptr || sw->window == ui::kNone || ui::toolkit() == nullptr) return;
  s->scanner_told = true;
  ui::toolkit()->post(sw->window, ui::kMsgFieldAction, slot);
}

}  // namespace

Status scanner_start(Text port_text, ui::Handle window) {
  SerialState* s = internal::serial_state();
  if (s == nullptr) return core::DEVICETIMEOUT;
  scanner_stop();
  int slot = serial_open(port_text);
  if (slot < 0 || slot >= kSerialSlots) return slot < 0 ? core::DEVICETIMEOUT : static_cast<Status>(slot);
  s->scanner_slot = slot;
  s->scanner_window = window;
  s->scanner_told = false;
  script::var_set_int(core::kSwSerial, static_cast<int16_t>(slot + kSerialScannerFlag));
  ui::timer_start(window, slot, kScannerPollMs, tick);
  return 0;
}

Text scanner_read(int slot) {
  SerialState* s = internal::serial_state();
  if (s == nullptr || slot < 0 || slot >= kSerialSlots || s->ports[slot] < 0) return ""_t;
  if (slot == s->scanner_slot) s->scanner_told = false;
  int port = s->ports[slot];
  std::string reading;
  char buffer[kSerialReadMax];
  int64_t start = os::steady_ms();
  int64_t last = start;
  for (;;) {
    int wait = reading.empty() ? 0 : static_cast<int>(last + kScannerGapMs - os::steady_ms());
    if (!reading.empty() && wait <= 0) break;
    int n = os::port_read(port, buffer, sizeof buffer, wait);
    if (n < 0 || (n == 0 && reading.empty())) break;
    if (n > 0) {
      reading.append(buffer, static_cast<size_t>(n));
      last = os::steady_ms();
    }
    if (reading.size() > kReadingMaxBytes || os::steady_ms() - start > kReadingMaxMs) break;
  }
  return core::text_copy(core::text_view(reading));
}

void scanner_stop() {
  SerialState* s = internal::serial_state();
  if (s == nullptr || s->scanner_slot < 0) return;
  int slot = s->scanner_slot;
  s->scanner_slot = -1;
  ui::timer_stop(s->scanner_window, slot);
  s->scanner_window = ui::kNone;
  s->scanner_told = false;
  os::port_close(s->ports[slot]);
  s->ports[slot] = -1;
  script::var_set_int(core::kSwSerial, 0);
}

}  // namespace output
