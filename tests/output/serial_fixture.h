// Serial tests: pseudo-terminal pairs standing for ports, and the window
// layer over the headless backend with the port table and the scanner.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "output/serial.h"
#include "tests/ui/ui_fixture.h"
#include "ui/forms.h"
#include "ui/maint.h"

namespace serialtest {

// A pseudo-terminal pair: the runtime opens the terminal's side as a port,
// the test plays the device at the other.
class Pty {
 public:
  Pty() {
    char name[128] = {};
    if (openpty(&device_, &terminal_, name, nullptr, nullptr) == 0) name_ = name;
    // A speed the runtime never sets: the moment it changes, the port is open.
    termios tio{};
    tcgetattr(terminal_, &tio);
    cfsetospeed(&tio, B38400);
    tcsetattr(terminal_, TCSANOW, &tio);
  }
  ~Pty() {
    close(device_);
    close(terminal_);
    for (int n : named_) unsetenv(("APP_SERIAL_COM" + std::to_string(n)).c_str());
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  // COMn: stands for this pair from now on.
  void name_port(int n) {
    ASSERT_FALSE(name_.empty());
    setenv(("APP_SERIAL_COM" + std::to_string(n)).c_str(), name_.c_str(), 1);
    named_.push_back(n);
  }
  termios settings() const {
    termios tio{};
    tcgetattr(terminal_, &tio);
    return tio;
  }
  // What the device sends.
  void put(const std::string& bytes) const {
    ASSERT_EQ(write(device_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Up to `count` bytes the runtime sent, waiting up to a second for them.
  std::string take(size_t count) const {
    std::string got;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd p{device_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buffer[4096];
      ssize_t n = read(device_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n > 0) got.append(buffer, static_cast<size_t>(n));
    }
    return got;
  }
  // The bytes have reached the runtime's side of a port.
  bool arrived(int slot, int count) const {
    for (int i = 0; i < 100; ++i) {
      if (output::serial_waiting(slot) >= count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // A scanner that sends a reading once the runtime has opened its port.
  std::thread scan_later(const std::string& reading) const {
    return std::thread([this, reading] {
      auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      for (termios tio = settings(); cfgetospeed(&tio) == B38400 && std::chrono::steady_clock::now() < end;
           tio = settings()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      // The port empties its queues just after it takes its settings.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      static_cast<void>(write(device_, reading.data(), reading.size()));
    });
  }

 private:
  int device_ = -1;
  int terminal_ = -1;
  std::string name_;
  std::vector<int> named_;
};

class SerialTest : public uitest::UiTest {
 protected:
  SerialTest() {
    ui::Hooks hooks;
    hooks.scanner = {output::scanner_start, output::scanner_read, output::scanner_stop};
    ui::hooks_install(hooks);
  }
  ~SerialTest() override { ui::hooks_install(ui::Hooks{}); }

  // Runs a form of a field list.
  core::Status run_form(const char* fields, ui::FormResult* result) {
    ui::FormRequest request;
    request.title = core::text_view(std::string_view("Lectura"));
    request.fields = core::text_view(std::string_view(fields));
    return ui::form_run(request, result);
  }

  output::SerialContext serial_;
};

}  // namespace serialtest
