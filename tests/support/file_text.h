// A whole file as a string (empty when it cannot be read), for tests that
// check what the runtime wrote.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

inline std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace testsupport
