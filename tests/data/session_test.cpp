// The SQL session against the test cluster: connections in the slots,
// statements and their result codes, where results are kept, the
// accessors, the trace log.
#include "data/session.h"

#include <gtest/gtest.h>

#include "core/arena.h"
#include "core/errors.h"
#include "script/variables.h"
#include "tests/data/pg_test.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

class SessionTest : public datatest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    ASSERT_EQ(connect(), core::kOk);
    ASSERT_EQ(data::sql_exec_simple("CREATE TABLE t (k integer PRIMARY KEY, v text);"_t), 0);
    ASSERT_EQ(data::sql_exec_simple("INSERT INTO t VALUES (1,'one'),(2,'two'),(3,'three');"_t), 0);
  }
  int slot() { return data::session_current_slot(); }
};

TEST_F(SessionTest, CommandsCountTheRowsTheyTouch) {
  int64_t count = -1;
  EXPECT_EQ(data::sql_exec("UPDATE t SET v = v || '!' WHERE k > 1;"_t, -1, &count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(data::sql_exec("DELETE FROM t WHERE k = 99;"_t, -1, &count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(sql("SELECT v FROM t ORDER BY k;"), "one\ntwo!\nthree!");
}

TEST_F(SessionTest, RowsAreKeptInTheBaseSlotOrASlotOfTheirOwn) {
  core::ArenaScope scope;
  // One row: the base slot of the connection.
  EXPECT_EQ(data::sql_exec_simple("SELECT v FROM t WHERE k = 2;"_t), 0);
  EXPECT_EQ(slot(), 0);
  EXPECT_EQ(str(data::sql_value(0, 0, -1)), "two");

  // Several rows: a slot of their own, which becomes current.
  int64_t count = 0;
  EXPECT_EQ(data::sql_exec("SELECT k, v FROM t ORDER BY k;"_t, -1, &count), 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(slot(), 1);
  EXPECT_EQ(data::sql_row_count(1), 3);
  EXPECT_EQ(str(data::sql_value(2, 1, -1)), "three");
  EXPECT_EQ(data::sql_column("v"_t, -1), 1);
  EXPECT_EQ(data::sql_column("missing"_t, -1), -1);

  // No rows: status 2, and the current result is still the one before.
  EXPECT_EQ(data::sql_exec("SELECT v FROM t WHERE k = 42;"_t, -1, &count), data::kNoRows);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(slot(), 1);
  EXPECT_EQ(str(data::sql_value(0, 1, -1)), "one");

  // A single row goes back to the base slot; the block in slot 1 survives.
  EXPECT_EQ(data::sql_exec_simple("SELECT v FROM t WHERE k = 1;"_t), 0);
  EXPECT_EQ(slot(), 0);
  EXPECT_EQ(str(data::sql_value(1, 1, 1)), "two");
  EXPECT_EQ(slot(), 1);

  // An explicit target slot.
  EXPECT_EQ(data::sql_exec("SELECT k FROM t ORDER BY k DESC;"_t, 5, nullptr), 0);
  EXPECT_EQ(slot(), 5);
  EXPECT_EQ(str(data::sql_value(0, 0, -1)), "3");

  // Cells outside the result, NULL, and a released result read as empty.
  EXPECT_EQ(str(data::sql_value(3, 0, 1)), "");
  EXPECT_EQ(str(data::sql_value(0, 7, 1)), "");
  EXPECT_EQ(str(data::sql_value(-1, 0, 1)), "");
  EXPECT_EQ(data::sql_exec_simple("SELECT NULL::text;"_t), 0);
  EXPECT_EQ(str(data::sql_value(0, 0, -1)), "");
  data::sql_release(1);
  EXPECT_EQ(data::sql_row_count(1), 0);
  EXPECT_EQ(str(data::sql_value(0, 0, 1)), "");
}

TEST_F(SessionTest, ResultSlotsRunOutWithDataOutBound) {
  for (int i = 1; i < data::kSessionSlots; ++i) {
    ASSERT_EQ(data::sql_exec_simple("SELECT k FROM t;"_t), 0);
    EXPECT_EQ(slot(), i);
  }
  core::error_clear();
  EXPECT_EQ(data::sql_exec_simple("SELECT k FROM t;"_t), core::DATAOUTBOUND);
  EXPECT_EQ(core::error_last().context, core::Context::SQLEXEC);
  // A target slot held by another connection is refused as well.
  EXPECT_EQ(data::sql_exec("SELECT k FROM t;"_t, 9, nullptr), core::DATAOUTBOUND);
  // Releasing one makes room again.
  data::sql_release(4);
  EXPECT_EQ(data::sql_exec_simple("SELECT k FROM t;"_t), 0);
  EXPECT_EQ(slot(), 4);
}

TEST_F(SessionTest, ServerErrorsBecomeCodesWithMessageAndStatement) {
  core::error_clear();
  EXPECT_EQ(data::sql_exec_simple("INSERT INTO t VALUES (1, 'again');"_t), core::DUPLICATEDATA);
  EXPECT_EQ(core::error_last().code, core::DUPLICATEDATA);
  EXPECT_EQ(core::error_last().context, core::Context::SQLEXEC);
  std::string detail = str(core::error_detail());
  EXPECT_NE(detail.find("t_pkey"), std::string::npos) << detail;
  EXPECT_NE(detail.find("\r\nINSERT INTO t VALUES (1, 'again');"), std::string::npos) << detail;

  core::error_clear();
  EXPECT_EQ(data::sql_exec_simple("SELECT * FROM nowhere;"_t), core::SQLERROR);
  detail = str(core::error_detail());
  EXPECT_EQ(detail.find("ERROR:  relation \"nowhere\" does not exist"), 0u) << detail;
  EXPECT_EQ(detail.substr(detail.size() - 24), "\r\nSELECT * FROM nowhere;");
  EXPECT_EQ(data::sql_exec_simple(""_t), core::SQLERROR);

  // The connection is still usable.
  EXPECT_EQ(data::sql_exec_number("SELECT count(*) FROM t;"_t), 3);
}

TEST_F(SessionTest, StatementsThatCannotBeSentAreRefusedBeforeTheServer) {
  core::error_clear();
  EXPECT_EQ(data::sql_exec_simple(core::text_error_value(core::STRINGTOOLONG)),
            core::STRINGTOOLONG);
  // A NUL byte would cut the statement short; it is refused whole.
  std::string cut = std::string("DELETE FROM t WHERE k = 1") + '\0' + " OR true;";
  EXPECT_EQ(data::sql_exec_simple(txt(cut)), core::SQLERROR);
  EXPECT_EQ(sql("SELECT count(*) FROM t;"), "3");
}

TEST_F(SessionTest, ExecForANumberRestoresTheCurrentSlot) {
  ASSERT_EQ(data::sql_exec_simple("SELECT k FROM t;"_t), 0);
  ASSERT_EQ(slot(), 1);
  EXPECT_EQ(data::sql_exec_number("SELECT COUNT (*) FROM t WHERE k >= 2;"_t), 2);
  EXPECT_EQ(slot(), 1);
  EXPECT_EQ(data::sql_row_count(1), 3);
  EXPECT_EQ(data::sql_exec_number("SELECT -1234567890123;"_t), -1234567890123);
  EXPECT_EQ(data::sql_exec_number("SELECT k FROM t WHERE k = 99;"_t), 0);
  EXPECT_EQ(data::sql_exec_number("SELECT broken FROM;"_t), 0);
  EXPECT_EQ(slot(), 1);
}

TEST_F(SessionTest, TraceLogFollowsTheTraceBits) {
  datatest::TempFolder folder;
  std::string log = folder.path() + "/trace.txt";
  core::log_set_path(txt(log));
  script::var_set_int(31, 1);
  ASSERT_EQ(data::sql_exec_simple("SELECT 1;"_t), 0);
  EXPECT_EQ(folder.read("trace.txt"), "");

  script::var_set_int(31, 1 | 4);
  ASSERT_EQ(data::sql_exec_simple("SELECT 2;"_t), 0);
  ASSERT_EQ(data::sql_exec_simple("SELECT 3 WHERE false;"_t), data::kNoRows);
  ASSERT_EQ(data::sql_exec_simple("SELECT oops;"_t), core::SQLERROR);
  EXPECT_EQ(folder.read("trace.txt"), "SELECT 2;\r\nSELECT 3 WHERE false;\r\n");

  script::var_set_int(31, 1 | 2);
  ASSERT_EQ(data::sql_exec_simple("SELECT 4;"_t), 0);
  ASSERT_EQ(data::sql_exec_simple("SELECT oops;"_t), core::SQLERROR);
  ASSERT_EQ(data::sql_exec_simple(core::text_error_value(core::OUTOFMEMORY)), core::OUTOFMEMORY);
  EXPECT_EQ(folder.read("trace.txt"),
            "SELECT 2;\r\nSELECT 3 WHERE false;\r\nSELECT oops;\r\nError #145\r\n");
}

TEST_F(SessionTest, TableListInCreationOrder) {
  ASSERT_EQ(data::sql_exec_simple("CREATE TABLE zeta (a int); CREATE TABLE alpha (a int);"_t), 0);
  ASSERT_EQ(data::sql_exec_simple("CREATE TABLE \"with,comma\" (a int);"_t), 0);
  sql("CREATE SCHEMA other; CREATE TABLE other.hidden (a int);");
  core::ArenaScope scope;
  EXPECT_EQ(str(data::sql_table_list()), "t,zeta,alpha,'with,comma'");
  EXPECT_EQ(slot(), 0);
}

TEST_F(SessionTest, NoConnectionIsASqlError) {
  data::session_close();
  EXPECT_FALSE(data::session_connected());
  core::error_clear();
  EXPECT_EQ(data::sql_exec_simple("SELECT 1;"_t), core::SQLERROR);
  EXPECT_EQ(core::error_last().context, core::Context::SQLEXEC);
  EXPECT_EQ(data::sql_exec_number("SELECT 1;"_t), 0);
  core::ArenaScope scope;
  EXPECT_EQ(str(data::sql_table_list()), "");
}

}  // namespace
