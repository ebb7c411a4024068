// Connections: nesting in the slots, closing, refusals, the guest user,
// server-level log-ins and connection values that need quoting.
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/arena.h"
#include "core/errors.h"
#include "data/session.h"
#include "script/variables.h"
#include "tests/data/pg_test.h"

namespace {

using core::operator""_t;
using datatest::admin_sql;
using datatest::str;
using datatest::txt;

class ConnectTest : public datatest::DbTest {
 protected:
  int slot() { return data::session_current_slot(); }
  bool open_bit() { return (script::var_get_int(core::kSwCompat) & data::kSessionOpenBit) != 0; }
  std::string current_user() {
    if (data::sql_exec_simple("SELECT current_user, current_database();"_t) != 0) return "?";
    return str(data::sql_value(0, 0, -1)) + "@" + str(data::sql_value(0, 1, -1));
  }
  // A role of this test that logs in with a password.
  std::string make_role(const std::string& stem, const std::string& password_literal) {
    std::string name = stem + std::to_string(getpid());
    admin_sql("postgres", "CREATE ROLE \"" + name + "\" LOGIN PASSWORD " + password_literal + ";");
    roles_.push_back("\"" + name + "\"");
    return name;
  }
};

TEST_F(ConnectTest, NestedConnectionsTakeTheNextFreeSlotAndCloseBackToThePrevious) {
  EXPECT_FALSE(open_bit());
  ASSERT_EQ(connect(), core::kOk);
  EXPECT_EQ(slot(), 0);
  EXPECT_TRUE(open_bit());
  ASSERT_EQ(connect(0, "postgres"), core::kOk);
  EXPECT_EQ(slot(), 1);
  EXPECT_EQ(current_user(), "postgres@postgres");

  EXPECT_EQ(data::session_close(), core::kOk);
  EXPECT_EQ(slot(), 0);
  EXPECT_TRUE(data::session_connected());
  EXPECT_TRUE(open_bit());
  EXPECT_EQ(current_user(), "postgres@" + db_);

  EXPECT_EQ(data::session_close(), core::kOk);
  EXPECT_EQ(slot(), 0);
  EXPECT_FALSE(data::session_connected());
  EXPECT_FALSE(open_bit());
  EXPECT_EQ(data::session_close(), core::kOk);  // nothing left to close
}

TEST_F(ConnectTest, ClosingAConnectionClearsEverySlotThatSharesIt) {
  ASSERT_EQ(connect(), core::kOk);
  ASSERT_EQ(data::sql_exec_simple("SELECT generate_series(1, 3);"_t), 0);
  ASSERT_EQ(slot(), 1);  // a block of rows on the same connection
  ASSERT_EQ(connect(0, "postgres"), core::kOk);
  EXPECT_EQ(slot(), 2);
  // Its block takes the first slot it may: its own, which has no result yet.
  ASSERT_EQ(data::sql_exec_simple("SELECT generate_series(1, 2);"_t), 0);
  EXPECT_EQ(slot(), 2);
  ASSERT_EQ(data::sql_exec_simple("SELECT generate_series(1, 4);"_t), 0);
  EXPECT_EQ(slot(), 3);

  EXPECT_EQ(data::session_close(), core::kOk);  // the inner one, from its block's slot
  EXPECT_EQ(slot(), 1);
  EXPECT_EQ(data::sql_row_count(2), 0);
  EXPECT_EQ(data::sql_row_count(3), 0);
  EXPECT_EQ(data::sql_row_count(1), 3);
  EXPECT_EQ(current_user(), "postgres@" + db_);

  EXPECT_EQ(data::session_close(), core::kOk);
  EXPECT_EQ(slot(), 0);
  EXPECT_FALSE(data::session_connected());
  // No slot still holds the finished connection.
  EXPECT_EQ(data::sql_exec_simple("SELECT 1;"_t), core::SQLERROR);
  EXPECT_EQ(data::sql_row_count(1), 0);
}

TEST_F(ConnectTest, EightConnectionsFillTheSlots) {
  for (int i = 0; i < data::kSessionSlots; ++i) ASSERT_EQ(connect(), core::kOk);
  EXPECT_EQ(slot(), 7);
  EXPECT_EQ(connect(), core::OUTOFMEMORY);
  EXPECT_EQ(slot(), 7);
  EXPECT_EQ(current_user(), "postgres@" + db_);
}

TEST_F(ConnectTest, RefusedLogInRecordsTheServerMessageAndStepsBack) {
  std::string role = make_role("refused", "'right'");
  ASSERT_EQ(connect(), core::kOk);
  core::error_clear();
  EXPECT_EQ(data::sql_connect(txt(datatest::pg_host()), txt(db_), txt(role), "wrong"_t, 0),
            core::SQLERROR);
  EXPECT_EQ(core::error_last().context, core::Context::SQLCONNECT);
  std::string detail = str(core::error_detail());
  EXPECT_NE(detail.find("password authentication failed for user \"" + role + "\""),
            std::string::npos)
      << detail;
  EXPECT_NE(detail.back(), '\n');
  // Back on the connection that was open, which still works.
  EXPECT_EQ(slot(), 0);
  EXPECT_EQ(current_user(), "postgres@" + db_);
  EXPECT_EQ(data::sql_row_count(1), 0);

  EXPECT_EQ(data::sql_connect(txt(datatest::pg_host()), txt(db_), txt(role), "right"_t, 0),
            core::kOk);
  EXPECT_EQ(slot(), 1);
  EXPECT_EQ(current_user(), role + "@" + db_);
}

TEST_F(ConnectTest, UnreachableServerAndMissingDatabase) {
  core::error_clear();
  EXPECT_EQ(data::sql_connect("/nonexistent/socket/folder"_t, txt(db_), "postgres"_t, ""_t, 0),
            core::SQLERROR);
  EXPECT_NE(str(core::error_detail()).find("/nonexistent/socket/folder"), std::string::npos);
  EXPECT_FALSE(data::session_connected());
  EXPECT_FALSE((script::var_get_int(core::kSwCompat) & data::kSessionOpenBit) != 0);

  EXPECT_EQ(data::sql_connect(txt(datatest::pg_host()), "no_such_database"_t, "postgres"_t, ""_t,
                              data::kOpenColumns),
            core::SQLERROR);
  EXPECT_NE(str(core::error_detail()).find("\"no_such_database\" does not exist"),
            std::string::npos);
  EXPECT_EQ(slot(), 0);
  // An unreadable value is its own code and nothing is tried.
  EXPECT_EQ(data::sql_connect(core::text_error_value(core::STROUTBOUND), txt(db_), ""_t, ""_t, 0),
            core::STROUTBOUND);
}

TEST_F(ConnectTest, EmptyUserIsGuestAndEmptyDatabaseIsAServerLevelLogIn) {
  admin_sql("postgres",
            "DO $$ BEGIN CREATE ROLE guest LOGIN PASSWORD 'guestpw'; "
            "EXCEPTION WHEN OTHERS THEN NULL; END $$;");
  admin_sql("postgres", "CREATE DATABASE guest TEMPLATE template0;");
  databases_.push_back("guest");
  roles_.push_back("guest");
  ASSERT_EQ(data::sql_connect(txt(datatest::pg_host()), txt(db_), ""_t, "guestpw"_t, 0), core::kOk);
  EXPECT_EQ(current_user(), "guest@" + db_);
  data::session_close();
  // Without a database libpq picks its own (the user's name), and no
  // dictionary is built even when asked for.
  ASSERT_EQ(
      data::sql_connect(txt(datatest::pg_host()), ""_t, ""_t, "guestpw"_t, data::kOpenColumns),
      core::kOk);
  EXPECT_EQ(current_user(), "guest@guest");
}

TEST_F(ConnectTest, ConnectionValuesWithQuotesBlanksAndBackslashes) {
  // The role name and the password both need every kind of quoting.
  std::string role = make_role("us'er \"\"q\"\" \\b", "'p''a\"s s\\w\\'");
  std::string name = "us'er \"q\" \\b" + std::to_string(getpid());
  std::string password = "p'a\"s s\\w\\";
  ASSERT_EQ(data::sql_connect(txt(datatest::pg_host()), txt(db_), txt(name), txt(password), 0),
            core::kOk)
      << str(core::error_detail());
  EXPECT_EQ(current_user(), name + "@" + db_);
  data::session_close();
  // A value cannot smuggle in another connection parameter.
  EXPECT_EQ(data::sql_connect(txt(datatest::pg_host()), txt(db_ + "' user='postgres"), txt(name),
                              txt(password), 0),
            core::SQLERROR);
  EXPECT_EQ(
      data::sql_connect(txt(datatest::pg_host()), txt(db_), txt(name), "x' user='postgres"_t, 0),
      core::SQLERROR);
}

}  // namespace
