// The Qt backend as the programs get it: opened from its module
// (apprun-qt.so, APP_QT_MODULE) by a program that links no Qt, and the
// messages when it cannot be had. Runs on Qt's offscreen platform.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/slots.h"
#include "formats/formats.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "tests/ui/ui_hooks.h"
#include "ui/backend.h"
#include "ui/forms.h"
#include "ui/platform/script.h"
#include "ui/windows.h"

// Fontconfig keeps what it allocates at Qt's first font lookup for the life
// of the process; see tests/sanitizers/lsan_qt.supp.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
// Qt's thread-local storage is dynamic TLS here; see tests/sanitizers/lsan_qt.sh.
extern "C" const char* __lsan_default_options() { return "intercept_tls_get_addr=0"; }

namespace {

namespace fs = std::filesystem;
using core::operator""_t;

// Sets an environment variable for one test and puts the old value back.
class EnvSet {
 public:
  EnvSet(const char* name, const char* value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvSet() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

std::string module_path() {
  const char* set = getenv("APP_QT_MODULE");
  return set != nullptr ? set : "";
}

class QtModule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(module_path().empty()) << "APP_QT_MODULE names the module under test";
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    (void)core::slot_set(core::kGroupEnv, core::kEnvApName, "KALMIR"_t);
    (void)formats::locale_build();
  }

  core::CoreContext core_;
  script::ScriptContext script_;
  script::ProcContext procs_;
};

TEST_F(QtModule, MakesTheQtToolkitWhoseTextsAreInTheProgramsArena) {
  std::string error;
  std::unique_ptr<ui::platform::Toolkit> tk = ui::toolkit_module_open(module_path(), &error);
  ASSERT_NE(tk, nullptr) << error;
  EXPECT_STREQ(tk->name(), "qt");
  ui::platform::WindowSpec spec;
  spec.title = "Prueba";
  spec.client = {300, 100};
  ui::platform::Handle w = tk->window_create(spec);
  ASSERT_NE(w, ui::platform::kNone);
  ui::platform::ControlSpec edit;
  edit.kind = ui::platform::ControlKind::Edit;
  edit.id = 7;
  edit.rect = {0, 0, 20, 1};
  ASSERT_TRUE(tk->control_create(w, edit));
  // Windows-1252 in and out: ñ and the euro sign cross the module's edge.
  tk->control_text_set(w, 7, "A\xF1o \x80"_t);
  core::ArenaScope scope;
  core::Text back = tk->control_text(w, 7);
  EXPECT_EQ(std::string(back.ptr, back.len), "A\xF1o \x80");
  // The copy is the newest entry of this program's arena: the module has no
  // arena (nor any other core state) of its own.
  EXPECT_EQ(core::arena_top().ptr, back.ptr);
  tk->window_destroy(w);
}

TEST_F(QtModule, AFormRunsOnTheModulesToolkitWithTheWholeWindowLayer) {
  std::string error;
  std::unique_ptr<ui::platform::Toolkit> tk = ui::toolkit_module_open(module_path(), &error);
  ASSERT_NE(tk, nullptr) << error;
  ui::platform::Toolkit* qt = tk.get();
  ui::UiContext ui(std::move(tk));
  ASSERT_EQ(ui.status(), 0);
  uitest::install_window_hooks();
  std::vector<ui::platform::ScriptStep> steps;
  ASSERT_TRUE(ui::platform::script_parse("type Ana\nkey Tab\ntype 4\nkey Enter\n", &steps, &error))
      << error;
  qt->script_set(std::move(steps));
  ui::FormRequest request;
  request.title = "Pedido"_t;
  request.fields = "'Cliente:':'A10','Cantidad:':'N5'"_t;
  ui::FormResult result;
  core::Status st = ui::form_run(request, &result);
  uitest::remove_window_hooks();
  ASSERT_EQ(st, 0);
  EXPECT_EQ(result.values, "'Ana','4'");
}

TEST_F(QtModule, ChosenByTheEnvironment) {
  EnvSet ui_env("APP_UI", "qt");
  std::unique_ptr<ui::platform::Toolkit> tk = ui::platform::toolkit_from_environment();
  ASSERT_NE(tk, nullptr);
  EXPECT_STREQ(tk->name(), "qt");
}

// A module that cannot be had: the run ends when Qt was asked for by name,
// and goes on without windows when only a display is there; both say which
// file and why.
TEST_F(QtModule, MissingModuleEndsARunThatAskedForQt) {
  EnvSet module("APP_QT_MODULE", "/nonexistent/apprun-qt.so");
  EnvSet ui_env("APP_UI", "qt");
  testing::internal::CaptureStderr();
  std::unique_ptr<ui::platform::Toolkit> tk = ui::platform::toolkit_from_environment();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(tk, nullptr);
  EXPECT_NE(said.find("/nonexistent/apprun-qt.so"), std::string::npos) << said;
  EXPECT_NE(said.find("No such file"), std::string::npos) << said;
}

TEST_F(QtModule, MissingModuleWithADisplayGoesOnHeadless) {
  EnvSet module("APP_QT_MODULE", "/nonexistent/apprun-qt.so");
  EnvSet ui_env("APP_UI", nullptr);
  EnvSet display("DISPLAY", ":99");
  testing::internal::CaptureStderr();
  std::unique_ptr<ui::platform::Toolkit> tk = ui::platform::toolkit_from_environment();
  std::string said = testing::internal::GetCapturedStderr();
  ASSERT_NE(tk, nullptr);
  EXPECT_STREQ(tk->name(), "headless");
  EXPECT_NE(said.find("/nonexistent/apprun-qt.so"), std::string::npos) << said;
  EXPECT_NE(said.find("without windows"), std::string::npos) << said;
}

// Only APP_UI=qt itself asks for Qt by name: a variable set to anything
// else (empty, another word) leaves the choice to the display, and a module
// that cannot be had then goes on headless, as with the variable unset.
TEST_F(QtModule, AnAppUiOtherThanQtWithADisplayGoesOnHeadless) {
  EnvSet module("APP_QT_MODULE", "/nonexistent/apprun-qt.so");
  EnvSet display("DISPLAY", ":99");
  for (const char* value : {"", "auto"}) {
    EnvSet ui_env("APP_UI", value);
    testing::internal::CaptureStderr();
    std::unique_ptr<ui::platform::Toolkit> tk = ui::platform::toolkit_from_environment();
    std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(tk, nullptr) << "APP_UI=\"" << value << "\": " << said;
    EXPECT_STREQ(tk->name(), "headless");
    EXPECT_EQ(said.find("APP_UI=qt"), std::string::npos) << said;
    EXPECT_NE(said.find("without windows"), std::string::npos) << said;
  }
}

// An X display that cannot be reached (a session's stale DISPLAY): Qt would
// end the process when it starts; the module says so instead, and the run
// goes on without windows as with no module at all.
TEST_F(QtModule, AnUnreachableDisplayGoesOnHeadless) {
  EnvSet platform("QT_QPA_PLATFORM", nullptr);
  EnvSet wayland("WAYLAND_DISPLAY", nullptr);
  EnvSet ui_env("APP_UI", nullptr);
  // A display number no X server of the machine has (its socket is not there).
  ASSERT_FALSE(fs::exists("/tmp/.X11-unix/X4242"));
  EnvSet display("DISPLAY", ":4242");
  testing::internal::CaptureStderr();
  std::unique_ptr<ui::platform::Toolkit> tk = ui::platform::toolkit_from_environment();
  std::string said = testing::internal::GetCapturedStderr();
  ASSERT_NE(tk, nullptr) << said;
  EXPECT_STREQ(tk->name(), "headless");
  EXPECT_NE(said.find(":4242"), std::string::npos) << said;
  EXPECT_NE(said.find("without windows"), std::string::npos) << said;
}

TEST_F(QtModule, FilesThatAreNoToolkitModuleAreRefusedByName) {
  fs::path junk = fs::path(testing::TempDir()) / "apprun-qt-junk.so";
  std::ofstream(junk) << "not a shared object\n";
  std::string error;
  EXPECT_EQ(ui::toolkit_module_open(junk.string(), &error), nullptr);
  EXPECT_NE(error.find(junk.string()), std::string::npos) << error;
  fs::remove(junk);
  // A shared object without the entry point.
  error.clear();
  EXPECT_EQ(ui::toolkit_module_open("libm.so.6", &error), nullptr);
  EXPECT_NE(error.find("libm.so.6: not a toolkit module"), std::string::npos) << error;
}

// APP_QT_MODULE is a file's path: a relative one is taken from the current
// folder, never looked for along the loader's library path (where a bare
// name would find another library of that name).
TEST(QtModulePath, ARelativeAppQtModuleIsAFileOfTheCurrentFolder) {
  fs::path here = fs::current_path();
  // A folder of this run's own (other builds may test at the same time).
  std::string tmpl = (fs::path(testing::TempDir()) / "qt_module_relative_XXXXXX").string();
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  fs::create_directories(fs::path(tmpl) / "sub");
  fs::current_path(tmpl);
  // The folder as the system names it (a temporary folder may be reached
  // through a link).
  const fs::path root = fs::current_path();
  {
    EnvSet chosen("APP_QT_MODULE", "sub/apprun-qt.so");
    EXPECT_EQ(ui::qt_module_path_of("/usr/bin"), (root / "sub/apprun-qt.so").string());
  }
  {
    // libm.so.6 is on the library path, not in this folder.
    EnvSet chosen("APP_QT_MODULE", "libm.so.6");
    std::string path = ui::qt_module_path_of("/usr/bin");
    EXPECT_EQ(path, (root / "libm.so.6").string());
    std::string error;
    EXPECT_EQ(ui::toolkit_module_open(path, &error), nullptr);
    EXPECT_EQ(error.find("not a toolkit module"), std::string::npos)
        << "a library of the loader's path was opened: " << error;
  }
  fs::current_path(here);
  fs::remove_all(tmpl);
}

// A module built against other headers than the program's (a stale one of
// another build, one copied from another installation) is refused by name
// before any of its code is called, even when nobody raised the interface
// version: its tables and types need not be the program's.
TEST_F(QtModule, AModuleOfAnotherBuildIsRefused) {
  const char* other = getenv("APP_QT_OTHER_BUILD_MODULE");
  ASSERT_NE(other, nullptr) << "APP_QT_OTHER_BUILD_MODULE names the module of another build";
  std::string error;
  EXPECT_EQ(ui::toolkit_module_open(other, &error), nullptr);
  EXPECT_NE(error.find(other), std::string::npos) << error;
  EXPECT_NE(error.find("another build"), std::string::npos) << error;
}

TEST(QtModulePath, InstalledUnderLibElseBesideTheProgram) {
  EnvSet module("APP_QT_MODULE", nullptr);
  std::string tmpl = testing::TempDir() + "qt_module_pathXXXXXX";
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  fs::path root = tmpl;
  fs::create_directories(root / "usr/bin");
  fs::create_directories(root / "build/apprun");
  fs::path installed =
      (root / "usr/bin" / ui::kQtModuleInstalledFolder / ui::kQtModuleName).lexically_normal();
  // An installation without the module: the message names where it belongs.
  EXPECT_EQ(ui::qt_module_path_of((root / "usr/bin").string()), installed.string());
  fs::create_directories(installed.parent_path());
  std::ofstream(installed) << "x";
  EXPECT_EQ(ui::qt_module_path_of((root / "usr/bin").string()), installed.string());
  EXPECT_EQ(installed.string().rfind((root / "usr/lib/").string(), 0), 0u) << installed;
  EXPECT_EQ(installed.parent_path().filename(), "apprun") << installed;
  // A build tree: beside the program.
  EXPECT_EQ(ui::qt_module_path_of((root / "build/apprun").string()),
            (root / "build/apprun/apprun-qt.so").string());
  // The variable wins over both.
  EnvSet chosen("APP_QT_MODULE", "/opt/other/apprun-qt.so");
  EXPECT_EQ(ui::qt_module_path_of((root / "usr/bin").string()), "/opt/other/apprun-qt.so");
  fs::remove_all(root);
}

}  // namespace
