// The port table: port texts read, ports opened with their settings,
// written against the device time-out, read and closed.
#include <cstdlib>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "output/internal/serial_os.h"
#include "output/internal/serial_state.h"
#include "output/serial.h"

namespace output {

using core::operator""_t;

const Text kSerialSpeeds = "9600,4800,2400,1200"_t;
const Text kSerialLines = "'N,8,1','N,7,1','O,8,1','O,7,1','N,8,2','N,7,2','O,8,2','O,7,2'"_t;

namespace {

SerialState* g_current = nullptr;

// The port list of the device selection dialog.
constexpr int kListedPorts = 2;

int open_port(SerialState* s, int slot) { return s != nullptr && slot >= 0 && slot < kSerialSlots ? s->ports[slot] : -1; }

}  // namespace

namespace internal {
SerialState* serial_state() { return g_current; }
}  // namespace internal

SerialContext::SerialContext() : state_(std::make_unique<SerialState>()), previous_(g_current) {
  g_current = state_.get();
}

SerialContext::~SerialContext() {
  if (state_->scanner_slot >= 0) scanner_stop();
  for (int slot = 0; slot < kSerialSlots; ++slot) serial_close(slot);
  g_current = previous_;
}

bool port_text_parse(Text text, PortText* out) {
  *out = PortText{};
  text = core::text_trim(text, core::kTrimBoth);
  if (text.len < 5 || !core::text_equal(core::text_case(core::text_sub(text, 0, 3), core::Case::Upper), "COM"_t) ||
      text.at(4) != ':' || text.at(3) < '1' || text.at(3) > '9') {
    return false;
  }
  out->number = text.at(3) - '0';
  core::ArenaScope scope;
  Text settings = core::text_sub(text, 5, core::kToEnd);
  auto setting = [&](uint16_t n) { return core::text_trim(core::list_field(settings, ',', n), core::kTrimBoth); };
  if (int32_t speed = core::text_to_int(setting(1)); speed > 0) out->speed = speed;
  if (Text parity = setting(2); parity.len > 0) out->parity = static_cast<char>(parity.at(0) & ~0x20);
  if (core::text_to_int(setting(3)) == 7) out->data_bits = 7;
  if (core::text_to_int(setting(4)) == 2) out->stop_bits = 2;
  return true;
}

std::string serial_port_path(int number) {
  std::string variable = "APP_SERIAL_COM" + std::to_string(number);
  const char* path = std::getenv(variable.c_str());
  if (path != nullptr && *path != '\0') return path;
  return "/dev/ttyS" + std::to_string(number - 1);
}

std::vector<std::string> serial_ports_present() {
  std::vector<std::string> paths;
  for (int n = 1; n <= kListedPorts; ++n) paths.push_back(serial_port_path(n));
  std::vector<bool> present = os::ports_present(paths);
  std::vector<std::string> names;
  for (int n = 1; n <= kListedPorts; ++n) {
    if (present[static_cast<size_t>(n - 1)]) names.push_back("COM" + std::to_string(n) + ":");
  }
  return names;
}

int serial_open(Text port_text) {
  SerialState* s = g_current;
  if (s == nullptr) return -1;
  int slot = 0;
  while (slot < kSerialSlots && s->ports[slot] >= 0) ++slot;
  if (slot == kSerialSlots) return -1;
  PortText port;
  int handle = -1;
  if (port_text_parse(port_text, &port)) {
    os::LineSettings settings{port.speed, port.parity, port.data_bits, port.stop_bits};
    handle = os::port_open(serial_port_path(port.number), settings);
  }
  if (handle < 0) {
    // The port's name and the device file it stands for.
    core::ArenaScope scope;
    Text name = core::list_field(port_text, ':', 1);
    std::string what = core::text_str(name) + ": (" +
                       (port.number > 0 ? serial_port_path(port.number) : std::string("?")) + ")";
    core::report_detail(core::DEVICETIMEOUT, core::text_view(what), false);
    return core::error_record(core::kRecord, core::Context::Devices, core::DEVICETIMEOUT, core::DEVICETIMEOUT);
  }
  s->ports[slot] = handle;
  return slot;
}

Status serial_write(int slot, Text bytes) {
  int port = open_port(g_current, slot);
  if (port < 0) return core::FILENOTINIT;
  if (!bytes.ok()) return text_error(bytes);
  return os::port_write(port, bytes.ptr, bytes.len, os::steady_ms() + kSerialWriteTimeoutMs);
}

Text serial_read(int slot, int count) {
  int port = open_port(g_current, slot);
  if (port < 0 || count == 0 || count > kSerialReadMax) return ""_t;
  int want = count;
  if (count == kSerialReadAll) {
    want = kSerialReadMax;
  } else if (os::port_waiting(port) < count) {
    return ""_t;
  }
  char buffer[kSerialReadMax];
  int n = os::port_read(port, buffer, static_cast<size_t>(want), 0);
  return n > 0 ? core::text_copy(core::text_view(buffer, static_cast<size_t>(n))) : ""_t;
}

int serial_waiting(int slot) {
  int port = open_port(g_current, slot);
  return port < 0 ? -1 : os::port_waiting(port);
}

void serial_close(int slot) {
  SerialState* s = g_current;
  int port = open_port(s, slot);
  if (port < 0) return;
  if (slot == s->scanner_slot) {
    scanner_stop();
    return;
  }
  os::port_close(port);
  s->ports[slot] = -1;
}

bool serial_is_open(int slot) { return open_port(g_current, slot) >= 0; }

}  // namespace output
