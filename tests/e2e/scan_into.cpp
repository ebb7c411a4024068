// A bar-code scanner for end-to-end runs: makes a pseudo-terminal pair,
// names its terminal COM1: for the command (APP_SERIAL_COM1), runs the
// command, and sends the reading once the command has opened the port.
//   scan_into READING command [args...]
// The command's exit status is the program's.
#include <pty.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: scan_into READING command [args...]\n");
    return 2;
  }
  int device = -1, terminal = -1;
  char name[128] = {};
  if (openpty(&device, &terminal, name, nullptr, nullptr) != 0) {
    std::perror("openpty");
    return 2;
  }
  // A speed the runtime never sets: when it changes, the port is open.
  termios tio{};
  tcgetattr(terminal, &tio);
  cfsetospeed(&tio, B38400);
  tcsetattr(terminal, TCSANOW, &tio);
  setenv("APP_SERIAL_COM1", name, 1);
  pid_t child = fork();
  if (child == 0) {
    close(device);
    close(terminal);
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    _exit(127);
  }
  std::string reading = std::string(argv[1]) + "\r";
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int status = 0;
  bool sent = false;
  while (waitpid(child, &status, WNOHANG) == 0) {
    tcgetattr(terminal, &tio);
    if (!sent && cfgetospeed(&tio) != B38400) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      sent = write(device, reading.data(), reading.size()) == static_cast<ssize_t>(reading.size());
    }
    if (std::chrono::steady_clock::now() > end) kill(child, SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!sent) std::fprintf(stderr, "scan_into: the port was never opened\n");
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
