// Helpers for the data-file cases of strings, lists and parameter strings.
//
// Input lines are the texts an operation takes, one a line. Two lines stand
// for what a line cannot hold: "(empty)" is the empty text and "(error N)"
// the error value with code N. Results print as their bytes, error values
// as "error N", the empty text as "(empty)".
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "core/text.h"
#include "tests/runner/datafile.h"

namespace texttest {

inline std::string show(core::Text t) {
  if (!t.ok()) return "error " + std::to_string(t.len);
  if (t.len == 0) return "(empty)";
  return std::string(t.ptr, t.len);
}

// The bytes in brackets, for results whose blanks matter.
inline std::string bracket(core::Text t) {
  if (!t.ok()) return "error " + std::to_string(t.len);
  return "[" + std::string(t.ptr, t.len) + "]";
}

inline core::Text view(const std::string& s) {
  if (s == "(empty)") return core::Text{};
  if (s.rfind("(error ", 0) == 0 && s.size() > 8 && s.back() == ')') {
    return core::text_error_value(static_cast<core::Status>(std::atoi(s.c_str() + 7)));
  }
  return core::text_view(s.data(), s.size());
}

inline std::vector<std::string> lines(const std::string& input) {
  std::vector<std::string> out;
  std::string::size_type from = 0;
  for (;;) {
    const auto nl = input.find('\n', from);
    out.push_back(input.substr(from, nl == std::string::npos ? std::string::npos : nl - from));
    if (nl == std::string::npos) return out;
    from = nl + 1;
  }
}

// Input line i as a text (the empty text when the case has fewer lines).
// The strings are kept by the caller, so views into them stay valid.
inline core::Text line(const std::vector<std::string>& in, size_t i) {
  return i < in.size() ? view(in[i]) : core::Text{};
}

// Argument i of the header, or `fallback` when there is none.
inline std::string arg(const testrunner::DataCase& c, size_t i, const std::string& fallback = "") {
  return i < c.args.size() ? c.args[i] : fallback;
}

inline int int_arg(const testrunner::DataCase& c, size_t i, int fallback = 0) {
  return i < c.args.size() ? std::atoi(c.args[i].c_str()) : fallback;
}

// A one-byte argument: the byte itself, or one of the names space, tab, nul,
// comma (headers split on blanks, so a blank needs a name).
inline char char_arg(const testrunner::DataCase& c, size_t i, char fallback = ',') {
  const std::string a = arg(c, i);
  if (a.empty()) return fallback;
  if (a == "space") return ' ';
  if (a == "tab") return '\t';
  if (a == "nul") return '\0';
  if (a == "comma") return ',';
  return a[0];
}

inline bool has_flag(const testrunner::DataCase& c, const std::string& flag) {
  for (const auto& a : c.args) {
    if (a == flag) return true;
  }
  return false;
}

}  // namespace texttest
