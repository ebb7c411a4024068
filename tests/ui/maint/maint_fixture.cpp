#include "tests/ui/maint/maint_fixture.h"

#include "tests/ui/ui_hooks.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/files.h"
#include "core/arena.h"
#include "core/slots.h"
#include "data/dictionary.h"
#include "formats/formats.h"
#include "data/internal/access_run.h"
#include "script/procedures.h"
#include "definitions/definitions.h"
#include "script/functions.h"
#include "paths/paths.h"
#include "ui/docs.h"
#include "ui/maint.h"
#include "ui/platform/script.h"
#include "tests/support/file_text.h"

namespace mainttest {

namespace {

using core::operator""_t;
namespace fs = std::filesystem;

const std::string kSample = std::string(TEST_SOURCE_DIR) + "/../examples/tienda";

using testsupport::file_text;

// A field's window: "MantMain X" opens the window of X.
core::Status run_by_name(core::Text name) {
  std::string n = datatest::str(name);
  size_t blank = n.find(' ');
  if (blank == std::string::npos || n.substr(0, blank) != "MantMain") return core::NOVALUE;
  std::string argument = n.substr(blank + 1);
  return ui::maint_open(datatest::txt(argument), ui::kMantProcessFlags);
}

}  // namespace

void MaintTest::SetUp() {
  DbTest::SetUp();
  for (const fs::directory_entry& e : fs::directory_iterator(kSample)) {
    fs::copy_file(e.path(), fs::path(folder_.path()) / e.path().filename());
  }
  procs_ = std::make_unique<script::ProcContext>();
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, datatest::txt(folder_.path())), 0);
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvApName, "KALMIR"_t), 0);
  ASSERT_EQ(formats::locale_build(), 0);
  auto tk = std::make_unique<ui::headless::HeadlessToolkit>();
  tk_ = tk.get();
  ui_ = std::make_unique<ui::UiContext>(std::move(tk));
  script::Hooks below = datatest::data_script_hooks();
  below.settings_saver = defs::settings_save;
  uitest::install_window_hooks(below);
  core::file_name_resolver_set(paths::path_real_name);
  ASSERT_EQ(data::dict_load("KA"_t, datatest::txt(folder_.path()), ""_t), 0);
  // tienda.sql through the server: its psql include line (\ir) is not SQL,
  // so the data script it names is sent after it.
  std::string tables = file_text(kSample + "/tienda.sql");
  tables.erase(tables.find("\\ir KADICC.SQL"));
  sql(tables);
  sql(file_text(kSample + "/KADICC.SQL"));
  ASSERT_EQ(connect(), 0);
  ui::process_runner_set(run_by_name);
  data::internal::statement_trace_set(&trace_);
}

void MaintTest::TearDown() {
  data::internal::statement_trace_set(nullptr);
  ui::process_runner_set(nullptr);
  uitest::remove_window_hooks();
  ui_.reset();
  procs_.reset();
  DbTest::TearDown();
}

core::Status MaintTest::run(const std::string& argument, const std::string& steps) {
  std::vector<ui::platform::ScriptStep> parsed;
  std::string error;
  EXPECT_TRUE(ui::platform::script_parse(steps, &parsed, &error)) << error;
  tk_->script_set(std::move(parsed));
  return ui::maint_open(datatest::txt(argument), ui::kMantProcessFlags);
}

core::Status MaintTest::run_document(const std::string& argument, const std::string& steps) {
  std::vector<ui::platform::ScriptStep> parsed;
  std::string error;
  EXPECT_TRUE(ui::platform::script_parse(steps, &parsed, &error)) << error;
  tk_->script_set(std::move(parsed));
  return ui::docs_open(datatest::txt(argument));
}

std::vector<std::string> MaintTest::sent() {
  std::vector<std::string> out;
  out.swap(trace_);
  return out;
}

bool MaintTest::sent_any(const std::string& part) {
  for (const std::string& s : trace_) {
    if (s.find(part) != std::string::npos) return true;
  }
  return false;
}

namespace {

// The window drawn from position `at` on: from its title line to its
// bottom border.
std::string window_at(const std::string& t, size_t at) {
  size_t start = at == 0 && t.rfind("+- ", 0) == 0 ? 0 : t.find("\n+- ", at);
  if (start == std::string::npos) return {};
  if (start != 0) ++start;
  size_t end = t.find("\n+-", t.find('\n', start));
  end = end == std::string::npos ? t.size() : t.find('\n', end + 1);
  return t.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

std::string MaintTest::window_after(const std::string& marker) const {
  const std::string& t = tk_->transcript();
  size_t at = t.rfind(marker);
  return at == std::string::npos ? std::string() : window_at(t, at);
}

std::string MaintTest::last_window() const {
  const std::string& t = tk_->transcript();
  size_t at = t.rfind("\n+- ");
  return at == std::string::npos ? window_at(t, 0) : window_at(t, at);
}

std::vector<std::string> MaintTest::windows_after(const std::string& marker) const {
  std::vector<std::string> out;
  const std::string& t = tk_->transcript();
  for (size_t at = t.find(marker); at != std::string::npos; at = t.find(marker, at + 1)) {
    out.push_back(window_at(t, at));
  }
  return out;
}

void MaintTest::write(const std::string& name, const std::string& content) { folder_.write(name, content); }

void MaintTest::expect_script_ok() {
  EXPECT_TRUE(tk_->script_errors().empty())
      << (tk_->script_errors().empty() ? "" : tk_->script_errors().front()) << "\n" << tk_->transcript();
}

}  // namespace mainttest
