// The entry point of the Qt backend's module (apprun-qt.so).
#include <dlfcn.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/platform/toolkit_abi.h"
#include "ui/platform/toolkit_module.h"
#include "ui/qt/qt_toolkit.h"

namespace {

const char* set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && v[0] != 0 ? v : nullptr;
}

// Qt ends the process (qFatal) when its platform cannot start. The case a
// desktop leaves behind is an X display that is no longer there (a stale
// DISPLAY in a terminal or a remote session): when Qt would start on X, the
// display is tried first, and a run that cannot have it is told why and
// goes on without the module.
bool x_display_reachable() {
  const char* platform = set("QT_QPA_PLATFORM");
  bool on_x = platform != nullptr ? std::strncmp(platform, "xcb", 3) == 0
                                  : set("WAYLAND_DISPLAY") == nullptr && set("DISPLAY") != nullptr;
  if (!on_x) return true;
  const char* display = set("DISPLAY");
  // Qt's X platform links libxcb: without it Qt cannot start on X either.
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (xcb == nullptr) {
    std::fprintf(stderr, "apprun-qt.so: Qt's X platform needs libxcb.so.1: %s\n", dlerror());
    return false;
  }
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  auto has_error = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  if (connect == nullptr || has_error == nullptr || disconnect == nullptr) return true;  // Qt says
  void* connection = connect(nullptr, nullptr);
  bool reached = connection != nullptr && has_error(connection) == 0;
  if (connection != nullptr) disconnect(connection);
  if (!reached) {
    std::fprintf(stderr, "apprun-qt.so: the X display %s cannot be reached\n",
                 display != nullptr ? display : "(DISPLAY not set)");
  }
  return reached;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const char apprun_toolkit_abi[] = APP_TOOLKIT_ABI;

extern "C" __attribute__((visibility("default"))) ui::platform::Toolkit* apprun_toolkit_create(
    int version) {
  if (version != ui::platform::kToolkitInterfaceVersion) return nullptr;
  // Once Qt runs (a toolkit made before), its platform is there.
  if (QCoreApplication::instance() == nullptr && !x_display_reachable()) return nullptr;
  return qtui::make_toolkit().release();
}
