#include "tests/data/pg_test.h"

#include "script/hooks.h"

#include "formats/formats.h"

#include "data/script_hooks.h"

#include "core/hooks.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/errors.h"
#include "core/hooks.h"
#include "data/script_hooks.h"
#include "formats/formats.h"
#include "script/hooks.h"
#include "data/session.h"
#include "tests/support/file_text.h"

namespace datatest {

using core::operator""_t;

std::string str(core::Text t) {
  return t.ok() ? std::string(t.ptr, t.len) : "error " + std::to_string(t.len);
}

core::Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

// A database name from the running test's name: lower case, at most 63 bytes.
std::string name_for_test(const std::string& suffix) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "t_";
  for (char c : std::string(info->test_suite_name()) + "_" + info->name())
    name += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '_';
  name = name.substr(0, 40) + "_" + std::to_string(getpid()) + suffix;
  return name.substr(0, 63);
}

}  // namespace

std::string pg_host() { return env("PGHOST"); }
std::string pg_port() { return env("PGPORT"); }

std::string admin_sql(const std::string& database, const std::string& sql,
                      const std::string& host) {
  std::string info = "host='" + (host.empty() ? pg_host() : host) + "' port='" + pg_port() +
                     "' user='postgres' dbname='" + database + "'";
  PGconn* conn = PQconnectdb(info.c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    std::string message = PQerrorMessage(conn);
    PQfinish(conn);
    ADD_FAILURE() << "cannot reach the test cluster: " << message;
    return "ERROR: " + message;
  }
  PQsetNoticeProcessor(
      conn, [](void*, const char*) {}, nullptr);
  PGresult* res = PQexec(conn, sql.c_str());
  std::string out;
  ExecStatusType status = PQresultStatus(res);
  if (status == PGRES_TUPLES_OK) {
    for (int r = 0; r < PQntuples(res); ++r) {
      if (r > 0) out += '\n';
      for (int c = 0; c < PQnfields(res); ++c) {
        if (c > 0) out += '|';
        out += PQgetvalue(res, r, c);
      }
    }
  } else if (status != PGRES_COMMAND_OK) {
    out = std::string("ERROR: ") + PQresultErrorMessage(res);
    ADD_FAILURE() << "admin SQL failed: " << sql << "\n" << out;
  }
  PQclear(res);
  PQfinish(conn);
  return out;
}

void install_data_hooks() {
  core::hooks_install(script::core_hooks());
  formats::hooks_install(script::formats_hooks());
  script::hooks_install(data_script_hooks());
}

script::Hooks data_script_hooks() {
  script::Hooks hooks;
  hooks.fields = data::field_reference;
  hooks.data_functions = data::data_function;
  hooks.execute = script::procedure_execute;
  hooks.local_calls = data::local_call;
  return hooks;
}

void RuntimeTest::SetUp() { reset_runtime(); }

void RuntimeTest::TearDown() {
  script::hooks_install(script::Hooks{});
  formats::hooks_install(formats::Hooks{});
  core::hooks_install(core::Hooks{});
  data_.reset();
  script_.reset();
  core_.reset();
}

void RuntimeTest::reset_runtime() {
  data_.reset();
  script_.reset();
  core_.reset();
  core_ = std::make_unique<core::CoreContext>();
  ASSERT_EQ(core_->status(), core::kOk);
  script_ = std::make_unique<script::ScriptContext>();
  ASSERT_EQ(script_->status(), core::kOk);
  data_ = std::make_unique<data::DataContext>();
  ASSERT_EQ(data_->status(), core::kOk);
  install_data_hooks();
}

void DbTest::SetUp() {
  ASSERT_FALSE(pg_host().empty())
      << "PGHOST is not set: run the tests through ctest, which starts the test cluster, or "
         "start one with scripts/pg-cluster.sh and set PGHOST and PGPORT";
  RuntimeTest::SetUp();
  db_ = make_database("");
}

void DbTest::TearDown() {
  RuntimeTest::TearDown();  // closes every connection first
  for (const std::string& db : databases_)
    admin_sql("postgres", "DROP DATABASE IF EXISTS \"" + db + "\" WITH (FORCE);");
  for (const std::string& role : roles_) admin_sql("postgres", "DROP ROLE IF EXISTS " + role + ";");
}

std::string DbTest::make_database(const std::string& suffix, const std::string& encoding) {
  std::string name = name_for_test(suffix);
  admin_sql("postgres", "DROP DATABASE IF EXISTS \"" + name + "\" WITH (FORCE);");
  std::string create = "CREATE DATABASE \"" + name + "\" ENCODING '" + encoding +
                       "' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0;";
  admin_sql("postgres", create);
  databases_.push_back(name);
  return name;
}

core::Status DbTest::connect(int flags, const std::string& database) {
  return data::sql_connect(txt(pg_host()), txt(database.empty() ? db_ : database), "postgres"_t,
                           core::Text{}, flags);
}

TempFolder::TempFolder() {
  std::string pattern = std::string(APP_PG_TMP) + "/apprun-test-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  char* made = mkdtemp(buf.data());
  EXPECT_NE(made, nullptr);
  path_ = made != nullptr ? made : "";
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

void TempFolder::write(const std::string& name, const std::string& content) const {
  std::ofstream(path_ + "/" + name, std::ios::binary) << content;
}

std::string TempFolder::read(const std::string& name) const {
  return testsupport::file_text(path_ + "/" + name);
}

}  // namespace datatest
