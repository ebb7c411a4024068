// A server that stops in the middle of a session: the next statements fail
// with SQLERROR and the server's message, the runtime goes on, and what was
// committed before is there when the server is back. It runs a cluster of
// its own, so the shared one stays up for the other tests.
#include <sys/stat.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "core/arena.h"
#include "core/errors.h"
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
  std::string detail = str(core::error_detail());
  EXPECT_NE(detail.find("terminat"), std::string::npos) << detail;
  EXPECT_NE(detail.find("\r\nCOMMIT;"), std::string::npos) << detail;
  EXPECT_EQ(data::sql_exec_simple("SELECT 1;"_t), core::SQLERROR);
  EXPECT_EQ(data::sql_exec_number("SELECT count(*) FROM kept;"_t), 0);
  EXPECT_EQ(data::session_close(), core::kOk);
  EXPECT_EQ(data::sql_connect(txt(host()), "postgres"_t, "postgres"_t, ""_t, 0), core::SQLERROR);

  ASSERT_EQ(cluster("resume"), 0);
  ASSERT_EQ(data::sql_connect(txt(host()), "postgres"_t, "postgres"_t, ""_t, 0), core::kOk);
  EXPECT_EQ(data::sql_exec_number("SELECT count(*) FROM kept;"_t), 2);
  EXPECT_EQ(admin_sql("postgres", "SELECT k FROM kept ORDER BY k;", host()), "1\n2");
}

}  // namespace
