// The compiled form of simple expressions must be indistinguishable from the
// interpreter: the same value, status, error record, detail and variables.
// Random expressions over literals, variables, operators, parentheses,
// lists and assignments are evaluated both ways in fresh runtimes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "script/eval.h"
#include "script/internal/compiled.h"
#include "script/numbers.h"
#include "script/variables.h"
#include "tests/script/expr_show.h"

namespace {

using scripttest::show;
using scripttest::str;

using core::operator""_t;


// Everything a caller can observe after evaluating expr (twice, to go
// through the cache as well as the first compilation).
std::string observe(const std::string& expr, bool compiled) {
  script::compiled::set_enabled(compiled);
  core::CoreContext core;
  script::ScriptContext script;
  (void)script::var_set("A"_t, "3"_t);
  (void)script::var_set("A#"_t, "1.25"_t);
  (void)script::var_set("B$"_t, "ab"_t);
  std::string out;
  for (int round = 0; round < 2; ++round) {
    core::error_clear();
    uint16_t mark = core::arena_mark();
    script::Value v;
    core::Status st = script::expr_value(core::text_view(expr.data(), expr.size()), &v);
    out += "status " + std::to_string(st) + " value ";
    out += v.is_text() ? "'" + str(v.text) + "'" : str(script::number_to_text(v.number));
    core::ErrorRecord rec = core::error_last();
    out += " error " + std::to_string(rec.code) + "/" + std::to_string(static_cast<int>(rec.context));
    out += " detail [" + str(core::error_detail()) + "]";
    out += " arena " + std::to_string(core::arena_mark() - mark) + "\n";
    core::arena_release(mark);
  }
  for (core::Text name : {"A"_t, "A#"_t, "B$"_t, "C#"_t}) {
    core::ArenaScope scope;
    out += str(name) + "=" + (script::var_get(name) == 0 ? str(core::arena_top()) : "?") + " ";
  }
  script::compiled::set_enabled(true);
  return out;
}

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  std::string list() {
    std::string s = expression(0);
    while (pick(6) == 0) s += (pick(2) ? "," : ";") + expression(0);
    return s;
  }

 private:
  std::string expression(int depth) {
    std::string s = operand(depth);
    int n = pick(4);
    for (int i = 0; i < n; ++i) s += op() + operand(depth);
    return s;
  }

  std::string operand(int depth) {
    static const char* atoms[] = {"0",   "1",  "2.5", "12D2", ".5",  ".envvar", "'ab'", "\"x\"",
                                  "A",   "A#", "B$",  "C#",   "",    "7",       "0.005", "' '",
                                  "A#=", "B$=", "C#=", "A=",  "'q'=", "(", "3"};
    std::string a = atoms[pick(sizeof atoms / sizeof *atoms)];
    if (a == "(") return depth < 3 ? "(" + list_at(depth + 1) + ")" : "1";
    return a;
  }

  std::string list_at(int depth) {
    std::string s = expression(depth);
    if (pick(5) == 0) s += "," + expression(depth);
    return s;
  }

  std::string op() {
    static const char* ops[] = {"*", "/", "!", "%", "\xF7", "+", "-", ">", "<", "==", ">=", "<=",
                                "<>", "&", "|", "@", "&&", "||", "@@", " + ", "=>", ":"};
    return ops[pick(sizeof ops / sizeof *ops)];
  }

  int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  std::mt19937 rng_;
};

// COMPILED_CASES and COMPILED_SEED in the environment run a longer search.
TEST(Compiled, RandomExpressionsBehaveAsInterpreted) {
  const char* cases = std::getenv("COMPILED_CASES");
  const char* seed = std::getenv("COMPILED_SEED");
  Generator gen(seed != nullptr ? static_cast<unsigned>(std::atoi(seed)) : 20261208u);
  int n = cases != nullptr ? std::atoi(cases) : 3000;
  for (int i = 0; i < n; ++i) {
    std::string expr = gen.list();
    ASSERT_EQ(observe(expr, true), observe(expr, false)) << "expression: " << expr;
  }
}

TEST(Compiled, FixedCasesBehaveAsInterpreted) {
  for (const char* expr : {"A#=A#+A*2", "B$=B$+'c',B$", "(A#=2)+A#", "A#+(A#=5)", "=5", "1+2=3",
                           "A#=(B$='z')", "((1,2),3)*2", "'a'<'b'&&1", "C#=C#+1,C#=C#+1",
                           "A=7/2,A", "_PRECIS=3,1.0005", "1+", ",", "1,", "A#==1.25"}) {
    EXPECT_EQ(observe(expr, true), observe(expr, false)) << "expression: " << expr;
  }
}

}  // namespace
