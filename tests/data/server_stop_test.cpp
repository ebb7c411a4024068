// A server that stops in the middle of a session: the next statements fail
// with SQLERROR and the server's message, the runtime goes on, and what was
// committed before is there when the server is back. It runs a cluster of
// its own, so the shared one stays up for the other tests.
#include <sys/stat.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "core/arena.h"
#include "core/errors.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/session.h"
#include "tests/data/pg_test.h"

namespace {

using core::operator""_t;
using datatest::admin_sql;
using datatest::str;
using datatest::txt;

class ServerStopTest : public datatest::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    const char* script = std::getenv("APP_PG_CLUSTER");
    ASSERT_NE(script, nullptr) << "APP_PG_CLUSTER is not set: run the tests through ctest";
    script_path_ = script;
    // The server's own user must reach the cluster folder.
    ASSERT_EQ(chmod(folder_.path().c_str(), 0755), 0);
    dir_ = folder_.path() + "/pg";
    ASSERT_EQ(cluster("start"), 0);
    started_ = true;
  }
  void TearDown() override {
    RuntimeTest::TearDown();
    if (started_) {
      EXPECT_EQ(cluster("stop"), 0);
    }
  }
  int cluster(const std::string& action) {
    std::string command = "'" + script_path_ + "' " + action + " '" + dir_ + "' " +
                          datatest::pg_port() + " >/dev/null";
    return std::system(command.c_str());
  }
  std::string host() const { return dir_ + "/sock"; }

  datatest::TempFolder folder_;
  std::string script_path_, dir_;
  bool started_ = false;
};

TEST_F(ServerStopTest, StatementsFailAndCommittedRowsSurvive) {
  ASSERT_EQ(data::sql_connect(txt(host()), "postgres"_t, "postgres"_t, ""_t, 0), core::kOk);
  ASSERT_EQ(data::sql_exec_simple("CREATE TABLE kept (k int);"_t), 0);
  ASSERT_EQ(data::sql_exec_simple("INSERT INTO kept VALUES (1), (2);"_t), 0);
  ASSERT_EQ(data::sql_exec_simple("START TRANSACTION;"_t), 0);
  ASSERT_EQ(data::sql_exec_simple("INSERT INTO kept VALUES (3);"_t), 0);

  ASSERT_EQ(cluster("halt"), 0);
  core::error_clear();
  // The open transaction cannot be reported as committed.
  EXPECT_EQ(data::sql_exec_simple("COMMIT;"_t), core::SQLERROR);
  EXPECT_EQ(core::error_last().context, core::Context::SQLEXEC);
  // Said in the runtime's words, with the client library's reason; the
  // statement goes to the log, not to the user.
  std::string detail = str(core::error_detail());
  EXPECT_EQ(detail.rfind("Error de conexi\xF3n SQL: ", 0), 0u) << detail;
  EXPECT_NE(detail.find("closed the connection"), std::string::npos) << detail;
  EXPECT_EQ(detail.find("COMMIT"), std::string::npos) << detail;
  EXPECT_EQ(data::sql_exec_simple("SELECT 1;"_t), core::SQLERROR);
  EXPECT_EQ(data::sql_exec_number("SELECT count(*) FROM kept;"_t), 0);
  EXPECT_EQ(data::session_close(), core::kOk);
  EXPECT_EQ(data::sql_connect(txt(host()), "postgres"_t, "postgres"_t, ""_t, 0), core::SQLERROR);

  ASSERT_EQ(cluster("resume"), 0);
  ASSERT_EQ(data::sql_connect(txt(host()), "postgres"_t, "postgres"_t, ""_t, 0), core::kOk);
  EXPECT_EQ(data::sql_exec_number("SELECT count(*) FROM kept;"_t), 2);
  EXPECT_EQ(admin_sql("postgres", "SELECT k FROM kept ORDER BY k;", host()), "1\n2");
}

TEST_F(ServerStopTest, TheSessionGoesOnWhenTheServerIsBack) {
  ASSERT_EQ(data::sql_connect(txt(host()), "postgres"_t, "postgres"_t, ""_t, 0), core::kOk);
  ASSERT_EQ(data::sql_exec_simple("CREATE TABLE items (\"CODE\" character(4), \"N\" numeric(3));"_t), 0);
  ASSERT_EQ(data::sql_exec_simple("INSERT INTO items VALUES ('A', 1), ('A', 2), ('A', 3), ('B', 4);"_t), 0);
  // One file, keyed by CODE: the A lines are a run walked through a cursor.
  ASSERT_EQ(data::dict_add_file(0, "items"_t, ""_t), 0);
  ASSERT_EQ(data::dict_add_field("CODE"_t, 4, 'A'), 0);
  ASSERT_EQ(data::dict_add_field("N"_t, 3, 'N'), 0);
  data::KeySegment code{0, 4};
  ASSERT_EQ(data::dict_add_key(1, &code, 1), 0);
  ASSERT_EQ(data::access_open(1, 0), 0);
  auto n = [] {
    core::ArenaScope scope;
    return str(core::text_trim(data::field_get(1, 2, data::Buffer::Current), core::kTrimBoth));
  };
  ASSERT_EQ(data::access_navigate(1, data::kNavFirst), 0);
  ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  ASSERT_EQ(n(), "2");

  ASSERT_EQ(cluster("halt"), 0);
  core::error_clear();
  // While the server is away, statements fail; nothing is retried blindly.
  EXPECT_EQ(data::sql_exec_simple("INSERT INTO items VALUES ('C', 5);"_t), core::SQLERROR);
  EXPECT_EQ(data::sql_exec_simple("SELECT 1;"_t), core::SQLERROR);

  ASSERT_EQ(cluster("resume"), 0);
  core::error_clear();
  // The same session goes on: the walk of the run resumes where it stood,
  // reads and writes work again, and the refused write was not written.
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0) << str(core::error_detail());
  EXPECT_EQ(n(), "3");
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(n(), "4");
  EXPECT_EQ(data::sql_exec_simple("INSERT INTO items VALUES ('D', 6);"_t), 0);
  EXPECT_EQ(data::sql_exec_number("SELECT count(*) FROM items;"_t), 5);
  EXPECT_EQ(data::sql_exec_number("SELECT count(*) FROM items WHERE \"CODE\" = 'C';"_t), 0);
}

}  // namespace
