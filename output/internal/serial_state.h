// The port table and the scanner's state of one runtime: shared by the port
// table and the scanner.
#pragma once

#include "output/serial.h"

namespace output {

struct SerialState {
  int ports[kSerialSlots] = {-1, -1, -1, -1};  // the system's handles; -1 free
  int scanner_slot = -1;
  ui::Handle scanner_window = ui::kNone;       // whose timer watches the port
  bool scanner_told = false;                   // a message is on its way
};

namespace internal {
// The current state; null without a SerialContext.
SerialState* serial_state();
}  // namespace internal

}  // namespace output
