// The Qt tests run on Qt's offscreen platform unless the caller chose
// another, and with the leak suppressions of tests/sanitizers/lsan_qt.supp
// (read by the leak checker of the sanitizer build before main).
#include <stdlib.h>

namespace {

const bool kOffscreen = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return true;
}();

}  // namespace

// Fontconfig keeps what it allocates when Qt first looks up a font for the
// life of the process; see tests/sanitizers/lsan_qt.supp.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
