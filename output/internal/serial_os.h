// The operating system's side of the serial ports, behind one small
// interface so that another platform needs only another serial_*.cpp: a
// port device opened with its line settings, bytes written against a
// deadline, bytes waiting and read, and the port devices that exist.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/status.h"

namespace output::os {

struct LineSettings {
  int speed = 9600;     // bits per second
  char parity = 'N';    // N none, O odd, E even
  int data_bits = 8;    // 7 or 8
  int stop_bits = 1;    // 1 or 2
};

// Opens a port device for reading and writing, for this process alone, in
// raw mode with the settings, no flow control, DTR on and RTS off, its
// queues emptied. The port's handle, or -1 when it cannot be opened or is
// not a terminal.
int port_open(const std::string& path, const LineSettings& settings);
// Writes every byte, waiting for the port at most 100 ms at a time, until
// `deadline_ms` of the monotonic clock (steady_ms) has passed. 0 when all
// were written; DEVICETIMEOUT when the port stopped taking them; WRITEERR
// when the port failed.
core::Status port_write(int port, const char* bytes, size_t size, int64_t deadline_ms);
// The bytes waiting to be read; -1 when the port reports an error.
int port_waiting(int port);
// Reads what is waiting, up to size bytes, after waiting at most wait_ms for
// the first of them: the count (0 when none came), -1 on an error.
int port_read(int port, char* buffer, size_t size, int wait_ms);
void port_close(int port);
// Which of the paths are port devices that can be opened now.
std::vector<bool> ports_present(const std::vector<std::string>& paths);
// Milliseconds of a monotonic clock: time-outs do not follow changes of
// the time of day.
int64_t steady_ms();

}  // namespace output::os
