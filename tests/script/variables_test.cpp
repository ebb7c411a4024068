// The variable store: data-file cases for names, kinds and conversions, and
// code for snapshots, arrays, the hook, capacity failures and leaks.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/slots.h"
#include "formats/formats.h"
#include "script/internal/var_state.h"
#include "script/numbers.h"
#include "script/variables.h"
#include "tests/script/store_hooks.h"
#include "tests/runner/datafile.h"

namespace {

using core::operator""_t;
using core::Text;
using script::Value;

Text tv(const std::string& s) { return core::text_view(s.data(), s.size()); }
std::string str(Text t) {
  return t.ok() ? std::string(t.ptr, t.len) : "error " + std::to_string(t.len);
}

std::string get(const std::string& name) {
  core::ArenaScope scope;
  core::Status st = script::var_get(tv(name));
  if (st != 0) return "error " + std::to_string(st);
  std::string value = str(core::arena_top());
  return value.empty() ? "\"\"" : value;
}

std::string run_line(const std::string& line) {
  size_t b1 = line.find(' ');
  std::string op = line.substr(0, b1);
  std::string rest = b1 == std::string::npos ? "" : line.substr(b1 + 1);
  size_t b2 = rest.find(' ');
  std::string name = rest.substr(0, b2);
  std::string arg = b2 == std::string::npos ? "" : rest.substr(b2 + 1);
  core::ArenaScope scope;
  if (op == "set" || op == "setnum") {
    Value v = op == "set" ? Value::txt(tv(arg)) : Value::num(script::number_from_text(tv(arg)));
    core::Status st = script::var_set_value(tv(name), v);
    return st != 0 ? "set " + name + ": error " + std::to_string(st) + "\n" : "";
  }
  if (op == "get") return get(name) + "\n";
  if (op == "kind") return std::to_string(script::var_kind(tv(name))) + "\n";
  if (op == "find") {
    script::VarRef r = script::var_find(tv(name));
    return std::to_string(r.kind) + " " + std::to_string(r.index) + "\n";
  }
  if (op == "entry") return str(script::var_settings_entry(tv(name))) + "\n";
  if (op == "dot") {
    int32_t v = 0;
    return (script::dot_name_value(tv(name), &v) ? std::to_string(v) : "unknown") + "\n";
  }
  return "bad operation " + op + "\n";
}

TEST(VariablesData, Cases) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    core::CoreContext core;
    script::ScriptContext script;
    std::string out;
    size_t start = 0;
    while (start < c.input.size()) {
      size_t end = c.input.find('\n', start);
      if (end == std::string::npos) end = c.input.size();
      out += run_line(c.input.substr(start, end - start));
      start = end + 1;
    }
    if (!out.empty()) out.pop_back();
    return out;
  };
  testrunner::DataCommands commands(handler, {"vars"});
  testrunner::datafile_run("script/variables.test");
}

class Variables : public ::testing::Test {
 protected:
  core::CoreContext core_;
  std::unique_ptr<script::ScriptContext> script_ = std::make_unique<script::ScriptContext>();

  static void set(const std::string& name, const std::string& value) {
    ASSERT_EQ(script::var_set(tv(name), tv(value)), 0) << name;
  }
  static std::string list(uint16_t slot) { return str(core::slot_get(core::kGroupVarNames, slot)); }
};

TEST_F(Variables, SystemVariablesAreTheFirstNamesInTheirOrder) {
  ASSERT_EQ(script_->status(), 0);
  EXPECT_EQ(list(0),
            "_ERRCODE,_ERRFUNC,_CURFIL,_CUREDFLD,_DEVHIG,_DEVWID,_DEVLIN,_DEVPOS,_DEVPAG,_CURROW,"
            "_STAT,_LASTKEY,_SGN,_UPSTAT,_IER,_SYSCOMPAT,_SQLSTK,_COUNT,_HCOUNT,_ADMSTAT,_COMPAT,"
            "_SCRSTAT,_LMAX,_LNUM,_LLST,_HNUM,_SAFE,_LB,_AUX,_KEYMAP,_SERIAL,_TRACE,_PRECIS,"
            "_BYEAR,_BKYEAR,_DX,_INHND,_OUTHND,_DATE,_USER01,_USER02,_USER03");
  EXPECT_EQ(list(1), "");
  EXPECT_EQ(list(2), "_ACUM$,_ACUMX$,_LTEXT$");
  EXPECT_EQ(core::slot_count(core::kGroupVarNames), 4);
  EXPECT_EQ(core::slot_count(core::kGroupVarTexts), 3);
  EXPECT_EQ(script::var_count(script::kKindInt), core::kSystemIntegers);
  EXPECT_EQ(script::var_get_int(core::kSwBYear), 2000);
  EXPECT_EQ(script::var_get_int(core::kSwDevWid), 80);
}

TEST_F(Variables, ValuesLiveWhereTheirKindSays) {
  set("B", "5");
  set("C#", "2.5");
  set("D$", "dee");
  EXPECT_EQ(list(0).substr(list(0).size() - 9), "_USER03,B");
  EXPECT_EQ(list(1), "C#");
  EXPECT_EQ(list(2), "_ACUM$,_ACUMX$,_LTEXT$,D$");
  EXPECT_EQ(str(core::slot_get(core::kGroupVarTexts, 3)), "dee");
  EXPECT_EQ(script::var_get_int(42), 5);
  EXPECT_EQ(script::var_get_num(0), 250);
  script::var_set_num(0, 375);
  EXPECT_EQ(get("C#"), "3.75");
  // Beyond the variables nothing is written and 0 is read.
  script::var_set_int(500, 9);
  EXPECT_EQ(script::var_get_int(500), 0);
}

TEST_F(Variables, VarGetLeavesOneResultOnTheArena) {
  set("T$", "text");
  uint16_t mark = core::arena_mark();
  ASSERT_EQ(script::var_get("T$"_t), 0);
  EXPECT_EQ(core::arena_mark(), mark + 1);
  EXPECT_EQ(str(core::arena_top()), "text");
  core::arena_release(mark);
  EXPECT_EQ(script::var_get("A(1)"_t), core::SINTAXERROR);
  EXPECT_EQ(core::arena_mark(), mark);
}

TEST_F(Variables, TraceAndFormatsStatusWordsComeFromTheStoreThroughTheHooks) {
  core::trace_level_set(9);
  EXPECT_EQ(core::trace_level(), 9);  // no hook: the core's own value
  scripttest::install_store_hooks();
  EXPECT_EQ(core::trace_level(), 1);
  set("_TRACE", "6");
  EXPECT_EQ(core::trace_level(), 6);
  set("_BKYEAR", "10");
  EXPECT_EQ(formats::status_word(core::kSwBkYear), 10);
  // Without a store the hooks answer the system variables' defaults.
  script_.reset();
  EXPECT_EQ(core::trace_level(), 1);
  EXPECT_EQ(formats::status_word(core::kSwBkYear), 80);
  scripttest::remove_store_hooks();
  EXPECT_EQ(core::trace_level(), 9);
  EXPECT_EQ(core_.shutdown(), 0);
}

TEST_F(Variables, LocaleFollowsTheLanguageThroughTheHook) {
  scripttest::install_store_hooks();
  char tmpl[] = "/tmp/localetestXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string folder = tmpl;
  std::ofstream(folder + "/QV_LANG_EN.MSJ", std::ios::binary)
      << "0019 .,'0123456789.-D',' NY','  ,NO,YES'\r\n"
      << "0117 January,February,March,April,May,June,July,August,September,October,"
         "November,December,'[M] [D], [Y]'\r\n";
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, tv(folder)), 0);
  // The first lookup loads the language (none set: the built-in catalogue).
  EXPECT_EQ(std::string(core::message_text_c("0005").ptr, 5), "Proce");
  EXPECT_EQ(formats::locale_decimal(formats::Locale::Current), ',');
  EXPECT_EQ(str(formats::locale_month_name(1)), "Enero");
  ASSERT_EQ(core::language_set("EN"_t), 0);
  EXPECT_EQ(formats::locale_decimal(formats::Locale::Current), '.');
  EXPECT_EQ(str(formats::locale_month_name(1)), "January");
  EXPECT_EQ(str(formats::locale_long_template()), "[M] [D], [Y]");
  std::filesystem::remove_all(folder);
  scripttest::remove_store_hooks();
}

TEST_F(Variables, LookupsAgreeWithTheListsForManyNames) {
  for (int i = 0; i < 1500; ++i) set("V" + std::to_string(i), std::to_string(i));
  Text names = core::slot_get(core::kGroupVarNames, 0);
  for (int i = 0; i < 1500; i += 37) {
    std::string name = "V" + std::to_string(i);
    script::VarRef r = script::var_find(tv(name));
    EXPECT_EQ(r.index + 1, core::list_index(names, ',', tv(name)));
    EXPECT_EQ(script::var_get_int(static_cast<uint16_t>(r.index)), i);
  }
  script::var_reindex();
  EXPECT_EQ(script::var_find("V1499"_t).index, 42 + 1499);
}

TEST_F(Variables, RestoreDropsWhatWasCreatedAndKeepsValues) {
  set("BEFORE#", "1");  // the number table's block is made here and stays
  std::string ints = list(0), nums = list(1), texts = list(2);
  uint16_t blocks = core::block_live_count();
  script::VarSnapshot snap = script::var_snapshot();

  set("_ERRCODE", "5");
  set("LOCAL", "1");
  set("LOCAL#", "2");
  set("LOCAL$", "x");
  set("_ACUM$", "kept");
  int32_t dims[] = {3};
  Value v;
  ASSERT_EQ(script::array_get("L$"_t, dims, 1, &v), 0);
  ASSERT_EQ(script::array_set("L$"_t, dims, 1, Value::txt("element"_t)), 0);

  script::var_restore(snap);
  EXPECT_EQ(list(0), ints);
  EXPECT_EQ(list(1), nums);
  EXPECT_EQ(list(2), texts);
  EXPECT_EQ(core::slot_count(core::kGroupVarTexts), snap.text_count);
  EXPECT_EQ(script::var_find("LOCAL"_t).index, -1);
  EXPECT_EQ(get("LOCAL$"), "\"\"");
  EXPECT_FALSE(script::array_exists("L$"_t));
  EXPECT_EQ(get("_ERRCODE"), "5");
  EXPECT_EQ(get("_ACUM$"), "kept");
  EXPECT_EQ(core::block_live_count(), blocks);
  // The freed places are taken again by the next names.
  set("OTHER", "3");
  EXPECT_EQ(script::var_find("OTHER"_t).index, 42);
  EXPECT_EQ(script::var_get_int(42), 3);
}

TEST_F(Variables, NestedAndStaleSnapshots) {
  script::VarSnapshot outer = script::var_snapshot();
  set("A", "1");
  script::VarSnapshot inner = script::var_snapshot();
  set("B", "2");
  script::var_restore(inner);
  EXPECT_EQ(get("A"), "1");
  EXPECT_EQ(script::var_find("B"_t).index, -1);
  script::var_restore(outer);
  EXPECT_EQ(script::var_find("A"_t).index, -1);

  // inner is stale now: restoring it after other names came must not cut a
  // name in two or drop the newer one's value.
  set("CC", "3");
  script::var_restore(inner);
  EXPECT_EQ(list(0).substr(list(0).size() - 3), ",CC");
  EXPECT_EQ(get("CC"), "3");
}

TEST_F(Variables, ArraysCountEachIndexFromZeroToItsDimension) {
  int32_t three[] = {3};
  Value v;
  ASSERT_EQ(script::array_get("A"_t, three, 1, &v), 0);  // defines A with 0..3
  EXPECT_EQ(v.number, 0);
  int32_t i0[] = {0}, i4[] = {4}, neg[] = {-1};
  ASSERT_EQ(script::array_set("A"_t, i0, 1, Value::num(script::number_from_int(1))), 0);
  ASSERT_EQ(script::array_set("A"_t, three, 1, Value::txt("4"_t)), 0);
  EXPECT_EQ(script::array_get("A"_t, i4, 1, &v), core::DATAOUTBOUND);
  EXPECT_EQ(script::array_get("A"_t, neg, 1, &v), core::DATAOUTBOUND);
  ASSERT_EQ(script::array_get("A(whatever)"_t, i0, 1, &v), 0);
  EXPECT_EQ(v.number, 100);
  ASSERT_EQ(script::array_get("A"_t, three, 1, &v), 0);
  EXPECT_EQ(v.number, 400);
  EXPECT_EQ(script::var_find("A(2)"_t).kind, script::kKindIndexed);
  EXPECT_EQ(script::var_find("A(2)"_t).index, 0);
  EXPECT_EQ(list(3), "A");
  // The integer variable A is another thing.
  EXPECT_EQ(script::var_find("A"_t).index, -1);
}

TEST_F(Variables, ArrayElementsAreRowMajorAndKeepTheirKind) {
  int32_t dims[] = {2, 3};
  Value v;
  ASSERT_EQ(script::array_get("M#"_t, dims, 2, &v), 0);
  for (int32_t i = 0; i <= 2; ++i)
    for (int32_t j = 0; j <= 3; ++j) {
      int32_t at[] = {i, j};
      ASSERT_EQ(script::array_set("M#"_t, at, 2, Value::num(i * 10 + j)), 0);
    }
  // The last index varies fastest: (1;2) is element 1 * 4 + 2.
  const script::internal::ScriptState* s = script::internal::current();
  EXPECT_EQ(reinterpret_cast<const int64_t*>(s->pool + s->arrays[0].offset)[6], 12);

  int32_t one[] = {1};
  ASSERT_EQ(script::array_get("I"_t, one, 1, &v), 0);
  ASSERT_EQ(script::array_set("I"_t, one, 1, Value::num(250)), 0);  // 2.5 rounds to 3
  ASSERT_EQ(script::array_get("I"_t, one, 1, &v), 0);
  EXPECT_EQ(v.number, 300);
  ASSERT_EQ(script::array_get("T$"_t, one, 1, &v), 0);
  ASSERT_TRUE(v.is_text());
  ASSERT_EQ(script::array_set("T$"_t, one, 1, Value::num(150)), 0);
  ASSERT_EQ(script::array_get("T$"_t, one, 1, &v), 0);
  EXPECT_EQ(str(v.text), "1.5");
}

TEST_F(Variables, ArrayShapeErrors) {
  int32_t idx[] = {1, 1, 1, 1, 1};
  Value v;
  EXPECT_EQ(script::array_set("U"_t, idx, 1, Value::num(0)), core::DIMSTRUCERROR);
  EXPECT_FALSE(script::array_exists("U"_t));
  EXPECT_EQ(script::array_get("U"_t, idx, 0, &v), core::DIMSTRUCERROR);
  EXPECT_EQ(script::array_get("U"_t, idx, 5, &v), core::DIMSTRUCERROR);
  ASSERT_EQ(script::array_get("U"_t, idx, 4, &v), 0);
  EXPECT_EQ(script::array_get("U"_t, idx, 2, &v), core::DIMSTRUCERROR);
  int32_t huge[] = {1023, 1023, 1};
  EXPECT_EQ(script::array_get("H"_t, huge, 3, &v), core::DATAOUTBOUND);
  EXPECT_FALSE(script::array_exists("H"_t));
  EXPECT_EQ(script::array_get("X@"_t, idx, 1, &v), core::SINTAXERROR);
}

TEST_F(Variables, TextElementsSurviveGrowthAndOverwrites) {
  int32_t dims[] = {49};
  Value v;
  ASSERT_EQ(script::array_get("S$"_t, dims, 1, &v), 0);
  auto expected = [](int32_t i, int round) {
    return std::string(static_cast<size_t>(50 + i * 7 + round % 5),
                       static_cast<char>('a' + (i + round) % 26));
  };
  for (int round = 0; round < 40; ++round)
    for (int32_t i = 0; i <= 49; ++i) {
      int32_t at[] = {i};
      ASSERT_EQ(script::array_set("S$"_t, at, 1, Value::txt(tv(expected(i, round)))), 0);
    }
  for (int32_t i = 0; i <= 49; ++i) {
    int32_t at[] = {i};
    ASSERT_EQ(script::array_get("S$"_t, at, 1, &v), 0);
    EXPECT_EQ(str(v.text), expected(i, 39));
  }
  // An element assigned from a view of another element (or of itself).
  int32_t a0[] = {0}, a1[] = {1};
  ASSERT_EQ(script::array_get("S$"_t, a1, 1, &v), 0);
  ASSERT_EQ(script::array_set("S$"_t, a0, 1, v), 0);
  ASSERT_EQ(script::array_get("S$"_t, a0, 1, &v), 0);
  EXPECT_EQ(str(v.text), expected(1, 39));
}

std::string g_written;
Text test_hook(Text name, int action, Text value) {
  std::string n = str(name);
  if (action == script::kHookWrite) {
    g_written += n + "=" + str(value) + ";";
    return n == "_FIELD" ? "ok"_t : core::text_error_value(core::NOVALUE);
  }
  if (n == "_FIELD") return "42"_t;
  if (n == "_FLAG") return "yes"_t;
  if (n == "_AMOUNT#") return "1.255"_t;
  if (n == "_NAME$") return "Smith"_t;
  if (n == "_BAD") return core::text_error_value(core::SINTAXERROR);
  return core::text_error_value(core::NOVALUE);
}

TEST_F(Variables, HookAnswersFirstForUnderscoreNames) {
  g_written.clear();
  set("_ERRCODE", "3");
  script::var_hook_set(test_hook);
  EXPECT_EQ(get("_FIELD"), "42");
  EXPECT_EQ(get("_FLAG"), "1");
  EXPECT_EQ(get("_AMOUNT#"), "1.26");
  EXPECT_EQ(get("_NAME$"), "Smith");
  EXPECT_EQ(get("_BAD"), "error 147");
  EXPECT_EQ(get("_ERRCODE"), "3");  // the hook said NOVALUE: the store answers
  EXPECT_EQ(script::var_find("_FIELD"_t).index, -1);

  set("_FIELD", "7");  // taken by the hook, not created
  EXPECT_EQ(script::var_find("_FIELD"_t).index, -1);
  ASSERT_EQ(script::var_set_value("_ERRCODE"_t, Value::num(250)), 0);
  EXPECT_EQ(get("_ERRCODE"), "3");
  set("PLAIN", "1");  // never offered
  EXPECT_EQ(g_written, "_FIELD=7;_ERRCODE=3;");
  script::var_hook_set(nullptr);
  EXPECT_EQ(get("_FIELD"), "0");
}

TEST_F(Variables, FullTextStoreFailsAndLeavesTheStoreAsItWas) {
  std::string big(1000, 'x');
  core::Status st = 0;
  int n = 0;
  for (; n < 200 && st == 0; ++n) st = script::var_set(tv("T" + std::to_string(n) + "$"), tv(big));
  ASSERT_EQ(st, core::STROUTBOUND);
  std::string failed = "T" + std::to_string(n - 1) + "$";
  EXPECT_EQ(script::var_find(tv(failed)).index, -1);
  EXPECT_EQ(list(2).find(failed), std::string::npos);
  EXPECT_EQ(core::slot_count(core::kGroupVarTexts), script::var_count(script::kKindText));
  EXPECT_NE(core::error_last().code, 0);

  // An existing variable keeps its value when the new one does not fit.
  EXPECT_EQ(script::var_set("T0$"_t, tv(big + big)), core::STROUTBOUND);
  EXPECT_EQ(get("T0$"), big);
}

TEST_F(Variables, FullNameListFailsWithVarNameError) {
  std::string pad(250, 'n');
  core::Status st = 0;
  int n = 0;
  for (; n < 400 && st == 0; ++n) st = script::var_set(tv(pad + std::to_string(n)), "1"_t);
  ASSERT_EQ(st, core::VARNAMEERROR);
  uint16_t count = script::var_count(script::kKindInt);
  std::string names = list(0);
  EXPECT_EQ(script::var_set(tv(pad + "x"), "1"_t), core::VARNAMEERROR);
  EXPECT_EQ(script::var_count(script::kKindInt), count);
  EXPECT_EQ(list(0), names);
}

TEST_F(Variables, AssignmentFailuresAreRecordedInVarNmAssign) {
  core::error_clear();
  EXPECT_EQ(script::var_set("A@"_t, "1"_t), core::SINTAXERROR);
  EXPECT_EQ(core::error_last().code, core::SINTAXERROR);
  EXPECT_EQ(core::error_last().context, core::Context::VARNMASSIGN);
  EXPECT_EQ(script::var_set("A"_t, core::text_error_value(core::NOVALUE)), core::NOVALUE);
}

TEST_F(Variables, NothingLeaksWhenTheStoreGoes) {
  for (int i = 0; i < 300; ++i) set("N" + std::to_string(i) + "#", "1");
  int32_t dims[] = {5, 5};
  Value v;
  ASSERT_EQ(script::array_get("A"_t, dims, 2, &v), 0);
  ASSERT_EQ(script::array_get("B$"_t, dims, 2, &v), 0);
  ASSERT_EQ(script::array_set("B$"_t, dims, 2, Value::txt("text"_t)), 0);
  script_.reset();
  EXPECT_EQ(core_.shutdown(), 0);
}

TEST(VariablesNoStore, StatusWordsReadTheirDefaults) {
  core::CoreContext core;
  EXPECT_EQ(script::var_get_int(core::kSwPrecis), 2);
  EXPECT_EQ(script::var_get_int(core::kSwTrace), 1);
  EXPECT_EQ(script::var_get_int(core::kSwLastKey), 4);
  Value v;
  EXPECT_EQ(script::var_get_value("X#"_t, &v), 0);
  EXPECT_EQ(v.number, 0);
}

}  // namespace
