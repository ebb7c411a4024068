// The backend chosen at run time.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/headless/headless.h"
#include "ui/platform/platform.h"
#ifdef APP_HAVE_QT
#include "ui/qt/qt_toolkit.h"
#endif

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
  if (!want_qt && !want_headless) want_qt = set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
  std::unique_ptr<Toolkit> tk;
  if (want_qt) {
#ifdef APP_HAVE_QT
    tk = qtui::make_toolkit();
#else
    if (asked != nullptr) {
      std::fprintf(stderr, "APP_UI=qt: this build has no Qt backend\n");
      return nullptr;
    }
#endif
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
