// The compiled form of simple expressions must be indistinguishable from the
// interpreter: the same value, status, error record, detail and variables.
// Random expressions over literals, variables, operators, parentheses,
// lists and assignments are evaluated both ways in fresh runtimes.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "script/eval.h"
#include "script/internal/compiled.h"
#include "script/numbers.h"
#include "script/procedures.h"
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
                                  "A#=", "B$=", "C#=", "A=",  "'q'=", "(", "3",
                                  // chains of assignments, numbers near the limits
                                  "C#=A#=", "A=C#=", "32767", "99999999999"};
    std::string a = atoms[pick(sizeof atoms / sizeof *atoms)];
    // A group is now and then assigned to: an error, after the group's own
    // assignments have been made.
    if (a == "(") return depth < 3 ? "(" + list_at(depth + 1) + (pick(4) == 0 ? ")=" : ")") : "1";
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
                           "A=7/2,A", "_PRECIS=3,1.0005", "1+", ",", "1,", "A#==1.25",
                           // variables read and written after the decimals change
                           "_PRECIS=1,A=A+1,A#=A+0.25,A", "A=A*1.5,_PRECIS=0,A=A+1.6,A#=A#*2,A",
                           // one variable and a number, stored or not
                           "A#<2", "A*3", "C#=C#+1", "A=A*3", "A=A/0", "A=A+1.5", "A#=A#@2",
                           "A=A#*2", "C#=A-7",
                           // an assignment of a variable that is itself a target, in a group
                           // stored into
                           "(C#=A#=1)=5", "(A=A#=1)=2", "((C#=A#=1)=5)"}) {
    EXPECT_EQ(observe(expr, true), observe(expr, false)) << "expression: " << expr;
  }
}

// Everything a caller can observe after running a procedure of the given
// lines twice in one runtime (the second run goes through the statements'
// bound programs, at another number of decimals): status, error, detail
// and the variables.
std::string observe_procedure(const std::string& text, bool compiled) {
  script::compiled::set_enabled(compiled);
  char tmpl[] = "/tmp/compiledXXXXXX";
  std::string folder = mkdtemp(tmpl) != nullptr ? tmpl : "/tmp";
  std::ofstream(folder + "/P.PRX", std::ios::binary) << text;
  std::string out;
  {
    core::CoreContext core;
    script::ScriptContext script;
    script::ProcContext proc;
    (void)core::slot_set(core::kGroupEnv, core::kEnvDocPath, core::text_view(folder.data(), folder.size()));
    (void)script::var_set("A"_t, "3"_t);
    (void)script::var_set("B$"_t, "ab"_t);
    for (int round = 0; round < 2; ++round) {
      // The second run starts at another number of decimals.
      (void)script::var_set("_PRECIS"_t, round == 0 ? "2"_t : "3"_t);
      core::error_clear();
      uint16_t mark = core::arena_mark();
      core::Status st = script::proc_call(core::Text{}, "P.PRX"_t, core::Text{}, false);
      out += "status " + std::to_string(st) + " error " + std::to_string(core::error_last().code);
      out += " detail [" + str(core::error_detail()) + "] arena " + std::to_string(core::arena_mark() - mark) + "\n";
    }
    for (core::Text name : {"A"_t, "A#"_t, "B$"_t, "C#"_t, "N#"_t}) {
      core::ArenaScope scope;
      out += str(name) + "=" + (script::var_get(name) == 0 ? str(core::arena_top()) : "?") + " ";
    }
  }
  std::filesystem::remove_all(folder);
  script::compiled::set_enabled(true);
  return out;
}

// Procedures of random statements over the expressions above: assignments,
// conditions, bounded loops, and changes of the number of decimals, which
// bound programs must follow.
TEST(Compiled, RandomProceduresBehaveAsInterpreted) {
  Generator gen(20261209u);
  std::mt19937 rng(7);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (const char* fixed : {"A#=2.5\r\n", "_PRECIS=0\r\nA#=A#+1.5\r\n_PRECIS=4\r\nC#=1.0001\r\n",
                            "K=0\r\nDO_WHILE K<3\r\nK=K+1\r\n_PRECIS=K\r\nC#=C#+2.5\r\nLOOP\r\n"}) {
    EXPECT_EQ(observe_procedure(fixed, true), observe_procedure(fixed, false)) << "procedure:\n" << fixed;
  }
  for (int i = 0; i < 300; ++i) {
    std::string text = "N#=0\r\n";
    int statements = 1 + pick(8);
    for (int k = 0; k < statements; ++k) {
      switch (pick(7)) {
        case 0: text += "IF " + gen.list() + "\r\nC#=C#+1\r\nENDIF\r\n"; break;
        case 1: text += "DO_WHILE N#<3\r\nN#=N#+1\r\n" + gen.list() + "\r\nLOOP\r\n"; break;
        case 2: text += std::string("_PRECIS=") + "0134"[pick(4)] + "\r\n"; break;
        case 3: text += "K=0\r\nDO_WHILE K<3\r\nK=K+1\r\n_PRECIS=K\r\n" + gen.list() + "\r\nLOOP\r\n"; break;
        default: text += gen.list() + "\r\n"; break;
      }
    }
    ASSERT_EQ(observe_procedure(text, true), observe_procedure(text, false)) << "procedure:\n" << text;
  }
}

}  // namespace
