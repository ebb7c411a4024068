// Arbitrary bytes as an expression evaluated twice, through the compiled
// form and by the interpreter alone, each in a fresh runtime with the same
// variables: value, status, error record, detail, what is left on the arena
// and the variables afterwards must be the same both ways. Each way runs
// the expression twice, so the second run goes through the cached program
// and the handles it resolved the first time.
//
// Input: byte 0 chooses the number of decimals (0 to 4) and whether the
// variables start as integers that need rounding; the rest is the text.
// Texts that call a function are skipped: the compiled form leaves calls to
// the interpreter, and some functions touch files.
#include <cctype>
#include <cstdint>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "fuzz/fuzz_common.h"
#include "script/eval.h"
#include "script/internal/compiled.h"
#include "script/numbers.h"
#include "script/variables.h"

using core::operator""_t;

namespace {

// A name followed by "(" (a call or an array): not the compiled form's.
bool calls_something(const std::string& s) {
  for (size_t i = 1; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i - 1]);
    if (s[i] == '(' && (std::isalnum(c) || c == '_' || c == '$' || c == '#' || c == '.')) return true;
  }
  return false;
}

std::string observe(const std::string& expr, uint8_t mode, bool compiled) {
  script::compiled::set_enabled(compiled);
  core::CoreContext core;
  FUZZ_CHECK(core.status() == core::kOk);
  script::ScriptContext script;
  const char* precis[] = {"0", "1", "2", "3", "4"};
  (void)script::var_set("_PRECIS"_t, core::text_view(precis[mode % 5], 1));
  (void)script::var_set("A"_t, (mode & 8) != 0 ? "32767"_t : "3"_t);
  (void)script::var_set("A#"_t, (mode & 8) != 0 ? "-2.5"_t : "1.25"_t);
  (void)script::var_set("B$"_t, "ab"_t);
  std::string out;
  for (int round = 0; round < 2; ++round) {
    core::error_clear();
    const uint16_t mark = core::arena_mark();
    script::Value v;
    const core::Status st = script::expr_value(fuzz::view(expr), &v);
    out += "status " + std::to_string(st) + " value ";
    out += v.is_text() ? "'" + fuzz::str(v.text) + "'" : fuzz::str(script::number_to_text(v.number));
    const core::ErrorRecord rec = core::error_last();
    out += " error " + std::to_string(rec.code) + "/" + std::to_string(static_cast<int>(rec.context));
    out += " detail [" + fuzz::str(core::error_detail()) + "]";
    out += " arena " + std::to_string(core::arena_mark() - mark) + "\n";
    core::arena_release(mark);
  }
  for (core::Text name : {"A"_t, "A#"_t, "B$"_t, "C#"_t, "C"_t}) {
    core::ArenaScope scope;
    out += fuzz::str(name) + "=" + (script::var_get(name) == 0 ? fuzz::str(core::arena_top()) : "?") + " ";
  }
  script::compiled::set_enabled(true);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 512) return 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (calls_something(text)) return 0;
  fuzz::dump("text", text);
  const std::string compiled = observe(text, data[0], true);
  const std::string interpreted = observe(text, data[0], false);
  if (compiled != interpreted) {
    std::fprintf(stderr, "compiled:\n%s\ninterpreted:\n%s\n", compiled.c_str(), interpreted.c_str());
    FUZZ_CHECK(compiled == interpreted);
  }
  return 0;
}
