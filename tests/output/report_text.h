// How the report tests write templates and read what a device received.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace outputtest {

// Markers are written <L> (a line), <R> (relative), <D> (the record line);
// <T> is a tab.
inline std::string markers(std::string s) {
  const std::pair<const char*, char> names[] = {{"<L>", '\x17'}, {"<R>", '\x18'}, {"<D>", '\x19'}, {"<T>", '\t'}};
  for (const auto& [name, byte] : names) {
    for (size_t p; (p = s.find(name)) != std::string::npos;) s.replace(p, 3, 1, byte);
  }
  return s;
}

// Device lines (ended by CR LF, or by LF alone), trailing blanks cut, empty
// lines at the end left out and the others shown as "~".
inline std::string shown(const std::string& bytes) {
  std::string out, line;
  std::vector<std::string> lines;
  for (size_t at = 0; at <= bytes.size();) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    line = bytes.substr(at, end - at);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  for (size_t i = 0; i < lines.size(); ++i) out += (i ? "\n" : "") + (lines[i].empty() ? "~" : lines[i]);
  return out;
}

}  // namespace outputtest
