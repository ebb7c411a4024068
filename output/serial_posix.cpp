// The serial ports on POSIX systems: termios for the line settings, poll
// for the waits.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "core/status.h"
#include "output/internal/serial_os.h"

namespace output::os {

namespace {

constexpr int kWriteWaitMs = 100;

speed_t speed_of(int bits) {
  switch (bits) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B9600;
  }
}

// Waits for the port to become readable or writable: >0 ready, 0 time-out,
// -1 error (a hang-up is an error).
int wait_for(int port, short events, int ms) {
  pollfd p{port, events, 0};
  for (;;) {
    int n = ::poll(&p, 1, std::max(ms, 0));
    if (n < 0 && errno == EINTR) continue;
    if (n > 0 && (p.revents & (POLLERR | POLLNVAL)) != 0) return -1;
    if (n > 0 && (p.revents & events) == 0) return -1;  // hung up
    return n;
  }
}

}  // namespace

int port_open(const std::string& path, const LineSettings& s) {
  int port = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (port < 0) return -1;
  termios tio{};
  if (::ioctl(port, TIOCEXCL) != 0 || ::tcgetattr(port, &tio) != 0) {
    ::close(port);
    return -1;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD | (s.data_bits == 7 ? CS7 : CS8);
  if (s.stop_bits == 2) tio.c_cflag |= CSTOPB;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  if (s.parity == 'O' || s.parity == 'E') {
    tio.c_cflag |= PARENB | (s.parity == 'O' ? PARODD : 0);
    tio.c_iflag |= INPCK;
  }
  // A read answers at once with what is waiting.
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, speed_of(s.speed));
  ::cfsetospeed(&tio, speed_of(s.speed));
  // As on the ports of old, what the port makes of the settings is not
  // checked: a pseudo-terminal keeps no modem lines, for one.
  static_cast<void>(::tcsetattr(port, TCSANOW, &tio));
  int dtr = TIOCM_DTR, rts = TIOCM_RTS;
  static_cast<void>(::ioctl(port, TIOCMBIS, &dtr));
  static_cast<void>(::ioctl(port, TIOCMBIC, &rts));
  static_cast<void>(::tcflush(port, TCIOFLUSH));
  return port;
}

core::Status port_write(int port, const char* bytes, size_t size, int64_t deadline_ms) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(port, bytes + done, size - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return core::WRITEERR;
    int64_t left = deadline_ms - steady_ms();
    if (left <= 0) return core::DEVICETIMEOUT;
    if (wait_for(port, POLLOUT, static_cast<int>(std::min<int64_t>(left, kWriteWaitMs))) < 0) {
      return core::WRITEERR;
    }
  }
  return 0;
}

int port_waiting(int port) {
  int n = 0;
  if (::ioctl(port, FIONREAD, &n) != 0) return -1;
  return n;
}

int port_read(int port, char* buffer, size_t size, int wait_ms) {
  if (wait_ms > 0) {
    int ready = wait_for(port, POLLIN, wait_ms);
    if (ready <= 0) return ready;
  }
  for (;;) {
    ssize_t n = ::read(port, buffer, size);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  }
}

void port_close(int port) { ::close(port); }

std::vector<bool> ports_present(const std::vector<std::string>& paths) {
  std::vector<bool> present;
  for (const std::string& path : paths) {
    // A port whose device has no hardware behind it (the usual ttyS1-3)
    // does not open, or answers no line settings.
    int port = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    present.push_back(port >= 0 && ::tcgetattr(port, &tio) == 0);
    if (port >= 0) ::close(port);
  }
  return present;
}

int64_t steady_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace output::os
