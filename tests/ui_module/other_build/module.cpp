// A Qt module as another build of the runtime makes it: the same interface
// version (nobody raised it) but headers of another tag. The loader must
// refuse it before calling into it.
#include "ui/platform/toolkit_module.h"
#include "ui/qt/qt_toolkit.h"

extern "C" __attribute__((visibility("default"))) const char apprun_toolkit_abi[] =
    "0123456789abcdef";

extern "C" __attribute__((visibility("default"))) ui::platform::Toolkit* apprun_toolkit_create(
    int version) {
  if (version != ui::platform::kToolkitInterfaceVersion) return nullptr;
  return qtui::make_toolkit().release();
}
