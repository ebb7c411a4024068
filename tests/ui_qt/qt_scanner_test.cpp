// The bar-code scanner on the Qt backend: a reading written into the other
// end of a pseudo-terminal fills the current field of a form, as on headless.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "output/serial.h"
#include "script/eval.h"
#include "script/variables.h"
#include "tests/output/serial_fixture.h"
#include "tests/ui_qt/qt_runtime.h"
#include "ui/forms.h"
#include "ui/maint.h"

namespace {

using core::operator""_t;

TEST(QtScanner, AReadingFillsTheCurrentFieldAndRunsScanSet) {
  qttest::QtRuntime rt;
  output::SerialContext serial;
  ui::Hooks hooks;
  hooks.scanner = {output::scanner_start, output::scanner_read, output::scanner_stop};
  ui::hooks_install(hooks);
  serialtest::Pty pty;
  pty.name_port(1);
  ASSERT_EQ(script::var_set("CHKSCAN"_t, "1"_t), 0);
  ASSERT_EQ(script::var_set("PRE$"_t, "A-"_t), 0);
  std::thread scanner = pty.scan_later("8412345678905\r\n");
  rt.input("type Ana\nkey Tab\nwait 1500\ntype 4\nkey Enter\n");
  ui::FormRequest request;
  request.title = "Lectura"_t;
  request.fields =
      "'Cliente:':'A10','Articulo:':'A30','Cantidad:':'N5' "
      "/SCANDEF$='COM1:9600,N,8,1':SCANSET$=',PRE$+_SCAN$'"_t;
  ui::FormResult result;
  core::Status st = ui::form_run(request, &result);
  scanner.join();
  ui::hooks_install(ui::Hooks{});
  ASSERT_EQ(st, 0);
  EXPECT_EQ(result.values, "'Ana','A-8412345678905','4'");
  core::Text scan = script::expr_text("_SCAN$"_t);
  EXPECT_EQ(std::string(scan.ptr, scan.len), "8412345678905");
}

}  // namespace
