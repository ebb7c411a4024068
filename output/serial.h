// Serial ports: a small table of open ports, used by the serial output
// devices (COM1:9600,N,8,1) and by the bar-code scanner of a screen.
//
// A port text is the port's name up to its colon, then the speed, parity
// letter, data bits and stop bits separated by commas:
//
//   COM1:9600,N,8,1      COM2:2400,O,7,2
//
// COMn: names a device file: the environment variable APP_SERIAL_COMn, else
// /dev/ttyS<n-1> (USB adapters are /dev/ttyUSB0, /dev/ttyACM0 ...).
//
// The scanner: a screen that asks for one (SCANDEF$ holding a port text,
// while the expression CHKSCAN is not 0) has its port watched every 350 ms;
// what arrives, up to a pause of 5 ms, is a reading for the current field
// (see ui::scanner_input). _SERIAL holds the scanner's slot plus 0x100 while
// its port is open, else 0.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "ui/windows.h"

namespace output {

using core::Status;
using core::Text;

inline constexpr int kSerialSlots = 4;
inline constexpr int kSerialReadAll = -1;
inline constexpr int kSerialReadMax = 384;       // bytes a read of all waiting takes
inline constexpr int kSerialWriteTimeoutMs = 1000;
inline constexpr int kScannerPollMs = 350;
inline constexpr int kScannerGapMs = 5;          // a pause this long ends a reading
inline constexpr int16_t kSerialScannerFlag = 0x100;

// What the device selection dialog offers.
extern const Text kSerialSpeeds;   // "9600,4800,2400,1200"
extern const Text kSerialLines;    // "'N,8,1','N,7,1','O,8,1','O,7,1','N,8,2','N,7,2','O,8,2','O,7,2'"

struct PortText {
  int number = 0;       // n of COMn: (0: not a port text)
  int speed = 9600;
  char parity = 'N';
  int data_bits = 8;
  int stop_bits = 1;
};
// Reads a port text; settings left out keep 9600,N,8,1. False when the text
// does not start with COMn: (n a digit from 1).
bool port_text_parse(Text text, PortText* out);
// The device file of COMn:.
std::string serial_port_path(int number);
// The ports of the device list (COM1:, COM2:) whose device files exist and
// open as ports on this machine.
std::vector<std::string> serial_ports_present();

// The port table and the scanner of one runtime, made by the composition
// root; closing it closes every port left open.
struct SerialState;
class SerialContext {
 public:
  SerialContext();
  ~SerialContext();
  SerialContext(const SerialContext&) = delete;
  SerialContext& operator=(const SerialContext&) = delete;

 private:
  std::unique_ptr<SerialState> state_;
  SerialState* previous_ = nullptr;
};

// Opens a port: its slot (0-3); -1 when all four are in use (or there is no
// SerialContext); DEVICETIMEOUT, reported with the port's name, when it
// cannot be opened.
[[nodiscard]] int serial_open(Text port_text);
// Writes the bytes, waiting for the port up to kSerialWriteTimeoutMs in all:
// 0; DEVICETIMEOUT when the port stops taking bytes; WRITEERR when it fails;
// FILENOTINIT for a slot not open.
[[nodiscard]] Status serial_write(int slot, Text bytes);
// Reads `count` bytes, or all that are waiting (kSerialReadAll, up to 384).
// An arena text; empty when nothing is waiting, or fewer bytes than an
// exact count asked for (they stay for a later read).
Text serial_read(int slot, int count);
// Bytes waiting in the port's input; -1 for a slot not open or a port in error.
int serial_waiting(int slot);
void serial_close(int slot);
bool serial_is_open(int slot);

// --- the scanner (served to the window layer through ui::Hooks) ------------
// Opens the scanner's port (closing the scanner port open before) and
// watches it every 350 ms from a timer of `window`: when bytes wait, the
// current screen window is told (message kMsgFieldAction with the slot).
// 0, or the open's code (the port's error is reported).
[[nodiscard]] Status scanner_start(Text port_text, ui::Handle window);
// The reading waiting at the slot's port: what is there and what follows it
// until a pause of 5 ms. An arena text, empty when nothing came.
Text scanner_read(int slot);
// Closes the scanner's port; _SERIAL goes back to 0.
void scanner_stop();

}  // namespace output
