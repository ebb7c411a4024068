// The data functions of the expression language, field references in
// expressions, nested access and the positions kept across local calls.
#include <gtest/gtest.h>

#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/script_hooks.h"
#include "script/eval.h"
#include "script/numbers.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "tests/data/access_fixture.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

class DataFunctions : public datatest::AccessTest {
 protected:
  // items: CODE A4, NOTE A6, PRICE 2 8; keys CODE and NOTE.
  void SetUp() override {
    AccessTest::SetUp();
    define_file("items", {{"CODE", 4, 'A'}, {"NOTE", 6, 'A'}, {"PRICE", 8, '2'}}, {{1}, {2}}, true);
    sql("INSERT INTO items VALUES ('A', 'zz', 1.5), ('B', 'yy', 2), ('C', 'xx', 3);");
    script::var_set_int(core::kSwCurFil, 1);
  }
  // The expression's value as text, or "error N" with its code.
  std::string eval(const char* expr) {
    core::ArenaScope scope;
    script::Value v;
    core::Status st = script::expr_value(txt(expr), &v);
    if (st >= 128) return "error " + std::to_string(st);
    if (v.is_text()) return str(v.text);
    return str(script::number_to_text(v.number));
  }
};

TEST_F(DataFunctions, FindLocateAndTheStatusOfTheLastAccess) {
  EXPECT_EQ(eval("FILEFIND('B';'ITEMS')"), "0");
  EXPECT_EQ(eval("CODE{ITEMS}+NOTE{}"), "B   yy    ");
  EXPECT_EQ(eval("PRICE{1}*2"), "4");
  EXPECT_EQ(eval("FILEFIND('Q';1)"), "2");
  EXPECT_EQ(eval("IER()"), "2");
  EXPECT_EQ(eval("FILEFIND('B';1;1;2)"), "0");
  EXPECT_EQ(eval("FILEFIND('x';1;2;2)"), "0");  // at or after on NOTE: xx
  EXPECT_EQ(eval("CODE{}"), "C   ");
  EXPECT_EQ(eval("FILELOCATE('TOP';1)"), "0");
  EXPECT_EQ(eval("CODE{}"), "C   ");  // by NOTE, the index in use: xx first
  EXPECT_EQ(eval("FILELOCATE('NEXT')"), "0");
  EXPECT_EQ(eval("CODE{}"), "B   ");
  EXPECT_EQ(eval("FILELOCATE('IMP')"), "error 147");
  EXPECT_EQ(eval("KEY$()"), "yy    ");
  EXPECT_EQ(eval("KEY$(1;1)"), "B   ");
  EXPECT_EQ(eval("KEY$(1;0)"), "");
  EXPECT_EQ(eval("KEY$(1;3)"), "error 168");
  EXPECT_EQ(eval("FN#FLEN('items')"), "18");
  EXPECT_EQ(eval("FN$FLDS(NOTE{ITEMS})"), "yy    ");
}

TEST_F(DataFunctions, FieldAssignmentsWriteTheRecordBuffer) {
  EXPECT_EQ(eval("FILEFIND('A';1)"), "0");
  EXPECT_EQ(eval("PRICE{}=PRICE{}+1,NOTE{}='new'"), "new");
  EXPECT_EQ(eval("FILELOCATE('SVE')"), "0");
  EXPECT_EQ(sql("SELECT \"NOTE\" || \"PRICE\" FROM items WHERE \"CODE\" = 'A';"), "new2.50");
  EXPECT_EQ(eval("NOTHING{}"), "error 147");
}

TEST_F(DataFunctions, FilesNamedByTheApplicationThatDoNotExistAreErrors) {
  EXPECT_EQ(eval("FILEFIND('A';9)"), "error 161");
  EXPECT_EQ(eval("FILEFIND('A';'nothing')"), "error 166");
  {
    core::ArenaScope scope;
    EXPECT_EQ(str(core::error_detail()), "nothing");
  }
  EXPECT_EQ(eval("IER(12)"), "error 161");
  EXPECT_EQ(eval("KEY$('nothing')"), "error 166");
  EXPECT_EQ(eval("FILESEL('nothing')"), "error 166");
  EXPECT_EQ(eval("FILELOCATE('NXT';30)"), "error 161");
  EXPECT_EQ(eval("CODE{7}"), "error 161");
  EXPECT_EQ(eval("FILEREL(9;1;'')"), "error 161");
  // The current file may be unset too.
  script::var_set_int(core::kSwCurFil, 0);
  EXPECT_EQ(eval("IER()"), "error 161");
  EXPECT_EQ(eval("FILESEL('items')"), "1");
  EXPECT_EQ(script::var_get_int(core::kSwCurFil), 1);
}

TEST_F(DataFunctions, SqlChildNestsOneSlotUp) {
  EXPECT_EQ(eval("SQLCHILD(FILEFIND('C';1),_USER01=_SQLSTK)"), "0");
  EXPECT_EQ(script::var_get_int(39), 1);
  EXPECT_EQ(script::var_get_int(16), 0);
  EXPECT_EQ(eval("CODE{}"), "C   ");
}

TEST_F(DataFunctions, LocalCallsGetTheirFilesBackWhereTheyWere) {
  script::ProcContext proc;
  datatest::install_data_hooks();  // the procedure store came after the data layer
  core::ArenaScope scope;
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), core::kOk);
  folder_.write("MOVE.PRX", "FILELOCATE('BOT';1)\r\nFILEFIND('xx';1;2)\r\n");
  folder_.write("FAIL.PRX", "FILELOCATE('BOT';1)\r\nNOTHING{}=1\r\n");
  ASSERT_EQ(data::access_find(1, 1, "A"_t, 0), 0);
  EXPECT_EQ(script::proc_call(core::Text{}, "MOVE.PRX"_t, core::Text{}, true), 0);
  EXPECT_EQ(eval("CODE{}"), "A   ");
  EXPECT_EQ(data::access_key(1), 1);
  EXPECT_EQ(eval("FILELOCATE('NXT')"), "0");
  EXPECT_EQ(eval("CODE{}"), "B   ");
  // Without `local` the moves stay.
  EXPECT_EQ(script::proc_call(core::Text{}, "MOVE.PRX"_t, core::Text{}, false), 0);
  EXPECT_EQ(eval("CODE{}"), "C   ");
  EXPECT_EQ(data::access_key(1), 2);
  // A call that fails keeps what it did.
  ASSERT_EQ(data::access_find(1, 1, "A"_t, 0), 0);
  EXPECT_GE(script::proc_call(core::Text{}, "FAIL.PRX"_t, core::Text{}, true), 128);
  EXPECT_EQ(eval("CODE{}"), "C   ");
}

TEST_F(DataFunctions, ALocalCallInsideARunComesBackIntoTheRun) {
  script::ProcContext proc;
  datatest::install_data_hooks();
  core::ArenaScope scope;
  sql("DROP INDEX items_ndx1; DROP INDEX items_ndx1o;");
  create_index(1, 1, false);
  sql("INSERT INTO items VALUES ('B', 'b2', 4), ('B', 'b3', 5);");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), core::kOk);
  folder_.write("MOVE.PRX", "FILELOCATE('TOP';1)\r\n");
  ASSERT_EQ(data::access_find(1, 1, "B"_t, 0), 0);
  ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  std::string second = eval("PRICE{}");
  EXPECT_EQ(script::proc_call(core::Text{}, "MOVE.PRX"_t, core::Text{}, true), 0);
  EXPECT_EQ(eval("PRICE{}"), second);
  // The walk goes on inside the run, then past it.
  std::vector<std::string> rest;
  while (data::access_navigate(1, data::kNavNext) == 0) rest.push_back(eval("CODE{}"));
  EXPECT_EQ(rest, (std::vector<std::string>{"B   ", "C   "}));
}

// A procedure puts a date text into a date field as a user would type it,
// in the language's order; a text that names no real day stops the run
// and leaves the record as it was.
TEST_F(DataFunctions, AProcedureStoresADateFieldOnlyAsARealDay) {
  script::ProcContext proc;
  datatest::install_data_hooks();
  core::ArenaScope scope;
  uint16_t dated = define_file("dated", {{"CODE", 4, 'A'}, {"DAY", 8, 'D'}}, {{1}}, true);
  sql("INSERT INTO dated VALUES ('A', NULL);");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), core::kOk);
  folder_.write("DATE.PRX", "FILEFIND('A';'dated')\r\nDAY{dated}=F$\r\nFILELOCATE('SVE';'dated')\r\n");
  struct Case {
    const char* lang;
    const char* typed;
    const char* stored;  // empty: refused
  };
  const Case cases[] = {
      {"ES", "08/12/2026", "20261208"}, {"EN", "08/12/2026", "20260812"}, {"ES", "8.12.26", "20261208"},
      {"EN", "12-8-26", "20261208"},    {"ES", "081226", "20261208"},     {"EN", "081226", "20261208"},
      {"ES", "20261209", "20261209"},   {"EN", "20261210", "20261210"},   {"ES", "31-02-26", ""},
      {"EN", "02-31-26", ""},           {"ES", "08122026", ""},           {"EN", "abc", ""},
  };
  std::string last = "NULL";
  for (const Case& c : cases) {
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, txt(c.lang)), core::kOk);
    eval((std::string("F$='") + c.typed + "'").c_str());
    core::Status st = script::proc_call(core::Text{}, "DATE.PRX"_t, core::Text{}, false);
    if (*c.stored != 0) {
      EXPECT_EQ(st, 0) << c.lang << " " << c.typed;
      last = c.stored;
    } else {
      EXPECT_EQ(st, core::DATAOUTBOUND) << c.lang << " " << c.typed;
      EXPECT_NE(str(core::error_detail()).find(c.typed), std::string::npos) << str(core::error_detail());
      core::error_clear();
    }
    EXPECT_EQ(sql("SELECT coalesce(\"DAY\", 'NULL') FROM dated;"), last) << c.lang << " " << c.typed;
  }
  EXPECT_EQ(dated, 2);
}

}  // namespace
