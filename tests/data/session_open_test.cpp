// Opening the session: the parameter file, the command-line values,
// connection lists, the remembered log-in files and the log-in form loop.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/dictionary.h"
#include "data/session.h"
#include "tests/data/pg_test.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

// The log-in form as a script: each call records what was shown and gives
// the next answer.
struct FormCall {
  std::string title, fields, reason;
};
std::vector<FormCall> g_calls;
std::vector<data::LoginAnswer> g_answers;
std::vector<std::string> g_values;  // keeps the answers' texts alive

data::LoginAnswer scripted_form(core::Text title, core::Text fields, core::Text reason) {
  g_calls.push_back({str(title), str(fields), str(reason)});
  if (g_calls.size() > g_answers.size()) return {core::CANCELLED, false, {}};
  return g_answers[g_calls.size() - 1];
}

class SessionOpenTest : public datatest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    g_calls.clear();
    g_answers.clear();
    g_values.clear();
    g_values.reserve(16);
    old_dir_ = std::filesystem::current_path();
    std::filesystem::current_path(work_.path());
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(defs_.path())), core::kOk);
  }
  void TearDown() override {
    data::login_hook_set(nullptr);
    std::filesystem::current_path(old_dir_);
    DbTest::TearDown();
  }
  // A connection list to this test's database as the superuser.
  std::string list(const std::string& remember = "") {
    std::string l = "'" + datatest::pg_host() + "','" + db_ + "','postgres',''";
    return remember.empty() ? l : l + "," + remember;
  }
  void answer(core::Status code, bool confirmed, const std::string& values) {
    g_values.push_back(values);
    g_answers.push_back({code, confirmed, txt(g_values.back())});
  }
  std::string slot(uint16_t n) { return str(core::slot_get(core::kGroupEnv, n)); }
  mode_t mode_of(const std::string& name) {
    struct stat st {};
    return stat((work_.path() + "/" + name).c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
  }
  std::string current_database() {
    if (data::sql_exec_simple("SELECT current_database();"_t) != 0) return "?";
    return str(data::sql_value(0, 0, -1));
  }

  datatest::TempFolder work_, defs_;
  std::filesystem::path old_dir_;
};

TEST_F(SessionOpenTest, ParameterFileInTheDefinitionFolder) {
  sql("CREATE TABLE clientes (codigo char(6) PRIMARY KEY, nombre varchar(30));");
  defs_.write("SQLPARAMS.DAT", "sqlhost='" + datatest::pg_host() + "'\r\ndatabase=" + db_ +
                                   "\r\nuser=postgres\r\n01 passw=''\r\n");
  ASSERT_EQ(data::session_phase_open(), core::kOk) << str(core::error_detail());
  EXPECT_EQ(current_database(), db_);
  EXPECT_EQ(slot(11), "'" + datatest::pg_host() + "','" + db_ + "','postgres',''");
  // Opened with the columns and keys of the catalogue.
  ASSERT_EQ(data::dict_file_count(), 1);
  EXPECT_EQ(str(data::dict_field_names(1)), "codigo,nombre");
  EXPECT_EQ(data::session_phase_close(), core::kOk);
  EXPECT_FALSE(data::session_connected());
}

TEST_F(SessionOpenTest, CommandLineValuesComeBeforeTheFile) {
  defs_.write("sqlparams.dat", "sqlhost=/nowhere database=nothing");
  std::string line =
      "/sqlhost:'" + datatest::pg_host() + "' /database:'" + db_ + "' /user:'postgres' /passw:''";
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvCommandLine, txt(line)), core::kOk);
  ASSERT_EQ(data::session_open(data::kParamFileName, 0), core::kOk) << str(core::error_detail());
  EXPECT_EQ(current_database(), db_);
}

TEST_F(SessionOpenTest, MissingOrBrokenParameterFileWithoutAForm) {
  core::error_clear();
  EXPECT_EQ(data::session_open("sqlparams.dat"_t, 0), core::SQLERROR);
  EXPECT_EQ(core::error_last().context, core::Context::SQLCONNECT);
  EXPECT_EQ(str(core::error_detail()), "sqlparams.dat");
  EXPECT_FALSE(data::session_connected());

  // A damaged file is refused with its line.
  core::error_clear();
  defs_.write("sqlparams.dat", std::string("sqlhost=x\n\x01\x02\xFF garbage = = :\0\n", 28));
  EXPECT_EQ(data::session_open("sqlparams.dat"_t, 0), core::SQLERROR);
  EXPECT_NE(str(core::error_detail()).find("sqlparams.dat, line 2: not a text file (byte 0x01)"), std::string::npos)
      << str(core::error_detail());
  // Nothing usable in it: the values are empty, so libpq's defaults reach
  // the test server as "guest", who has no password.
  defs_.write("sqlparams.dat", "\xFF garbage = = :\n");
  EXPECT_EQ(data::session_open("sqlparams.dat"_t, 0), core::SQLERROR);
  EXPECT_NE(str(core::error_detail()).find("no password supplied"), std::string::npos)
      << str(core::error_detail());
  EXPECT_EQ(data::session_open(""_t, 0), core::SQLERROR);
  EXPECT_FALSE(data::session_connected());
  EXPECT_EQ(slot(11), "");
}

TEST_F(SessionOpenTest, ConnectionListsAreKeptInSlotsElevenAndTwelve) {
  ASSERT_EQ(data::session_open(txt(list()), 0), core::kOk);
  EXPECT_EQ(slot(11), list());
  ASSERT_EQ(data::session_open(txt(list() + ",0"), 0), core::kOk);
  EXPECT_EQ(slot(12), list() + ",0");
  EXPECT_EQ(data::session_current_slot(), 1);
  // Nothing is remembered without the flag.
  EXPECT_FALSE(std::filesystem::exists(work_.path() + "/sqlusrprm.dat"));
  // A list that made no connection of its own is not kept.
  ASSERT_EQ(core::slot_set(core::kGroupEnv, 12, ""_t), core::kOk);
  while (data::session_current_slot() < data::kSessionSlots - 1) ASSERT_EQ(connect(), core::kOk);
  EXPECT_EQ(data::session_open(txt(list() + ",0"), 0), core::OUTOFMEMORY);
  EXPECT_EQ(slot(12), "");
}

TEST_F(SessionOpenTest, RememberedLogInIsReadableByItsOwnerOnly) {
  work_.write("sqlusrprm.dat", "old");
  ASSERT_EQ(chmod((work_.path() + "/sqlusrprm.dat").c_str(), 0644), 0);
  ASSERT_EQ(data::session_open(txt(list("' 1 '")), 0), core::kOk);
  EXPECT_EQ(work_.read("sqlusrprm.dat"), list("' 1 '"));
  EXPECT_EQ(mode_of("sqlusrprm.dat"), 0600u);

  ASSERT_EQ(data::session_open(txt(list("1")), data::kOpenAdmin), core::kOk);
  EXPECT_EQ(work_.read("sqladmprm.dat"), list("1"));
  EXPECT_EQ(mode_of("sqladmprm.dat"), 0600u);

  // A file that cannot be written: FILEIO and no connection.
  data::session_close();
  data::session_close();
  std::filesystem::remove(work_.path() + "/sqlusrprm.dat");
  std::filesystem::create_directory(work_.path() + "/sqlusrprm.dat");
  EXPECT_EQ(data::session_open(txt(list("1")), 0), core::FILEIO);
  EXPECT_FALSE(data::session_connected());
}

TEST_F(SessionOpenTest, LogInFormIsShownAgainAfterEveryFailedAttempt) {
  data::login_hook_set(scripted_form);
  work_.write("sqlusrprm.dat", "'h1','d1','u1','p1','1'");
  std::string wrong = "'" + datatest::pg_host() + "','" + db_ + "','nobody','x','0'";
  answer(0, true, wrong);
  answer(0, true, list("'1'"));
  ASSERT_EQ(data::session_open(data::kParamFileName, 0), core::kOk);
  EXPECT_EQ(current_database(), db_);

  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[0].title, "Acceso a Datos");
  EXPECT_EQ(g_calls[0].fields,
            "'Servidor:':'A30'::'h1','Base:':'A30'::'d1','Usuario:':'A30'::'u1',"
            "'Contrase\xF1"
            "a:':'P30'::'p1','Recordar (S/N):':'L1'");
  EXPECT_EQ(g_calls[0].reason, "sqlparams.dat");
  EXPECT_NE(g_calls[1].reason.find("\"nobody\""), std::string::npos) << g_calls[1].reason;
  // The form of the second attempt still shows the remembered values.
  EXPECT_EQ(g_calls[1].fields, g_calls[0].fields);
  // The successful list was remembered, and the next form shows it.
  EXPECT_EQ(work_.read("sqlusrprm.dat"), list("'1'"));
  core::ArenaScope scope;
  EXPECT_NE(str(data::login_form_text(data::kUserLoginFile, data::kFormReadFile | data::kFormLogin))
                .find("'Base:':'A30'::'" + db_ + "'"),
            std::string::npos);
}

TEST_F(SessionOpenTest, CancellingOrClosingTheFormEndsTheLogIn) {
  data::login_hook_set(scripted_form);
  answer(core::CANCELLED, false, "");
  EXPECT_EQ(data::session_open(""_t, 0), core::CANCELLED);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].reason, "");
  // No remembered file: the form is empty.
  EXPECT_EQ(g_calls[0].fields.find("'Servidor:':'A30'::,"), 0u);

  g_calls.clear();
  g_answers.clear();
  answer(0, false, list());
  EXPECT_EQ(data::session_open(""_t, 0), core::kOk);
  EXPECT_EQ(g_calls.size(), 1u);
  EXPECT_FALSE(data::session_connected());

  // The administration log-in shows its own remembered values.
  g_calls.clear();
  g_answers.clear();
  work_.write("sqladmprm.dat", "'adm-host','adm-db','adm','pw'");
  EXPECT_EQ(data::session_open(""_t, data::kOpenAdmin), core::CANCELLED);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].fields.find("'Servidor:':'A30'::'adm-host','Base:':'A30'::'adm-db',"), 0u);
}

// Values given on the command line fill the form when they do not connect,
// in place of the remembered log-in; what they leave out stays empty.
TEST_F(SessionOpenTest, TheFormStartsWithTheCommandLinesValues) {
  data::login_hook_set(scripted_form);
  work_.write("sqlusrprm.dat", "'h1','d1','u1','p1','1'");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvCommandLine,
                           "/sqlhost:'/nonexistent/socket' /database:'Ventas' /user:'pepe'"_t),
            core::kOk);
  answer(core::CANCELLED, false, "");
  EXPECT_EQ(data::session_open(data::kParamFileName, 0), core::CANCELLED);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].fields,
            "'Servidor:':'A30'::'/nonexistent/socket','Base:':'A30'::'Ventas','Usuario:':'A30'::'pepe',"
            "'Contrase\xF1"
            "a:':'P30'::,'Recordar (S/N):':'L1'");
}

TEST_F(SessionOpenTest, FormTextsForTheAdministrationLogIns) {
  core::ArenaScope scope;
  EXPECT_EQ(str(data::login_form_text("'srv','db','usr','pw'"_t, data::kFormAdminDb)),
            "'Servidor:':'A30'::'srv','Base:':'A30','Usuario:':'A30'::'postgres',"
            "'Contrase\xF1"
            "a:':'P30'");
  EXPECT_EQ(str(data::login_form_text("srv"_t, data::kFormAdminServer)),
            "'Servidor:':'A30'::srv,'Usuario:':'A30'::'postgres','Contrase\xF1"
            "a:':'P30'");
  // A value holding "%s" is inserted as it stands, not filled again.
  EXPECT_EQ(str(data::login_form_text("'%s%s',b,c,d"_t, data::kFormLogin)).substr(0, 33),
            "'Servidor:':'A30'::'%s%s','Base:'");
  EXPECT_EQ(str(data::login_form_text("missing.dat"_t, data::kFormReadFile | data::kFormLogin))
                .find("'Servidor:':'A30'::,'Base:':'A30'::,"),
            0u);
}

}  // namespace
