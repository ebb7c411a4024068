// The runtime's layers for a window-layer test, over the headless backend,
// with a definitions folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "formats/formats.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "ui/headless/headless.h"
#include "ui/platform/script.h"
#include "ui/windows.h"
#include "tests/support/file_text.h"
#include "tests/ui/ui_hooks.h"

namespace uitest {

using core::operator""_t;

inline core::Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }
inline std::string str(core::Text t) {
  return t.ok() ? std::string(t.ptr, t.len) : "<error " + std::to_string(t.len) + ">";
}

class UiTest : public ::testing::Test {
 protected:
  explicit UiTest(ui::headless::Options options = {}) {
    char tmpl[] = "/tmp/uitestXXXXXX";
    if (mkdtemp(tmpl) != nullptr) folder_ = tmpl;
    (void)core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_));
    (void)core::slot_set(core::kGroupEnv, core::kEnvApName, "KALMIR"_t);
    (void)formats::locale_build();
    auto tk = std::make_unique<ui::headless::HeadlessToolkit>(options);
    tk_ = tk.get();
    ui_ = std::make_unique<ui::UiContext>(std::move(tk));
    install_window_hooks();
  }
  ~UiTest() override {
    remove_window_hooks();
    ui_.reset();
    std::filesystem::remove_all(folder_);
  }

  // Scripted input; the test fails on a script that does not parse.
  void input(const std::string& steps) {
    std::vector<ui::platform::ScriptStep> parsed;
    std::string error;
    ASSERT_TRUE(ui::platform::script_parse(steps, &parsed, &error)) << error;
    tk_->script_set(std::move(parsed));
  }
  // Runs the script's steps and what they queue, without the loops.
  void run_script() {
    ui::platform::Event e;
    while (tk_->next_event(&e, !tk_->script_done())) ui::dispatch(e);
  }
  void write(const std::string& name, const std::string& body) {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << body;
  }
  std::string read(const std::string& name) {
    return testsupport::file_text(folder_ + "/" + name);
  }
  // Every step of the script was carried out.
  void expect_script_ok() {
    EXPECT_TRUE(tk_->script_errors().empty())
        << (tk_->script_errors().empty() ? "" : tk_->script_errors().front()) << "\n" << tk_->transcript();
  }

  std::string folder_;
  core::CoreContext core_;
  script::ScriptContext script_;
  script::ProcContext procs_;
  ui::headless::HeadlessToolkit* tk_ = nullptr;
  std::unique_ptr<ui::UiContext> ui_;
};

}  // namespace uitest
