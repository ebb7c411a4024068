// How the script tests print values: a number as text, a text in double
// quotes, or "error N", with " warning N" after a warning.
#pragma once

#include <string>

#include "core/arena.h"
#include "core/text.h"
#include "script/eval.h"
#include "script/numbers.h"

namespace scripttest {

inline std::string str(core::Text t) {
  return t.ok() ? std::string(t.ptr, t.len) : "error " + std::to_string(t.len);
}

inline core::Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

// Evaluates expr and shows its value as described above.
inline std::string show(core::Text expr) {
  core::ArenaScope scope;
  script::Value v;
  core::Status st = script::expr_value(expr, &v);
  if (st >= 128) return "error " + std::to_string(st);
  std::string out = v.is_text() ? "\"" + str(v.text) + "\"" : str(script::number_to_text(v.number));
  if (st != 0) out += " warning " + std::to_string(st);
  return out;
}

inline std::string show(const std::string& expr) { return show(txt(expr)); }

}  // namespace scripttest
