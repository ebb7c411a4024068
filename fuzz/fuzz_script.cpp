// Arbitrary bytes as an expression or as a procedure file: the evaluator,
// the built-in functions and the procedure compiler and run loop must answer
// every text with a value or a status code, never crash, leave nothing on
// the arena above the caller's mark and pop the argument stack back.
//
// Input: byte 0 chooses the way (bit 0: procedure, else expression; bit 1:
// the compiled form of simple expressions off), the rest is the text.
//
// The built-in functions read and write files by name, so run this target
// as an unprivileged user in a folder of its own, for example
//   mkdir -p /tmp/fz && chown nobody /tmp/fz && cd /tmp/fz &&
//   runuser -u nobody -- build/fuzz/fuzz/fuzz_script -max_total_time=300 corpus
// Procedures run for at most kStatementBudget statements: the cancel hook
// stops them after that, so endless loops end.
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "fuzz/fuzz_common.h"
#include "script/eval.h"
#include "script/functions.h"
#include "script/internal/compiled.h"
#include "script/procedures.h"
#include "script/variables.h"

using core::operator""_t;

namespace {

constexpr int kStatementBudget = 2000;
int g_statements = 0;

bool budget_spent() { return ++g_statements > kStatementBudget; }

void run_expression(const std::string& text) {
  const uint16_t mark = core::arena_mark();
  script::Value v;
  core::Status st = script::expr_value(fuzz::view(text), &v);
  if (st < 128 && v.is_text()) FUZZ_CHECK(v.text.ok());
  core::arena_release(mark);
  // The other entry points leave exactly their result (or nothing).
  st = script::expr_eval(fuzz::view(text));
  FUZZ_CHECK(core::arena_mark() == (st >= 128 ? mark : mark + 1));
  core::arena_release(mark);
  (void)script::expr_cond(fuzz::view(text));
  FUZZ_CHECK(core::arena_mark() == mark);
  core::Text t = script::expr_text(fuzz::view(text));
  FUZZ_CHECK(core::arena_mark() == (t.ok() ? mark + 1 : mark));
  core::arena_release(mark);
}

void run_procedure(const std::string& text) {
  std::FILE* f = std::fopen("FUZZ.PRX", "wb");
  if (f == nullptr) return;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
  std::fclose(f);
  const uint16_t mark = core::arena_mark();
  g_statements = 0;
  (void)script::proc_call(core::Text{}, "FUZZ.PRX"_t, core::Text{}, true);
  FUZZ_CHECK(core::arena_mark() == mark);
  FUZZ_CHECK(script::proc_loaded_count() == 0);
  std::remove("FUZZ.PRX");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 8192) return 0;
  const uint8_t mode = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  fuzz::dump("text", text);

  core::CoreContext core;
  FUZZ_CHECK(core.status() == 0);
  {
    script::ScriptContext script;
    FUZZ_CHECK(script.status() == 0);
    script::ProcContext proc;
    script::proc_pump_hook_set(budget_spent);
    script::execute_hook_set(script::procedure_execute);
    FUZZ_CHECK(core::slot_set(core::kGroupEnv, core::kEnvDocPath, "."_t) == 0);
    script::compiled::set_enabled((mode & 2) == 0);
    if ((mode & 1) != 0)
      run_procedure(text);
    else
      run_expression(text);
    FUZZ_CHECK(core::slot_count(core::kGroupArguments) == 0);
    script::execute_hook_set(nullptr);
  }
  // Files the text opened are closed by the shutdown; every block is back.
  FUZZ_CHECK(core.shutdown() == 0);
  return 0;
}
