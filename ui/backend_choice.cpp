// The backend chosen at run time.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/backend.h"
#include "ui/headless/headless.h"
#include "ui/platform/platform.h"

namespace ui::platform {

namespace {

bool set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && v[0] != 0;
}

}  // namespace

std::unique_ptr<Toolkit> toolkit_from_environment() {
  const char* asked = std::getenv("APP_UI");
  bool want_qt = asked != nullptr && std::strcmp(asked, "qt") == 0;
  bool want_headless = asked != nullptr && std::strcmp(asked, "headless") == 0;
  // Only APP_UI=qt asks for Qt by name; any other value leaves the choice
  // to the display, as when the variable is not set.
  const bool want_qt_by_name = want_qt;
  if (!want_qt && !want_headless) want_qt = set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
  std::unique_ptr<Toolkit> tk;
  if (want_qt) {
    // Qt asked for by name and not to be had ends the run; a display that
    // merely exists leaves the run to go on without windows, as a batch
    // run started from a desktop session expects.
    std::string error;
    tk = ui::toolkit_module_open(ui::qt_module_path(), &error);
    if (tk == nullptr && want_qt_by_name) {
      std::fprintf(stderr, "APP_UI=qt: no Qt backend: %s\n", error.c_str());
      return nullptr;
    }
    if (tk == nullptr) std::fprintf(stderr, "no Qt backend, going on without windows: %s\n", error.c_str());
  }
  if (tk == nullptr) tk = headless::make_toolkit(headless::options_from_environment());
  if (const char* script = std::getenv("APP_UI_SCRIPT"); script != nullptr && script[0] != 0) {
    std::vector<ScriptStep> steps;
    std::string error;
    if (!script_load(script, &steps, &error)) {
      std::fprintf(stderr, "APP_UI_SCRIPT: %s\n", error.c_str());
      return nullptr;
    }
    tk->script_set(std::move(steps));
  }
  return tk;
}

}  // namespace ui::platform
