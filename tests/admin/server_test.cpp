// Roles, grants and company databases against the test cluster.
#include <gtest/gtest.h>

#include <fstream>

#include "admin/server.h"
#include "admin/statements.h"
#include "core/arena.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/session.h"
#include "tests/admin/admin_fixture.h"

namespace {

using admintest::AdminTest;
using datatest::admin_sql;
using core::operator""_t;

constexpr const char* kSample = TEST_SOURCE_DIR "/../examples/tienda";

class Server : public AdminTest {
 protected:
  void SetUp() override {
    AdminTest::SetUp();
    ASSERT_EQ(admin::admin_login({}), 0);
  }
  std::string member_of(const std::string& user) {
    return admin_sql("postgres", "SELECT string_agg(g.rolname, ',' ORDER BY g.rolname) FROM pg_auth_members m "
                                 "JOIN pg_roles g ON g.oid = m.roleid JOIN pg_roles u ON u.oid = m.member "
                                 "WHERE u.rolname = $$" + user + "$$;");
  }
};

// A name and a password that would break a statement pasted together are a
// name and a password; the password travels only as its verifier.
TEST_F(Server, HostileNamesAndPasswords) {
  ASSERT_EQ(admin::create_groups(), 0);
  std::string user = role("o'x; DROP DATABASE postgres; --");
  std::string password = "p'w\"\\;-- \xE9";
  ASSERT_EQ(admin::create_user(user, password), 0) << core::text_str(core::error_detail());
  EXPECT_TRUE(logs_in(user, password));
  EXPECT_FALSE(logs_in(user, "p'w"));
  EXPECT_EQ(member_of(user), "usuarios");
  EXPECT_EQ(admin_sql("postgres", "SELECT left(rolpassword, 14) FROM pg_authid WHERE rolname = $$" + user + "$$;"),
            "SCRAM-SHA-256$");
  // A repetition that differs sends nothing; an equal one changes it.
  EXPECT_EQ(admin::change_password(user, "nueva", "nuevo"), core::NOVALUE);
  core::error_clear();
  EXPECT_TRUE(logs_in(user, password));
  ASSERT_EQ(admin::change_password(user, "nueva'1", "nueva'1"), 0);
  EXPECT_TRUE(logs_in(user, "nueva'1"));
  std::string log = sent();
  EXPECT_NE(log.find("ALTER ROLE"), std::string::npos);
  for (const std::string& secret : {password, std::string("nueva'1"), std::string("nueva")})
    EXPECT_EQ(log.find(secret), std::string::npos) << secret;
}

// The groups are made once; a user moves from one to another.
TEST_F(Server, GroupsAndGroupChanges) {
  ASSERT_EQ(admin::create_groups(), 0);
  ASSERT_EQ(admin::create_groups(), 0);
  EXPECT_EQ(admin_sql("postgres", "SELECT count(*) FROM pg_roles WHERE rolname IN "
                                  "('usuarios','admins','colabor','externos') AND NOT rolcanlogin;"), "4");
  std::string user = role("grp");
  ASSERT_EQ(admin::create_user(user, "pw"), 0) << core::text_str(core::error_detail());
  ASSERT_EQ(admin::change_group(user, "usuarios", "colabor"), 0);
  EXPECT_EQ(member_of(user), "colabor");
  ASSERT_EQ(admin::drop_role(user), 0);
  EXPECT_EQ(admin_sql("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = '" + user + "';"), "0");
}

// E to L: every right taken, SELECT given back; L to N: taken only; the
// same letter: nothing sent.
TEST_F(Server, PermissionLetters) {
  std::string user = role("perm");
  (void)data::session_close();
  make_user(user, "pw");
  sql("CREATE TABLE art (a int);");
  ASSERT_EQ(admin::admin_login(db_), 0);
  auto rights = [&] {
    return sql("SELECT coalesce(string_agg(privilege_type, ',' ORDER BY privilege_type), '-') FROM "
               "information_schema.table_privileges WHERE grantee = '" + user + "' AND table_name = 'art';");
  };
  ASSERT_EQ(admin::set_permission(user, "art", 'N', 'E'), 0);
  EXPECT_EQ(rights(), "DELETE,INSERT,SELECT,UPDATE");
  size_t before = sent().size();
  ASSERT_EQ(admin::set_permission(user, "art", 'E', 'L'), 0);
  EXPECT_EQ(rights(), "SELECT");
  EXPECT_EQ(sent().substr(before), "REVOKE ALL ON TABLE \"art\" FROM \"" + user + "\";\r\nGRANT SELECT ON TABLE \"art\" TO \"" +
                                       user + "\";\r\n");
  before = sent().size();
  ASSERT_EQ(admin::set_permission(user, "art", 'L', 'L'), 0);
  ASSERT_EQ(admin::set_permission(user, "art", 'L', 'N'), 0);
  EXPECT_EQ(rights(), "-");
  EXPECT_EQ(sent().substr(before), "REVOKE ALL ON TABLE \"art\" FROM \"" + user + "\";\r\n");
}

class Company : public AdminTest {
 protected:
  void SetUp() override {
    AdminTest::SetUp();
    ASSERT_EQ(data::dict_load("KA"_t, datatest::txt(kSample), core::Text{}), 0);
    request_ = {datatest::pg_host(), db_ + "_c", "postgres", "x", {}, root_ + "/work/incid.txt",
                admin::kGoOnAfterFailure | admin::kNoResultBox};
    databases_.push_back(request_.database);
  }
  std::string in_company(const std::string& statement) { return admin_sql(request_.database, statement); }
  std::string incidents() { return testsupport::file_text(request_.log); }

  admin::CompanyRequest request_;
};

// A new database with a table per data file in the dictionary's types and
// the index of every key: no move of the runtime scans a table.
TEST_F(Company, TablesAndIndexesServeTheRuntimesMoves) {
  request_.script = std::string(kSample) + "/KADICC.SQL";
  ASSERT_EQ(admin::create_company_database(request_), 0) << core::text_str(core::error_detail());
  EXPECT_EQ(in_company("SELECT count(*) FROM clientes;"), "7");
  EXPECT_EQ(in_company("SELECT format_type(atttypid, atttypmod) FROM pg_attribute WHERE attrelid = 'articulos'::regclass "
                       "AND attname IN ('descripcion', 'precio', 'stock') ORDER BY attnum;"),
            "character(30)\nnumeric(12,2)\nnumeric(8,0)");
  EXPECT_EQ(in_company("SELECT string_agg(indexname, ',' ORDER BY indexname) FROM pg_indexes WHERE tablename = 'clientes';"),
            "clientes_ndx1,clientes_ndx1o,clientes_ndx2,clientes_ndx3");
  EXPECT_EQ(in_company("SELECT indisunique FROM pg_index WHERE indexrelid = 'movimientos_ndx1'::regclass;"), "t");
  EXPECT_NE(incidents().find("CREATE TABLE \"clientes\""), std::string::npos);
  ASSERT_EQ(data::sql_connect(datatest::txt(datatest::pg_host()), datatest::txt(request_.database), "postgres"_t,
                              core::Text{}, 0),
            0);
  for (uint16_t file = 1; file <= data::dict_file_count(); ++file) {
    data::FileItem item;
    ASSERT_EQ(data::dict_file_attr(file, &item), 0);
    ASSERT_EQ(data::access_open(file, 0), 0);
    for (int key = 1; key <= item.key_count; ++key) {
      ASSERT_EQ(data::access_set_key(file, key), key);
      for (int code : {data::kNavFirst, data::kNavLast, data::kNavNext, data::kNavPrevious, data::kNavFind}) {
        core::ArenaScope scope;
        std::string move = core::text_str(data::access_move_sql(file, code, "0"_t, 0));
        std::string plan = in_company("SET enable_seqscan = off; EXPLAIN (COSTS OFF) " + move);
        EXPECT_EQ(plan.find("Seq Scan"), std::string::npos) << move << "\n" << plan;
      }
    }
  }
}

// Made again: the database is there (no CREATE DATABASE, no language), the
// tables are there (each failure logged, the result 124).
TEST_F(Company, ADatabaseThatExistsKeepsItsTables) {
  ASSERT_EQ(admin::create_company_database(request_), 0);
  std::string first_log = sent();
  EXPECT_EQ(first_log.find("CREATE LANGUAGE"), std::string::npos);  // every new database has it
  std::ofstream(request_.log, std::ios::trunc).close();
  size_t before = first_log.size();
  EXPECT_EQ(admin::create_company_database(request_), core::UNDEFWARN);
  std::string second = sent().substr(before);
  EXPECT_EQ(second.find("CREATE DATABASE"), std::string::npos);
  EXPECT_NE(incidents().find("------- Error SQLERROR(SQLEXEC): ERROR:  relation \"clientes\" already exists"),
            std::string::npos)
      << incidents();
}

// A statement of the script that fails is logged; the ones after it run.
TEST_F(Company, AScriptGoesOnAfterAFailure) {
  std::string script = root_ + "/app/KADICC.SQL";
  std::ofstream(script, std::ios::binary)
      << "-- data\r\nINSERT INTO clientes (codigo) VALUES ('A');\r\n-->exec\r\n"
         "INSERT INTO nowhere VALUES (1);\r\n-->exec\r\nINSERT INTO clientes (codigo)\r\nVALUES ('B');\r\n";
  request_.script = script;
  EXPECT_EQ(admin::create_company_database(request_), core::UNDEFWARN);
  EXPECT_EQ(in_company("SELECT string_agg(rtrim(codigo), ',' ORDER BY codigo) FROM clientes;"), "A,B");
  EXPECT_NE(incidents().find("------- Error SQLERROR(SQLEXEC): ERROR:  relation \"nowhere\" does not exist"),
            std::string::npos)
      << incidents();
}

// A refused log-in keeps nothing, so that the form asks again next time.
TEST_F(Company, MissingValuesAndARefusedLogIn) {
  request_.password.clear();
  EXPECT_EQ(admin::create_company_database(request_), core::NOVALUE);
  core::error_clear();
  admin::login_forget();
  std::string user = role("refused");
  admin_sql("postgres", "CREATE ROLE \"" + user + "\" LOGIN PASSWORD 'right';");
  EXPECT_EQ(admin::admin_connect({datatest::pg_host(), user, "wrong"}, {}), core::SQLERROR);
  EXPECT_TRUE(admin::login_kept().host.empty());
  EXPECT_EQ(admin::admin_connect({datatest::pg_host(), user, "right"}, {}), 0);
  EXPECT_EQ(admin::login_kept().user, user);
  // The host is remembered, the password never.
  EXPECT_EQ(testsupport::file_text(root_ + "/work/sqladmprm.dat"), "'" + datatest::pg_host() + "'");
  EXPECT_EQ(std::filesystem::status(root_ + "/work/sqladmprm.dat").permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace
