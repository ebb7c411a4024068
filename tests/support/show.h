// How the shell's tests show texts: the bytes, "(empty)" for the empty text,
// "(error N)" for an error value; and a view of a std::string.
#pragma once

#include <string>

#include "core/text.h"

namespace testsupport {

inline std::string str(core::Text t) {
  if (!t.ok()) return "(error " + std::to_string(t.len) + ")";
  return t.len == 0 ? "(empty)" : std::string(t.ptr, t.len);
}

inline core::Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

}  // namespace testsupport
