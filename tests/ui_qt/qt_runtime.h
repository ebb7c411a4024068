// The runtime's layers for a test of the Qt backend.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/slots.h"
#include "formats/formats.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "tests/ui/ui_hooks.h"
#include "ui/platform/script.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/windows.h"

namespace qttest {

using core::operator""_t;

// The runtime's layers over the Qt backend.
class QtRuntime {
 public:
  QtRuntime() {
    (void)core::slot_set(core::kGroupEnv, core::kEnvApName, "KALMIR"_t);
    (void)formats::locale_build();
    auto tk = qtui::make_toolkit();
    tk_ = tk.get();
    ui_ = std::make_unique<ui::UiContext>(std::move(tk));
    uitest::install_window_hooks();
  }
  ~QtRuntime() {
    uitest::remove_window_hooks();
    ui_.reset();
  }
  ui::platform::Toolkit* tk_ = nullptr;

  void input(const std::string& steps) {
    std::vector<ui::platform::ScriptStep> parsed;
    std::string error;
    ASSERT_TRUE(ui::platform::script_parse(steps, &parsed, &error)) << error;
    tk_->script_set(std::move(parsed));
  }

 private:
  core::CoreContext core_;
  script::ScriptContext script_;
  script::ProcContext procs_;
  std::unique_ptr<ui::UiContext> ui_;
};

}  // namespace qttest
