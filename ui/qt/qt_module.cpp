// The entry point of the Qt backend's module (apprun-qt.so).
#include "ui/platform/toolkit_abi.h"
#include "ui/platform/toolkit_module.h"
#include "ui/qt/qt_toolkit.h"

extern "C" __attribute__((visibility("default"))) const char apprun_toolkit_abi[] = APP_TOOLKIT_ABI;

extern "C" __attribute__((visibility("default"))) ui::platform::Toolkit* apprun_toolkit_create(
    int version) {
  if (version != ui::platform::kToolkitInterfaceVersion) return nullptr;
  return qtui::make_toolkit().release();
}
