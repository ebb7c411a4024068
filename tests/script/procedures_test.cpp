// Procedures: data-file cases of procedure texts and what they leave, plus
// the statement handlers, the cancel hook, the compiled jump targets, the
// capacities, and EXEC$ through the execute hook.
#include "script/procedures.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "script/eval.h"
#include "script/functions.h"
#include "script/numbers.h"
#include "script/variables.h"
#include "tests/runner/datafile.h"
#include "tests/support/file_text.h"

namespace {

using core::Text;
using core::operator""_t;

std::string str(Text t) {
  return t.ok() ? std::string(t.ptr, t.len) : "<error " + std::to_string(t.len) + ">";
}
Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

std::string var(const std::string& name) {
  core::ArenaScope scope;
  if (script::var_get(txt(name)) != 0) return "<bad name>";
  return str(core::arena_top());
}

// The runtime's layers for one test, with a definitions folder of its own
// that is also the working folder (where the trace file goes).
class Runtime {
 public:
  Runtime() {
    char tmpl[] = "/tmp/proctestXXXXXX";
    if (mkdtemp(tmpl) != nullptr) folder_ = tmpl;
    saved_cwd_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    (void)core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_));
  }
  ~Runtime() {
    std::filesystem::current_path(saved_cwd_);
    std::filesystem::remove_all(folder_);
  }
  void write(const std::string& name, const std::string& body) {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << body;
  }
  std::string read(const std::string& name) { return testsupport::file_text(folder_ + "/" + name); }
  // Runs MAIN.PRX from its first statement with global variables.
  core::Status run(const std::string& body) {
    write("MAIN.PRX", body);
    return script::proc_call(Text{}, "MAIN.PRX"_t, Text{}, false);
  }

 private:
  core::CoreContext core_;
  script::ScriptContext script_;
  script::ProcContext proc_;
  std::string folder_;
  std::filesystem::path saved_cwd_;
};

// Splits the case input into MAIN.PRX and the files after "=== NAME" lines.
void write_files(Runtime& rt, const std::string& input) {
  std::string name = "MAIN.PRX";
  std::string body;
  std::istringstream in(input);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== ", 0) == 0) {
      rt.write(name, body);
      name = line.substr(4);
      body.clear();
      continue;
    }
    body += line + "\r\n";
  }
  rt.write(name, body);
}

TEST(Procedures, DataFileCases) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    Runtime rt;
    write_files(rt, c.input);
    core::Status st = script::proc_call(Text{}, "MAIN.PRX"_t, Text{}, false);
    std::string out;
    bool trace = false;
    for (size_t i = 1; i < c.args.size(); ++i) {
      if (c.args[i] == "trace") {
        trace = true;
        continue;
      }
      out += c.args[i] + "=" + var(c.args[i]) + "\n";
    }
    out += "status " + std::to_string(st);
    if (st != 0) out += "\ndetail " + str(core::error_detail());
    if (trace) {
      std::string log = rt.read(script::kTraceFileName);
      for (size_t at = 0; at < log.size();) {
        size_t end = log.find("\r\n", at);
        if (end == std::string::npos) end = log.size();
        out += "\n" + log.substr(at, end - at);
        at = end + 2;
      }
    }
    return out;
  };
  testrunner::DataCommands commands(handler, {"run"});
  testrunner::datafile_run("script/procedures.test");
}

// --- statement handlers ---------------------------------------------------------

struct Seen {
  uint16_t code = 0;
  std::vector<script::ArgKind> kinds;
  std::vector<int32_t> integers;
  std::vector<std::string> texts;
  int calls = 0;
};
Seen g_seen;
core::Status g_answer = 0;

core::Status recording_handler(uint16_t code, uint16_t argc, const script::ArgKind* kinds,
                               const int32_t* integers, const Text* texts) {
  g_seen = Seen{code, {}, {}, {}, g_seen.calls + 1};
  for (uint16_t i = 0; i < argc; ++i) {
    g_seen.kinds.push_back(kinds[i]);
    g_seen.integers.push_back(integers[i]);
    g_seen.texts.push_back(str(texts[i]));
  }
  return g_answer;
}

core::Status other_handler(uint16_t, uint16_t, const script::ArgKind*, const int32_t*,
                           const Text*) {
  return core::INTERNAL;
}

class ProcedureHandlers : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen = Seen{};
    g_answer = 0;
  }
  Runtime rt_;
};

TEST_F(ProcedureHandlers, ReceiveEvaluatedArgumentsInOrder) {
  ASSERT_EQ(script::statement_handler_set(3, &recording_handler), 0);
  ASSERT_EQ(rt_.run("N#=2.5\r\nLOCATE N#*2+0.1,'a,b',FN$MIDS('xyz';2),(1,7),-2.5\r\nDONE=1\r\n"),
            0);
  EXPECT_EQ(g_seen.code, script::statement_code("LOCATE"_t));
  ASSERT_EQ(g_seen.texts.size(), 5u);
  EXPECT_EQ(g_seen.texts, (std::vector<std::string>{"5.1", "a,b", "yz", "7", "-2.5"}));
  using K = script::ArgKind;
  EXPECT_EQ(g_seen.kinds, (std::vector<K>{K::Number, K::Text, K::Text, K::Number, K::Number}));
  EXPECT_EQ(g_seen.integers, (std::vector<int32_t>{5, 0, 0, 7, -3}));
  EXPECT_EQ(var("DONE"), "1");
  EXPECT_EQ(core::slot_count(core::kGroupArguments), 0);
}

// Expands %N% to 42, as the shell's %NAME% tokens would.
Text expand_n(Text text, int, Text) { return core::text_template(text, "N"_t, "42"_t); }

TEST_F(ProcedureHandlers, ArgumentMacrosAreExpandedBeforeSplitting) {
  ASSERT_EQ(script::statement_handler_set(0, &recording_handler), 0);
  script::macro_expander_set(expand_n);
  core::Status st = rt_.run("PRINT %N%+1,'%N%'\r\n");
  script::macro_expander_set(nullptr);
  ASSERT_EQ(st, 0);
  EXPECT_EQ(g_seen.texts, (std::vector<std::string>{"43", "42"}));
  // Expression lines are not expanded: that is MACRO$'s work.
  EXPECT_EQ(rt_.run("A$='%N%'\r\n"), 0);
  EXPECT_EQ(var("A$"), "%N%");
}

TEST_F(ProcedureHandlers, LowestSlotIsUsedAndRemovingFallsBack) {
  ASSERT_EQ(script::statement_handler_set(5, &recording_handler), 0);
  ASSERT_EQ(script::statement_handler_set(2, &other_handler), 0);
  EXPECT_EQ(rt_.run("SYSTEM\r\n"), core::INTERNAL);
  EXPECT_EQ(g_seen.calls, 0);
  ASSERT_EQ(script::statement_handler_set(2, nullptr), 0);
  EXPECT_EQ(rt_.run("SYSTEM\r\n"), 0);
  EXPECT_EQ(g_seen.calls, 1);
  EXPECT_TRUE(g_seen.texts.empty());
  EXPECT_EQ(script::statement_handler_set(16, &recording_handler), core::SINTAXERROR);
}

TEST_F(ProcedureHandlers, WarningContinuesAndClearsTheErrorRecord) {
  ASSERT_EQ(script::statement_handler_set(0, &recording_handler), 0);
  g_answer = 5;
  EXPECT_EQ(rt_.run("MENSJE 'hi'\r\nA=_ERRCODE+1\r\n"), 0);
  EXPECT_EQ(var("A"), "1");
  EXPECT_EQ(core::error_last().code, 0);
}

TEST_F(ProcedureHandlers, FailureStopsWithTheLineInTheDetail) {
  ASSERT_EQ(script::statement_handler_set(0, &recording_handler), 0);
  g_answer = core::CANCELLED;
  EXPECT_EQ(rt_.run("; remark\r\nA=1\r\nWINOPEN 'w', 3\r\nA=2\r\n"), core::CANCELLED);
  EXPECT_EQ(var("A"), "1");
  EXPECT_EQ(str(core::error_detail()), "Line: 2 (+ remmarks):\r\nWINOPEN 'w', 3");
}

TEST_F(ProcedureHandlers, FailingArgumentStopsBeforeTheHandler) {
  ASSERT_EQ(script::statement_handler_set(0, &recording_handler), 0);
  EXPECT_EQ(rt_.run("PRINT 1,'a'+1\r\n"), core::TYPEMISMATCH);
  EXPECT_EQ(g_seen.calls, 0);
  EXPECT_EQ(core::slot_count(core::kGroupArguments), 0);
  EXPECT_EQ(core::error_last().context, core::Context::EXPEXEC);
}

TEST_F(ProcedureHandlers, SeventeenArgumentsAreTooMany) {
  ASSERT_EQ(script::statement_handler_set(0, &recording_handler), 0);
  EXPECT_EQ(rt_.run("PRINT 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\r\n"), 0);
  EXPECT_EQ(g_seen.texts.size(), 16u);
  EXPECT_EQ(rt_.run("PRINT 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17\r\n"), core::SINTAXERROR);
}

// --- the run loop -----------------------------------------------------------------

int g_pumps = 0;
bool cancel_on_third() { return ++g_pumps == 3; }

// The pump is asked before the first statement and then every 16 quick
// statements (jumps and compiled expressions); after any other statement it
// is asked at once. A cancel stops the run before the statement it was asked at.
TEST(ProcedureRun, CancelHookStopsBeforeTheStatement) {
  Runtime rt;
  g_pumps = 0;
  script::proc_pump_hook_set(&cancel_on_third);
  std::string text;
  for (int i = 1; i <= 40; ++i) text += "A=" + std::to_string(i) + "\r\n";
  EXPECT_EQ(rt.run(text), core::CANCELLED);
  EXPECT_EQ(var("A"), "32");
  EXPECT_EQ(str(core::error_detail()), "Line: 33 (+ remmarks):\r\n A=33");

  // A statement that calls a function may take long: the pump follows it.
  g_pumps = 0;
  EXPECT_EQ(rt.run("A=1\r\nA=FN#SLEN(\"x\")\r\nA=FN#SLEN(\"xy\")\r\nA=4\r\n"), core::CANCELLED);
  EXPECT_EQ(var("A"), "2");
  EXPECT_EQ(str(core::error_detail()), "Line: 4 (+ remmarks):\r\n A=4");
  script::proc_pump_hook_set(nullptr);
}

// The progress window's answer stays "cancelled" once the user asked.
bool cancelled_from_third() { return ++g_pumps >= 3; }

TEST(ProcedureRun, CancelHookStopsAnEndlessAccumulation) {
  Runtime rt;
  g_pumps = 0;
  script::proc_pump_hook_set(&cancelled_from_third);
  // Asked before the statement, then every 1,024 rounds of the sum.
  EXPECT_EQ(rt.run("A#=FN#ACUM(1;I#;1;2000000000)\r\nB=1\r\n"), core::CANCELLED);
  EXPECT_EQ(var("I#"), "2048");
  EXPECT_EQ(var("B"), "0");
  script::proc_pump_hook_set(nullptr);
  EXPECT_EQ(rt.run("C#=FN#ACUM(1;J#;1;5000)\r\n"), 0);
  EXPECT_EQ(var("C#"), "5000");
}

// A procedure-defined function that answers 1 with a warning.
core::Status warning_one(Text, Text, script::Value* out) {
  *out = script::Value::num(script::number_from_int(1));
  return 5;
}

TEST(ProcedureRun, ConditionWithAWarningCountsAsFalse) {
  Runtime rt;
  script::indexed_hook_set(&warning_one);
  EXPECT_EQ(rt.run("IF W(1)\r\nA=1\r\nENDIF\r\nDO_UNTIL W(1)\r\nB=B+1\r\nLOOP_UNTIL B>=3\r\n"), 0);
  script::indexed_hook_set(nullptr);
  EXPECT_EQ(var("A"), "0");
  EXPECT_EQ(var("B"), "3");
}

TEST(ProcedureRun, EndlessRecursionStopsWithStackError) {
  Runtime rt;
  EXPECT_EQ(rt.run("DEF_FN SELF\r\nN=N+1\r\nCALL SELF,,0\r\n"), core::PRCSTCKERROR);
  EXPECT_EQ(var("N"), std::to_string(script::kMaxCallDepth));
  EXPECT_EQ(core::slot_count(core::kGroupArguments), 0);
  EXPECT_EQ(script::proc_loaded_count(), 0);
}

TEST(ProcedureRun, CalledFileIsUnloadedAndNewestEntryWins) {
  Runtime rt;
  rt.write("A.PRX", "DEF_FN WHO\r\nW=1\r\n");
  rt.write("B.PRX", "DEF_FN WHO\r\nW=2\r\n");
  uint16_t a = 0, b = 0;
  ASSERT_EQ(script::proc_load("A.PRX"_t, &a), 0);
  ASSERT_EQ(script::proc_load("B.PRX"_t, &b), 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(script::proc_call("WHO"_t, Text{}, Text{}, false), 0);
  EXPECT_EQ(var("W"), "2");
  ASSERT_EQ(script::proc_unload(b), 0);
  EXPECT_EQ(script::proc_unload(b), core::BADFILENUMBER);
  EXPECT_EQ(script::proc_call("WHO"_t, Text{}, Text{}, false), 0);
  EXPECT_EQ(var("W"), "1");
  // Loading for a call leaves the table as it was.
  EXPECT_EQ(script::proc_call("WHO"_t, "B.PRX"_t, Text{}, false), 0);
  EXPECT_EQ(var("W"), "2");
  EXPECT_EQ(script::proc_loaded_count(), 1);
}

TEST(ProcedureRun, ArgumentsThroughProcCall) {
  Runtime rt;
  rt.write("P.PRX", "LOCALVARS A$,B#\r\nR$=A$+FN$CHRS('-';B#)\r\n");
  ASSERT_EQ(script::var_set("R$"_t, ""_t), 0);
  EXPECT_EQ(script::proc_call(Text{}, "P.PRX"_t, "'ab',3"_t, true), 0);
  EXPECT_EQ(var("R$"), "ab---");
  EXPECT_EQ(script::var_find("B#"_t).index, -1);  // local: created inside, gone after
}

TEST(ProcedureRun, MissingFileAndMissingEntry) {
  Runtime rt;
  EXPECT_EQ(script::proc_load("NONE.PRX"_t, nullptr), core::FILENOTFOUND);
  EXPECT_EQ(str(core::error_detail()), "NONE.PRX");
  EXPECT_EQ(core::error_last().context, core::Context::ExecCompiler);
  core::error_clear();
  EXPECT_EQ(script::proc_call("NOPE"_t, Text{}, Text{}, false), core::SINTAXERROR);
  EXPECT_EQ(str(core::error_detail()), "NOPE");
}

TEST(ProcedureRun, AFileThatIsNotTextIsRefusedBeforeAnyOfItRuns) {
  Runtime rt;
  rt.write("RAW.PRX", "A=1\r\nB=2\x01\xff\r\nC=3\r\n");
  EXPECT_EQ(script::proc_call(Text{}, "RAW.PRX"_t, Text{}, false), core::SINTAXERROR);
  EXPECT_EQ(str(core::error_detail()), "RAW.PRX, line 2: not a text file (byte 0x01)");
  EXPECT_EQ(core::error_place().file, "RAW.PRX");
  EXPECT_EQ(core::error_place().line, 2u);
  EXPECT_EQ(var("A"), "0");
  EXPECT_EQ(script::proc_loaded_count(), 0);
}

// The shell's finder: every definition file lies in SUB of the folder.
std::string g_finder_folder;
Text finder_in_sub(Text name) {
  return core::text_copy(txt(g_finder_folder + "/SUB/" + str(name)));
}

TEST(ProcedureRun, FilesAreFoundThroughTheFolderListOrTheShellsFinder) {
  Runtime rt;
  const std::string folder = str(core::slot_get(core::kGroupEnv, core::kEnvDocPath));
  std::filesystem::create_directory(folder + "/SUB");
  rt.write("SUB/INNER.PRX", "WHERE$='sub'\r\n");
  rt.write("INNER.PRX", "WHERE$='top'\r\n");
  // A comma list of folders is searched in order.
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath,
                           txt(folder + "/none," + folder + "/SUB," + folder)),
            0);
  EXPECT_EQ(script::proc_call(Text{}, "INNER.PRX"_t, Text{}, false), 0);
  EXPECT_EQ(var("WHERE$"), "sub");
  // A name with a folder is used as it is.
  EXPECT_EQ(script::proc_call(Text{}, txt(folder + "/INNER.PRX"), Text{}, false), 0);
  EXPECT_EQ(var("WHERE$"), "top");
  // The shell's finder decides when it is installed.
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder)), 0);
  g_finder_folder = folder;
  script::definition_finder_set(finder_in_sub);
  EXPECT_EQ(script::proc_call(Text{}, "INNER.PRX"_t, Text{}, false), 0);
  EXPECT_EQ(var("WHERE$"), "sub");
  EXPECT_EQ(script::proc_call(Text{}, "OTHER.PRX"_t, Text{}, false), core::FILENOTFOUND);
  script::definition_finder_set(nullptr);
  EXPECT_EQ(script::proc_call(Text{}, "INNER.PRX"_t, Text{}, false), 0);
  EXPECT_EQ(var("WHERE$"), "top");
}

TEST(ProcedureRun, ExecFunctionRunsAProcedure) {
  Runtime rt;
  script::execute_hook_set(script::procedure_execute);
  rt.write("TWICE.PRX", "LOCALVARS N#\r\nR#=N#*2\r\n");
  rt.write("BAD.TXT", "PRINT 1\r\n");
  {
    core::ArenaScope scope;
    script::Value v;
    EXPECT_EQ(script::expr_value("R#=1,EXEC$(',TWICE.PRX,0';'21')"_t, &v), 0);
    EXPECT_EQ(var("R#"), "42");
    // Not an expression file: run as a procedure even without arguments.
    EXPECT_EQ(script::expr_value("EXEC$('BAD.TXT')"_t, &v), core::FEATUREREMOVED);
  }
  script::execute_hook_set(nullptr);
}

// A file written by name line by line: read back in the middle of the run
// it holds every line so far, a called procedure writes on in the same
// file, and once the run ends nothing of it is left open.
TEST(ProcedureRun, FilesWrittenByNameAreWholeAtEveryStepAndClosedAtTheEnd) {
  Runtime rt;
  auto open_fds = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator{});
  };
  auto before = open_fds();
  rt.write("MORE.PRX", "DEF_FN MORE\r\nX=WRITE('out.txt';-1;'c;')\r\n");
  EXPECT_EQ(rt.run("X=WRITE('out.txt';-1;'a;')\r\nX=WRITE('out.txt';-1;'b;')\r\n"
                   "A$=READ$('out.txt')\r\nCALL MORE,MORE.PRX\r\nX=WRITE('out.txt';-1;'d;')\r\n"
                   "B$=READ$('out.txt')\r\nX=WRITE('out.txt';0;'A')\r\nX=WRITE('out.txt';-1;'e;')\r\n"),
            0)
      << str(core::error_detail());
  EXPECT_EQ(var("A$"), "a;b;");
  EXPECT_EQ(var("B$"), "a;b;c;d;");
  EXPECT_EQ(rt.read("out.txt"), "A;b;c;d;e;");
  EXPECT_EQ(open_fds(), before);
}

// --- the compiler -----------------------------------------------------------------

script::Procedure compile(const std::vector<std::string>& lines, core::Status* st) {
  script::Procedure p;
  *st = script::proc_compile(lines, &p);
  return p;
}

TEST(ProcedureCompile, JumpTargets) {
  core::CoreContext core;
  core::Status st = 0;
  script::Procedure p = compile({"IF A", "X=1", "ELSE", "X=2", "ENDIF", ":L", "DO_WHILE B",
                                 "GOSUB L", "LOOP", "DEF_FN E1, E2", "DO", "LOOP_UNTIL C", "END"},
                                &st);
  ASSERT_EQ(st, 0);
  ASSERT_EQ(p.statements.size(), 11u);
  auto target = [&](size_t i) { return p.statements[i].target; };
  EXPECT_EQ(target(0), 3);  // IF -> after ELSE
  EXPECT_EQ(target(2), 5);  // ELSE -> after ENDIF
  EXPECT_EQ(target(4), 2);  // ENDIF -> its opener
  EXPECT_EQ(target(5), 8);  // DO_WHILE -> after LOOP
  EXPECT_EQ(target(6), 5);  // GOSUB -> the label's statement
  EXPECT_EQ(target(7), 5);  // LOOP -> DO_WHILE
  EXPECT_EQ(target(9), 8);  // LOOP_UNTIL -> DO
  EXPECT_EQ(p.statements[0].argument, "A");
  EXPECT_EQ(p.statements[1].code, script::kStExpression);
  EXPECT_EQ(p.statements[1].argument, "X=1");
  ASSERT_EQ(p.entries.size(), 2u);
  EXPECT_EQ(p.entries[1].name, "E2");
  EXPECT_EQ(p.entries[1].index, 8);
}

TEST(ProcedureCompile, Capacities) {
  core::CoreContext core;
  core::Status st = 0;
  std::vector<std::string> lines;
  for (int i = 0; i < script::kMaxLabels; ++i) lines.push_back(":L" + std::to_string(i));
  compile(lines, &st);
  EXPECT_EQ(st, 0);
  lines.push_back(":ONE_MORE");
  compile(lines, &st);
  EXPECT_EQ(st, core::OUTOFMEMORY);
  EXPECT_EQ(core::error_last().context, core::Context::ExecCompiler);

  std::string names = "E0";
  for (int i = 1; i < script::kMaxEntries; ++i) names += ",E" + std::to_string(i);
  compile({"DEF_FN " + names}, &st);
  EXPECT_EQ(st, 0);
  compile({"DEF_FN " + names, "DEF_FN X"}, &st);
  EXPECT_EQ(st, core::OUTOFMEMORY);

  std::vector<std::string> blocks(script::kMaxOpenBlocks, "DO");
  blocks.insert(blocks.end(), script::kMaxOpenBlocks, "LOOP");
  compile(blocks, &st);
  EXPECT_EQ(st, 0);
  blocks.insert(blocks.begin() + script::kMaxOpenBlocks, {"IF 1", "ENDIF"});
  compile(blocks, &st);
  EXPECT_EQ(st, core::OUTOFMEMORY);
}

TEST(ProcedureCompile, KeywordList) {
  EXPECT_EQ(core::list_count(script::kStatementList, ','), script::kStatementKeywords);
  EXPECT_EQ(str(script::statement_keyword(script::kStEnd)), "END");
  EXPECT_EQ(str(script::statement_keyword(script::kStPrint)), "PRINT");
  EXPECT_EQ(str(script::statement_keyword(script::kStSystem)), "SYSTEM");
  EXPECT_EQ(script::statement_code("LOOP_UNTIL"_t), script::kStLoopUntil);
  EXPECT_EQ(script::statement_code("print"_t), 0);
}

}  // namespace
