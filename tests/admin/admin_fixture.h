// The layers appcontrol runs on, for a test: the core, the variables, the
// data layer on a database of the test's own, and the window layer over the
// headless backend; the data folder and the current folder in a temporary
// folder of the test's own, and the administration log-in already kept.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "admin/lists.h"
#include "admin/server.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/session.h"
#include "tests/data/pg_test.h"
#include "tests/support/file_text.h"
#include "tests/ui/ui_hooks.h"
#include "ui/headless/headless.h"
#include "ui/platform/script.h"
#include "ui/windows.h"

namespace admintest {

using core::operator""_t;

class AdminTest : public datatest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    root_ = folder_.path();
    std::filesystem::create_directories(root_ + "/work");
    std::filesystem::create_directories(root_ + "/app");
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    previous_cwd_ = here;
    ASSERT_EQ(chdir((root_ + "/work").c_str()), 0);
    (void)core::slot_set(core::kGroupEnv, core::kEnvDataPath, datatest::txt(root_ + "/work"));
    (void)core::slot_set(core::kGroupEnv, core::kEnvDocPath, datatest::txt(root_ + "/app"));
    (void)core::slot_set(core::kGroupEnv, core::kEnvApName, "APCONTROL"_t);
    auto tk = std::make_unique<ui::headless::HeadlessToolkit>();
    tk_ = tk.get();
    ui_ = std::make_unique<ui::UiContext>(std::move(tk));
    uitest::install_window_hooks(datatest::data_script_hooks());
    // Every statement and failure to the log, to see what was sent.
    script::var_set_int(core::kSwTrace, 7);
    core::log_set_path(datatest::txt(root_ + "/work/sent.log"));
    ASSERT_EQ(admin::login_keep({datatest::pg_host(), "postgres", "x"}), 0);
  }
  void TearDown() override {
    while (data::session_connected()) (void)data::session_close();
    uitest::remove_window_hooks();
    ui_.reset();
    if (!previous_cwd_.empty()) (void)chdir(previous_cwd_.c_str());
    DbTest::TearDown();
  }

  // Scripted input for the forms and boxes to come.
  void input(const std::string& steps) {
    std::vector<ui::platform::ScriptStep> parsed;
    std::string error;
    ASSERT_TRUE(ui::platform::script_parse(steps, &parsed, &error)) << error;
    tk_->script_set(std::move(parsed));
  }
  std::string sent() { return testsupport::file_text(root_ + "/work/sent.log"); }
  std::string data(const std::string& name) { return testsupport::file_text(root_ + "/data/" + name); }
  void write_data(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(root_ + "/data");
    folder_.write("data/" + name, text);
  }
  // A role of the test's own, dropped at the end.
  std::string role(const std::string& base) {
    std::string name = base + std::to_string(getpid());
    roles_.push_back("\"" + name + "\"");
    return name;
  }
  // A user made as appcontrol makes one (the groups first), the connection
  // closed again.
  void make_user(const std::string& user, const std::string& password) {
    ASSERT_EQ(admin::admin_login({}), 0);
    ASSERT_EQ(admin::create_groups(), 0);
    ASSERT_EQ(admin::create_user(user, password), 0) << core::text_str(core::error_detail());
    (void)data::session_close();
  }
  // Whether the role logs in with the password.
  static bool logs_in(const std::string& user, const std::string& password) {
    const char* keys[] = {"host", "port", "dbname", "user", "password", nullptr};
    std::string host = datatest::pg_host(), port = datatest::pg_port();
    const char* values[] = {host.c_str(), port.c_str(), "postgres", user.c_str(), password.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 0);
    bool ok = PQstatus(conn) == CONNECTION_OK;
    PQfinish(conn);
    return ok;
  }

  datatest::TempFolder folder_;
  std::string root_;
  std::string previous_cwd_;
  ui::headless::HeadlessToolkit* tk_ = nullptr;
  std::unique_ptr<ui::UiContext> ui_;
};

}  // namespace admintest
