// Built-in functions: the data-file cases, plus the argument stack, the
// hooks into other layers, files and settings files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "script/eval.h"
#include "script/functions.h"
#include "script/numbers.h"
#include "script/variables.h"
#include "tests/runner/datafile.h"
#include "tests/script/expr_show.h"
#include "tests/script/store_hooks.h"
#include "tests/support/file_text.h"

namespace {

using scripttest::show;
using scripttest::str;
using scripttest::txt;

using core::operator""_t;
namespace fs = std::filesystem;

std::string read_file(const fs::path& p) { return testsupport::file_text(p.string()); }

void write_file(const fs::path& p, const std::string& s) {
  std::ofstream out(p, std::ios::binary);
  out << s;
}

void reset_hooks() {
  script::data_function_hook_set(nullptr);
  script::app_function_hook_set(nullptr);
  script::execute_hook_set(nullptr);
  script::macro_expander_set(nullptr);
  script::settings_saver_set(nullptr);
}

TEST(FunctionsData, Cases) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    core::CoreContext core;
    script::ScriptContext script;
    scripttest::install_store_hooks();
    for (const std::string& arg : c.args) {
      if (arg.rfind("precis=", 0) == 0)
        script::var_set_int(core::kSwPrecis, static_cast<int16_t>(std::stoi(arg.substr(7))));
      if (arg.rfind("lang=", 0) == 0) {
        EXPECT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, txt(arg.substr(5))), 0);
      }
    }
    std::string out;
    std::stringstream lines(c.input);
    std::string line;
    while (std::getline(lines, line)) {
      core::error_clear();
      if (!out.empty()) out += '\n';
      out += show(line);
    }
    scripttest::remove_store_hooks();
    return out;
  };
  testrunner::DataCommands commands(handler, {"eval"});
  testrunner::datafile_run("script/functions.test");
}

class Functions : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_hooks();
    dir_ = fs::temp_directory_path() /
           ("fn_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    reset_hooks();
    fs::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  core::CoreContext core_;
  script::ScriptContext script_;
  fs::path dir_;
};

TEST_F(Functions, NamesAndNumbers) {
  EXPECT_EQ(script::function_number("_#"_t), 1);
  EXPECT_EQ(script::function_number("FN$TRIM"_t), 19);
  EXPECT_EQ(script::function_number("SQLCHILD"_t), 33);
  EXPECT_EQ(script::function_number("fn$trim"_t), 0);
  EXPECT_EQ(script::function_number(""_t), 0);
  EXPECT_EQ(script::function_number(core::text_error_value(core::NOVALUE)), 0);
}

TEST_F(Functions, ArgumentStackIsPoppedBackAfterEveryCall) {
  ASSERT_EQ(core::slot_append(core::kGroupArguments, "below"_t), 0);
  EXPECT_EQ(show("FN$MIDS(FN$TRIM(' abc ');FN#SLEN('xy'))"), "\"bc\"");
  EXPECT_EQ(show("FN$MIDS('abc';1+'x')"), "error 128");
  EXPECT_EQ(show("FN$PARM(FN$CHRS(300);1)"), "error 147");
  EXPECT_EQ(core::slot_count(core::kGroupArguments), 1);
  EXPECT_EQ(str(core::slot_last(core::kGroupArguments)), "below");
}

TEST_F(Functions, DeepNestingFailsCleanly) {
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "FN$TRIM(";
  deep += "'a'";
  for (int i = 0; i < 300; ++i) deep += ")";
  EXPECT_EQ(show(deep), "error " + std::to_string(core::OUTOFMEMORY));
  EXPECT_EQ(core::slot_count(core::kGroupArguments), 0);
  EXPECT_EQ(show("FN$TRIM(FN$TRIM(FN$TRIM(' a ')))"), "\"a\"");
}

TEST_F(Functions, ArgumentCountIsCheckedBeforeEvaluation) {
  std::string many = "FN$PARM(A=1";
  for (int i = 0; i < 16; ++i) many += ";1";
  many += ")";
  EXPECT_EQ(show(many), "error 147");
  EXPECT_EQ(show("A"), "0");  // nothing was evaluated
  EXPECT_EQ(show("FN#SLEN(A=1;2)"), "error 147");
  EXPECT_EQ(show("A"), "0");
}

TEST_F(Functions, SeparatorsInsideQuotesAndCallsDoNotSplit) {
  EXPECT_EQ(show("FN$PARM('a;b,c';FN#PARM('x,y';'y'))"), "\"c\"");
  EXPECT_EQ(show("FN$PARM('x;y';2;FN#SLEN(FN$CHRS(59;59)))"), "\"y\"");
  EXPECT_EQ(show("FN$MIDS('abc';(1+1);1)"), "\"b\"");
}

// The data layer's hook: records what it was asked and answers per function.
struct DataCall {
  int number;
  std::vector<std::string> args;
  int16_t sqlstk;
};
std::vector<DataCall> g_data_calls;
core::Status g_data_answer = 0;

core::Status fake_data(int number, int argc, const script::Value* args, script::Value* out) {
  DataCall call{number, {}, script::var_get_int(core::kSwSqlStk)};
  for (int i = 0; i < argc; ++i)
    call.args.push_back(args[i].is_text() ? "'" + str(args[i].text) + "'"
                                          : str(script::number_to_text(args[i].number)));
  g_data_calls.push_back(call);
  if (number == script::kFnKey) *out = script::Value::txt(core::text_copy("K001"_t));
  if (number == script::kFnFlds) *out = script::Value::txt(core::text_copy("field"_t));
  return g_data_answer;
}

TEST_F(Functions, DataFunctionsGoThroughTheHook) {
  g_data_calls.clear();
  g_data_answer = 0;
  core::error_clear();
  EXPECT_EQ(show("FILEFIND('k')"), "error 163");
  EXPECT_EQ(str(core::error_detail()).rfind("FILEFIND", 0), 0u);

  script::data_function_hook_set(fake_data);
  EXPECT_EQ(show("FILEFIND('k';2;;1)"), "0");
  ASSERT_EQ(g_data_calls.size(), 1u);
  EXPECT_EQ(g_data_calls[0].number, script::kFnFileFind);
  EXPECT_EQ(g_data_calls[0].args, (std::vector<std::string>{"'k'", "2", "''", "1"}));

  g_data_answer = 5;  // a status below 128 is the result
  EXPECT_EQ(show("FILELOCATE('NXT')"), "5");
  EXPECT_EQ(show("KEY$(1)"), "\"K001\"");
  g_data_answer = core::SQLERROR;  // an error fails the expression
  EXPECT_EQ(show("IER()+1"), "error 162");
  g_data_answer = 0;

  g_data_calls.clear();
  EXPECT_EQ(show("FN$FLDS(NAME{CLIENTES})"), "\"field\"");
  ASSERT_EQ(g_data_calls.size(), 1u);
  EXPECT_EQ(g_data_calls[0].args[0], "'NAME{CLIENTES}'");
  EXPECT_EQ(show("FILESEL('CLIENTES')"), "0");
  EXPECT_EQ(show("SORT$('get';'123456789012345678901234')"), "0");
  EXPECT_EQ(g_data_calls.back().args[0], "'GET'");
}

TEST_F(Functions, SqlChildNestsOneLevelAndRestores) {
  g_data_calls.clear();
  g_data_answer = 0;
  script::data_function_hook_set(fake_data);
  script::var_set_int(core::kSwCurRow, 4);
  script::var_set_int(core::kSwIer, 9);
  EXPECT_EQ(show("SQLCHILD(A=_SQLSTK;B=_CURROW;_IER=3)"), "0");
  EXPECT_EQ(show("A"), "1");
  EXPECT_EQ(show("B"), "0");
  EXPECT_EQ(script::var_get_int(core::kSwSqlStk), 0);
  EXPECT_EQ(script::var_get_int(core::kSwCurRow), 4);
  EXPECT_EQ(script::var_get_int(core::kSwIer), 9);
  ASSERT_EQ(g_data_calls.size(), 2u);  // enter and leave, both one level down
  EXPECT_EQ(g_data_calls[0].args, std::vector<std::string>{"1"});
  EXPECT_EQ(g_data_calls[1].args, std::vector<std::string>{"0"});
  EXPECT_EQ(g_data_calls[0].sqlstk, 1);
  EXPECT_EQ(g_data_calls[1].sqlstk, 1);

  // Failing work still leaves the level; more than 16 statements are fine.
  EXPECT_EQ(show("SQLCHILD(1;'a'*'b')"), "error 147");
  EXPECT_EQ(script::var_get_int(core::kSwSqlStk), 0);
  std::string many = "SQLCHILD(C=0";
  for (int i = 0; i < 20; ++i) many += ";C=C+1";
  EXPECT_EQ(show(many + ")"), "0");
  EXPECT_EQ(show("C"), "20");

  script::var_set_int(core::kSwSqlStk, 7);
  EXPECT_EQ(show("SQLCHILD(D=1)"), "error 159");
  EXPECT_EQ(script::var_get_int(core::kSwSqlStk), 7);
  EXPECT_EQ(show("D"), "0");
}

core::Status fake_app(int number, core::Text name, int argc, const script::Value* args,
                      script::Value* out) {
  std::string s = str(name) + "#" + std::to_string(number) + ":" + std::to_string(argc);
  if (argc > 0 && args[0].is_text()) s += ":" + str(args[0].text);
  *out = script::Value::txt(core::text_copy(txt(s)));
  return 0;
}

TEST_F(Functions, InstalledListPassesItsOwnNamesToTheApplication) {
  std::string list =
      "_#,FN#FLEN,FN#SLEN,FN#PARM,FN#VALN,FN#ACUM,CHK#,FILEFIND,FILEREL,FILELOCATE,FILESEL,"
      "FN$CHNG,FN$CHRS,FN$DATE,FN$FLDS,FN$MASK,FN$MIDS,FN$PARM,FN$TRIM,ENVELOP$,CHK$,SORT$,"
      "EXEC$,READ$,WRITE,MACRO$,ENVRON$,_$,KEY$,TIME$,IER,EXP$,SQLCHILD,MY$";
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvFunctionList, txt(list)), 0);
  EXPECT_EQ(script::function_number("MY$"_t), 34);
  EXPECT_EQ(show("MY$('a')"), "error 148");
  script::app_function_hook_set(fake_app);
  EXPECT_EQ(show("MY$(FN$TRIM(' a ');2)"), "\"MY$#34:2:a\"");
  EXPECT_EQ(show("FN#SLEN('abc')"), "3");
}

TEST_F(Functions, WorkArrayStoresAndReads) {
  EXPECT_EQ(script::function_assign(script::kFnWorkArray, "_#"_t, "5"_t, script::Value::num(700)),
            0);
  EXPECT_EQ(show("_#(5)"), "7");
  EXPECT_EQ(show("_#(4;1)"), "7");
  EXPECT_EQ(show("_ACUMX$='A,B,C,D,E,F',_#('F')"), "7");
  EXPECT_EQ(show("_#('D';2)"), "7");
  EXPECT_EQ(show("_#('CLS';5;5),_#(5)"), "0");
  EXPECT_EQ(script::function_assign(script::kFnWorkArray, "_#"_t, "'B'"_t, script::Value::num(300)),
            0);
  EXPECT_EQ(show("_#(1)"), "3");
  EXPECT_EQ(script::function_assign(script::kFnWorkArray, "_#"_t, "1"_t, script::Value::txt("x"_t)),
            core::TYPEMISMATCH);
  EXPECT_EQ(
      script::function_assign(script::kFnWorkArray, "_#"_t, "'nothere'"_t, script::Value::num(1)),
      core::DATAOUTBOUND);
  EXPECT_EQ(script::function_assign(script::kFnTrim, "FN$TRIM"_t, "1"_t, script::Value::num(1)),
            core::SINTAXERROR);
}

TEST_F(Functions, FieldsByName) {
  EXPECT_EQ(show("A$='x',N#=2.5,I=3,FN$FLDS(A$)+FN$FLDS(N#)+FN$FLDS(I)"), "\"x2.53\"");
  EXPECT_EQ(show("FN$FLDS(UNKNOWN$)"), "error 147");
  EXPECT_EQ(show("FN$FLDS(_ACUM$)"), "\"\"");
  EXPECT_EQ(show("T$(2)"), "\"\"");  // defines the array T$ with indices 0..2
  int32_t i = 1;
  ASSERT_EQ(script::array_set("T$"_t, &i, 1, script::Value::txt("one"_t)), 0);
  EXPECT_EQ(show("FN$FLDS(T$(1))"), "\"one\"");
  EXPECT_EQ(show("FN$FLDS(T$;1)"), "\"one\"");
  EXPECT_EQ(show("FN$FLDS(U$(1))"), "error 147");  // reading does not define
  EXPECT_EQ(show("FN$FLDS(T$(5))"), "error 168");
}

// A screen-field resolver: it knows CLIENT$ and AMOUNT, refuses BROKEN.
core::Text field_resolver(core::Text name, int action, core::Text) {
  if (action != script::kHookRead) return core::text_error_value(core::NOVALUE);
  if (core::text_equal(name, "CLIENT$"_t)) return "Smith & Co"_t;
  if (core::text_equal(name, "AMOUNT"_t)) return "12"_t;
  if (core::text_equal(name, "BROKEN"_t)) return core::text_error_value(core::SCREENFIELDVAR);
  return core::text_error_value(core::NOVALUE);
}

TEST_F(Functions, FieldsUnknownToTheStoreAskTheVariableHook) {
  script::var_hook_set(field_resolver);
  EXPECT_EQ(show("FN$FLDS(CLIENT$)"), "\"Smith & Co\"");
  EXPECT_EQ(show("FN$FLDS(AMOUNT)"), "\"12\"");
  EXPECT_EQ(show("FN$FLDS(BROKEN)"), "error 181");
  EXPECT_EQ(show("FN$FLDS(NOBODY$)"), "error 147");
  // A variable the store holds is the store's, whatever the hook knows.
  EXPECT_EQ(show("CLIENT$='own',FN$FLDS(CLIENT$)"), "\"own\"");
  script::var_hook_set(nullptr);
  EXPECT_EQ(show("FN$FLDS(AMOUNT)"), "error 147");
}

TEST_F(Functions, FilesByNumberAndName) {
  std::string name = path("data.txt");
  std::string n = show("F=FILESEL('" + name + "';2)");
  ASSERT_NE(n.rfind("error", 0), 0u) << n;
  EXPECT_EQ(show("WRITE(F;65535;'one'+FN$CHRS(10)+'two'+FN$CHRS(10))"), "0");
  EXPECT_EQ(show("FILESEL(F)"), "0");
  EXPECT_EQ(show("FILESEL(F)"), "error 151");
  EXPECT_EQ(read_file(name), "one\ntwo\n");
  EXPECT_EQ(show("FN#FLEN('" + name + "')"), "8");

  EXPECT_EQ(show("F=FILESEL('" + name + "';8),READ$(F)"), "\"one\"");
  EXPECT_EQ(show("READ$(F)"), "\"two\"");
  EXPECT_EQ(show("READ$(F)"), "\"\"");
  EXPECT_EQ(show("FILESEL(F)"), "0");
  EXPECT_EQ(show("READ$(99)"), "\"\"");

  EXPECT_EQ(show("READ$('" + name + "';4;3)"), "\"two\"");
  EXPECT_EQ(show("READ$('" + name + "')"), "\"one\ntwo\n\"");
  core::error_clear();
  EXPECT_EQ(show("READ$('" + path("missing.txt") + "')"), "\"\"");
  EXPECT_EQ(core::error_last().code, 0);  // no error left behind

  EXPECT_EQ(show("WRITE('" + name + "';0;'ONE')"), "0");
  EXPECT_EQ(show("WRITE('" + name + "';-1;'three')"), "0");
  EXPECT_EQ(read_file(name), "ONE\ntwo\nthree");
  EXPECT_EQ(show("WRITE(50;0;'x')"), "error 151");
}

TEST_F(Functions, ExpressionFilesRunFromTheDefinitionFolders) {
  std::string folders = path("none") + "," + dir_.string();
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folders)), 0);
  write_file(dir_ / "calc.prx", "A=1\r\n\r\nB=A+1\nC$='x;y'\r\n\x1A");
  EXPECT_EQ(show("EXEC$('calc.prx')"), "\"x;y\"");
  EXPECT_EQ(show("B"), "2");

  core::error_clear();
  EXPECT_EQ(show("EXEC$('gone.PRX')"), "error 164");
  EXPECT_EQ(str(core::error_detail()).rfind("gone.PRX", 0), 0u);

  core::error_clear();
  EXPECT_EQ(show("EXEC$('calc.ppn')"), "error 148");
  EXPECT_EQ(str(core::error_detail()).rfind("EXEC$()", 0), 0u);

  script::execute_hook_set(
      [](core::Text target, core::Text arguments, script::Value* out) -> core::Status {
        *out = script::Value::txt(core::text_copy(txt(str(target) + "|" + str(arguments))));
        return 0;
      });
  EXPECT_EQ(show("EXEC$('calc.prx';'go')"), "\"calc.prx|go\"");
  EXPECT_EQ(show("EXEC$('Report';'X')"), "\"Report|X\"");
}

// _ACCEPT$(n) and _ACCEPT#(n) read field n of the values the current dialog
// returned (slot 7 of group 9), trimmed and unquoted; blanks inside the
// call do not matter, and the macro may stand inside a larger expression.
TEST_F(Functions, AcceptMacrosReadTheDialogsValues) {
  ASSERT_EQ(core::slot_set(9, 7, "abc, Mixed Case ,'12,5',1.234,50"_t), 0);
  EXPECT_EQ(show("_ACCEPT$(1)"), "\"ABC\"");
  EXPECT_EQ(show("_ACCEPT$( 2 )"), "\"Mixed Case\"");
  EXPECT_EQ(show("_ACCEPT$(3)+'!'"), "\"12,5!\"");
  EXPECT_EQ(show("_ACCEPT#(4)*2"), "2.46");
  EXPECT_EQ(show("N=1,_ACCEPT$(N+1)"), "\"Mixed Case\"");
  EXPECT_EQ(show("_ACCEPT$(9)"), "\"\"");
  EXPECT_EQ(show("'_ACCEPT$(1)'"), "\"_ACCEPT$(1)\"");  // quoted: left alone
  EXPECT_EQ(show("_ACCEPT$(1"), "error 129");
}

TEST_F(Functions, MacroExpanderAndEvaluation) {
  script::macro_expander_set([](core::Text text, int flags, core::Text list) -> core::Text {
    std::string s = str(text);
    size_t at = s.find("%N%");
    if (at != std::string::npos) s.replace(at, 3, (flags & 4) != 0 ? str(list) : "2");
    return core::text_copy(txt(s));
  });
  EXPECT_EQ(show("MACRO$('a%N%')"), "\"a2\"");
  EXPECT_EQ(show("MACRO$('1+%N%';8)"), "\"3\"");
  EXPECT_EQ(show("MACRO$('%N%*3';12;'5')"), "\"15\"");
}

TEST_F(Functions, SettingsFilesKeepOtherAssignments) {
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(dir_.string())), 0);
  write_file(dir_ / "saved.dat", "X=1;KEEP$='k;k'\r\nY#=2\n");
  EXPECT_EQ(show("X=5,NAME$=\"O'Hara\",WRITE('saved.dat';-2;'X,NAME$,Z#=2*3')"), "0");
  EXPECT_EQ(read_file(dir_ / "saved.dat"),
            "KEEP$='k;k'\r\nY#=2\r\nX=5\r\nNAME$=\"O'Hara\"\r\nZ#=6\r\n");
  EXPECT_EQ(show("Z#"), "6");  // the file was run again

  // A new file goes into the first definition folder.
  EXPECT_EQ(show("WRITE('fresh.dat';-2;'X')"), "0");
  EXPECT_EQ(read_file(dir_ / "fresh.dat"), "X=5\r\n");
  EXPECT_EQ(show("WRITE('fresh.dat';-2;'A(1)')"), "error 147");

  script::settings_saver_set([](core::Text file, core::Text names) -> core::Status {
    return str(file) == "hooked" && str(names) == "X" ? 0 : core::NOVALUE;
  });
  EXPECT_EQ(show("WRITE('hooked';-2;'X')"), "0");
}

}  // namespace
