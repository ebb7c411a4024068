// A viewer program of the tests' own: a shell script that appends one line
// a call to a file, each argument in brackets. It is made the three viewers
// through the setting APP_VIEWERS ("viewer.sh one", "... two", "... three"),
// so that the first argument tells which viewer was asked.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/file_text.h"

namespace testsupport {

class FakeViewer {
 public:
  explicit FakeViewer(const std::string& folder)
      : program_(folder + "/viewer.sh"), log_(folder + "/viewer.log") {
    std::ofstream(program_) << "#!/bin/sh\n{ for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; } >> '" << log_
                            << "'\n";
    ::chmod(program_.c_str(), 0755);
    std::string list = program_ + " one," + program_ + " two," + program_ + " three";
    ::setenv("APP_VIEWERS", list.c_str(), 1);
  }
  ~FakeViewer() { ::unsetenv("APP_VIEWERS"); }
  FakeViewer(const FakeViewer&) = delete;
  FakeViewer& operator=(const FakeViewer&) = delete;

  const std::string& program() const { return program_; }
  // The calls recorded, one a line; viewers run alongside the runtime, so
  // this waits (up to five seconds) until there are at least `count`.
  std::string calls(int count) const {
    std::string text;
    for (int i = 0; i < 100; ++i) {
      text = file_text(log_);
      int lines = 0;
      for (char c : text) lines += c == '\n';
      if (lines >= count) break;
      ::usleep(50000);
    }
    return text;
  }

 private:
  std::string program_, log_;
};

}  // namespace testsupport
