// Shared pieces of the data layer's tests: a runtime per test (core,
// variables, data) and, for the tests that need one, a database of its own
// on the test cluster that the CTest fixture started (PGHOST, PGPORT).
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/text.h"
#include "data/context.h"
#include "script/hooks.h"
#include "script/variables.h"

namespace datatest {

std::string str(core::Text t);  // "error <code>" for an error value
core::Text txt(const std::string& s);

// The socket folder and port of the shared test cluster.
std::string pg_host();
std::string pg_port();

// Runs SQL as the superuser on a database of the shared cluster (or of the
// cluster at `host`); the first column of the rows, joined with "|" per row
// and "\n" between rows. A failure fails the test and returns "ERROR: ...".
std::string admin_sql(const std::string& database, const std::string& sql,
                      const std::string& host = "");

// A fresh core, variable store and data layer.
// The hooks a runtime of the core, the variables and the data layer gives
// its layers (as apprun's composition root does, without windows), and the
// script layer's part of them.
void install_data_hooks();
script::Hooks data_script_hooks();

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void reset_runtime();  // a new runtime in place of the old one

  std::unique_ptr<core::CoreContext> core_;
  std::unique_ptr<script::ScriptContext> script_;
  std::unique_ptr<data::DataContext> data_;
};

// Also a database of its own, named after the test, dropped at the end;
// connect() opens the session on it as the superuser.
class DbTest : public RuntimeTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Creates the database (with that encoding) and returns its name.
  std::string make_database(const std::string& suffix, const std::string& encoding = "UTF8");
  core::Status connect(int flags = 0, const std::string& database = "");
  std::string sql(const std::string& statement) { return admin_sql(db_, statement); }

  std::string db_;
  std::vector<std::string> databases_;
  std::vector<std::string> roles_;
};

// A folder of its own under the temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }
  void write(const std::string& name, const std::string& content) const;
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace datatest
