// Devices: the device text, kinds, printers and their definitions, the
// print-to-file mode, and the screen's report window on the headless
// backend.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/arena.h"
#include "core/context.h"
#include "core/files.h"
#include "core/messages.h"
#include "core/slots.h"
#include "core/status_words.h"
#include "output/devices.h"
#include "output/serial.h"
#include "script/variables.h"
#include "tests/data/pg_test.h"
#include "tests/output/serial_fixture.h"
#include "tests/support/file_text.h"
#include "tests/ui/ui_hooks.h"
#include "ui/headless/headless.h"
#include "ui/platform/script.h"
#include "ui/windows.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;
namespace fs = std::filesystem;

class Devices : public datatest::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), 0);
    // The selection dialog offers the serial ports that exist: here two
    // pseudo-terminals.
    com1_.name_port(1);
    com2_.name_port(2);
  }
  void TearDown() override {
    if (ui_ != nullptr) uitest::remove_window_hooks();
    ui_.reset();
    RuntimeTest::TearDown();
  }
  std::string read(const std::string& name) {
    std::ifstream in(folder_.path() + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The record's fields after opening a device text.
  std::string opened(const std::string& text) {
    output::DeviceRecord r;
    core::Status st = output::device_open(txt(text), &r);
    std::ostringstream out;
    out << std::hex << int(r.kind) << std::dec << " printer " << r.printer << " lp " << r.page_lines << " wd "
        << r.width << " st " << r.step << " view " << r.view << " status " << st;
    EXPECT_EQ(output::device_close(&r, true), 0);
    return out.str();
  }
  void headless(const std::string& steps) {
    auto tk = std::make_unique<ui::headless::HeadlessToolkit>();
    tk_ = tk.get();
    ui_ = std::make_unique<ui::UiContext>(std::move(tk));
    uitest::install_window_hooks();
    std::vector<ui::platform::ScriptStep> parsed;
    std::string error;
    ASSERT_TRUE(ui::platform::script_parse(steps, &parsed, &error)) << error;
    tk_->script_set(std::move(parsed));
  }
  datatest::TempFolder folder_;
  serialtest::Pty com1_, com2_;
  ui::headless::HeadlessToolkit* tk_ = nullptr;
  std::unique_ptr<ui::UiContext> ui_;
};

TEST_F(Devices, KindsOfDeviceNames) {
  EXPECT_EQ(output::device_kind("CON"_t), 0x82);
  EXPECT_EQ(output::device_kind("CON /LP:20"_t), 0x82);
  EXPECT_EQ(output::device_kind("LPT1"_t), 0xC5);
  EXPECT_EQ(output::device_kind("LPT7"_t), 0xC5);
  EXPECT_EQ(output::device_kind("lp0"_t), 0xC5);
  EXPECT_EQ(output::device_kind("usb3"_t), 0xC5);
  EXPECT_EQ(output::device_kind("COM1:9600,N,8,1"_t), 0xC8);
  EXPECT_EQ(output::device_kind("informe.pdf"_t), 0xA0);
  EXPECT_EQ(output::device_kind("informe.txt"_t), 0x81);
  EXPECT_EQ(output::device_kind("LPTX"_t), 0x81);
}

// Options after the name; the built-in printer record gives 72 lines of 80
// columns; a printer beyond the definition file uses it too.
TEST_F(Devices, DeviceTextsAndPrinterDefinitions) {
  std::string file = folder_.path() + "/x.txt";
  EXPECT_EQ(opened(file), "81 printer 0 lp 72 wd 80 st 1 view 0 status 0");
  EXPECT_EQ(opened(file + " /LP:66 /WD:132 /ST:2 /VW:S"), "81 printer 0 lp 66 wd 132 st 2 view 1 status 0");
  EXPECT_EQ(opened(file + " /VW:N"), "81 printer 0 lp 72 wd 80 st 1 view 0 status 0");
  EXPECT_EQ(opened(""), "82 printer 0 lp 72 wd 80 st 1 view 0 status 0");
  EXPECT_EQ(opened("COM1:9600,N,8,1"), "c8 printer 0 lp 72 wd 80 st 1 view 0 status 171");
  // QVPRNP00.DAT: a header, then LPT1's record: reset sequence "R" for 0x12,
  // bold "B" for 0x0E, 40 columns, 20 lines.
  std::string record(96, '\0');
  record[8] = 'R';
  record[16] = 'B';
  record[80] = 40;
  record[88] = 20;
  std::ofstream(folder_.path() + "/QVPRNP00.DAT", std::ios::binary) << std::string(160, 'h') << record;
  output::printer_table_reset();
  EXPECT_EQ(str(output::printer_sequence(1, 1)), "R");
  EXPECT_EQ(str(output::printer_sequence(1, 2)), "");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvCommandLine, "/MODE:PRNTOFILE"_t), 0);
  fs::path here = fs::current_path();
  fs::current_path(folder_.path());
  EXPECT_EQ(opened("LPT1"), "c5 printer 1 lp 20 wd 40 st 1 view 0 status 0");
  EXPECT_EQ(opened("LPT2"), "c5 printer 2 lp 72 wd 80 st 1 view 0 status 0");
  // With MODE PRNTOFILE a printer writes "unixprn.txt", translated to the
  // printer's code page, with its sequences and the reset at the end.
  output::DeviceRecord r;
  ASSERT_EQ(output::device_open("LPT1"_t, &r), 0);
  EXPECT_EQ(r.name, "unixprn.txt");
  EXPECT_EQ(output::device_write(&r, "\x0E\xF1o\x0F\r\n"_t), 0);
  EXPECT_EQ(output::device_finish(&r), 0);
  EXPECT_EQ(output::device_close(&r), 0);
  EXPECT_EQ(read("unixprn.txt"), "B\xA4o\r\nR");
  fs::current_path(here);
}

// A printer's report goes through the system's print spooler: here a CUPS
// scheduler of the tests' own, whose queue writes each job into a file.
TEST_F(Devices, APrinterPrintsThroughTheSpooler) {
  const char* cups = std::getenv("APP_TEST_CUPS");
  if (cups == nullptr) GTEST_SKIP() << "no CUPS scheduler for the tests (run through ctest)";
  std::string dir = cups;
  if (fs::exists(dir + "/unavailable")) GTEST_SKIP() << testsupport::file_text(dir + "/unavailable");
  std::string printed = dir + "/out/apprun-test.txt";
  fs::remove(printed);
  ASSERT_EQ(setenv("APP_PRINTER_LPT3", "apprun-test", 1), 0);
  output::DeviceRecord r;
  ASSERT_EQ(output::device_open("LPT3 /LP:0"_t, &r), 0);
  EXPECT_EQ(output::device_write(&r, "Factura 1\r\nTotal\t12,50\r\n"_t), 0);
  EXPECT_EQ(output::device_finish(&r), 0);
  // Nothing reaches the spooler until the close: a printer that is off
  // never holds the report up.
  EXPECT_FALSE(fs::exists(printed));
  EXPECT_EQ(output::device_close(&r), 0) << str(core::error_detail());
  std::string got;
  for (int i = 0; i < 100 && got.find("Total") == std::string::npos; ++i) {
    usleep(100000);
    got = fs::exists(printed) ? testsupport::file_text(printed) : "";
  }
  EXPECT_EQ(got, "Factura 1\r\nTotal\t12,50\r\n");
  // A queue the spooler does not have: the close says so, naming the
  // printer; no spool file is left behind.
  ASSERT_EQ(setenv("APP_PRINTER_LPT3", "nohay", 1), 0);
  core::error_clear();
  ASSERT_EQ(output::device_open("LPT3 /LP:0"_t, &r), 0);
  std::string spool = r.spool;
  EXPECT_EQ(output::device_write(&r, "x\r\n"_t), 0);
  EXPECT_EQ(output::device_close(&r), core::SYSTEMCMDERROR);
  EXPECT_NE(str(core::error_detail()).find("LPT3"), std::string::npos) << str(core::error_detail());
  EXPECT_NE(str(core::error_detail()).find("nohay"), std::string::npos) << str(core::error_detail());
  EXPECT_FALSE(fs::exists(spool));
  unsetenv("APP_PRINTER_LPT3");
}

// Writing: wrapping at the width, the page position published in the
// status words, locating forward over lines and pages.
TEST_F(Devices, PositionWrappingAndPaging) {
  output::DeviceRecord r;
  std::string file = folder_.path() + "/w.log";
  ASSERT_EQ(output::device_open(txt(file + " /LP:3 /WD:10"), &r), 0);
  EXPECT_EQ(output::device_write(&r, "abcdefghijklmno"_t), 0);
  EXPECT_EQ(script::var_get_int(core::kSwDevLin), 2);
  EXPECT_EQ(script::var_get_int(core::kSwDevPos), 6);
  EXPECT_EQ(output::device_locate(&r, 5, 3), 0);  // line 2 of the next page
  EXPECT_EQ(script::var_get_int(core::kSwDevPag), 2);
  EXPECT_EQ(output::device_write(&r, "x"_t), 0);
  EXPECT_EQ(output::device_close(&r), 0);
  EXPECT_EQ(read("w.log"), "abcdefghij\r\nklmno\r\n\r\n\r\n  x");
  // A log file is appended to.
  ASSERT_EQ(output::device_open(txt(file), &r), 0);
  EXPECT_EQ(output::device_write(&r, "!"_t), 0);
  EXPECT_EQ(output::device_close(&r), 0);
  EXPECT_EQ(read("w.log"), "abcdefghij\r\nklmno\r\n\r\n\r\n  x!");
  // Until it is closed, the file does not bear its name.
  ASSERT_EQ(output::device_open(txt(folder_.path() + "/t.txt"), &r), 0);
  EXPECT_EQ(output::device_write(&r, "half"_t), 0);
  EXPECT_FALSE(fs::exists(folder_.path() + "/t.txt"));
  EXPECT_EQ(output::device_close(&r, true), 0);
  EXPECT_FALSE(fs::exists(folder_.path() + "/t.txt"));
}

// An unpaged output goes on past the 65,535 lines of the published line
// word (which stops at its largest) and past the pieces the device gathers.
TEST_F(Devices, LongOutputsKeepTheirPosition) {
  output::DeviceRecord r;
  ASSERT_EQ(output::device_open(txt(folder_.path() + "/long.txt /LP:0"), &r), 0);
  EXPECT_EQ(output::device_locate(&r, 70000, 1), 0);
  EXPECT_EQ(output::device_write(&r, "last"_t), 0);
  EXPECT_EQ(r.line, 70000);
  EXPECT_EQ(script::var_get_int(core::kSwDevLin), 32767);
  EXPECT_EQ(output::device_close(&r), 0);
  std::string text = read("long.txt");
  EXPECT_EQ(text.size(), 69999u * 2 + 4);
  EXPECT_EQ(text.substr(text.size() - 6), "\r\nlast");
}

// The screen: the report window shows the text under its buttons; the
// button pressed is left in _CUREDFLD. An empty output shows nothing.
TEST_F(Devices, TheScreenShowsTheReportWindow) {
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvButtonLabels, "Imprimir,Salir"_t), 0);
  headless("show\npress Salir\n");
  output::DeviceRecord r;
  ASSERT_EQ(output::device_open("CON /LP:0 /WD:20"_t, &r), 0);
  EXPECT_EQ(output::device_write(&r, "Primera linea\r\nni\xF1o \x0E\x14x"_t), 0);
  EXPECT_EQ(output::device_finish(&r), 0);
  EXPECT_EQ(output::device_close(&r), 0);
  EXPECT_EQ(script::var_get_int(core::kSwCurEdFld), 2);
  const std::string& t = tk_->transcript();
  EXPECT_NE(t.find("ReportWin"), std::string::npos) << t;
  EXPECT_NE(t.find("<Imprimir>"), std::string::npos) << t;
  EXPECT_NE(t.find("|Primera linea"), std::string::npos) << t;
  EXPECT_NE(t.find("|niño  x"), std::string::npos) << t;

  ASSERT_EQ(output::device_open("CON"_t, &r), 0);
  EXPECT_EQ(output::device_finish(&r), core::STRINGTOOLONG);
  EXPECT_EQ(output::device_close(&r), 0);
}

// The device selection dialog: the fields start from the current device
// text; the device chosen enables the fields it uses; the answer is built
// from them and left in slot 5 of group 9.
TEST_F(Devices, TheSelectionDialogBuildsTheDeviceText) {
  struct Case {
    std::string current, steps, expected;
  };
  const Case cases[] = {
      // The current device is offered as it is.
      {"LPT1 /LP:66 /WD:132", "show\npress Ok\n", "LPT1 /LP:66 /WD:132"},
      // None chosen: message 0084, the dialog stays. A serial port's speed
      // and line settings; the lines typed.
      {"informe.txt", "press Ok\nanswer Ok\nselect 10\nclick Vel.:\nselect 2\nclick Paridad:\nselect 3\n"
                      "click Lineas:\ntype 30\npress Ok\n",
       "COM1:4800,O,8,1 /LP:30"},
      // DEV uses no field (the click finds nothing to click).
      {"CON /LP:20", "select 12\nclick Lineas:\npress Ok\n", "DEV"},
      // TXT without viewing: the file is asked for.
      {"CON", "select 9\nclick Mostrar\nkey Backspace\ntype N\npress Ok\nfile /tmp/lista.txt\n",
       "/tmp/lista.txt /VW:N"},
  };
  for (const Case& c : cases) {
    headless(c.steps);
    std::string chosen;
    EXPECT_EQ(output::device_select(txt(c.current), &chosen), 0) << c.current << "\n" << tk_->transcript();
    EXPECT_EQ(chosen, c.expected) << tk_->transcript();
    EXPECT_EQ(str(core::slot_get(core::kGroupRuntime, core::kRtDeviceChoice)), c.expected);
    uitest::remove_window_hooks();
    ui_.reset();
  }
  // PDF to be viewed: a fresh temporary document.
  headless("select 8\npress Ok\n");
  std::string chosen;
  ASSERT_EQ(output::device_select(""_t, &chosen), 0);
  EXPECT_EQ(chosen.substr(chosen.size() - 10), ".pdf /VW:S") << chosen;
  EXPECT_FALSE(fs::exists(chosen.substr(0, chosen.size() - 6)));
  uitest::remove_window_hooks();
  ui_.reset();
  // Cancelled.
  headless("key Esc\n");
  EXPECT_EQ(output::device_select("CON"_t, &chosen), core::CANCELLED);
}

// A port whose device file is not there is not offered: without COM2:,
// DEV is the list's 11th device.
TEST_F(Devices, TheSelectionDialogOffersThePortsThatExist) {
  ASSERT_EQ(setenv("APP_SERIAL_COM2", "/nonexistent/tty", 1), 0);
  EXPECT_EQ(output::serial_ports_present(), std::vector<std::string>{"COM1:"});
  headless("select 11\npress Ok\n");
  std::string chosen;
  ASSERT_EQ(output::device_select("COM2:9600,N,8,1"_t, &chosen), 0) << tk_->transcript();
  EXPECT_EQ(chosen, "DEV");
}

// The transcript: the title, the labels of message 0083, the fields the
// chosen device does not use greyed; a shot of it on Qt is taken by the
// sample's end-to-end run.
TEST_F(Devices, TheSelectionDialogAsTheUserSeesIt) {
  headless("show\nselect 10\nclick Vel.:\nshow\nkey Esc\n");
  std::string chosen;
  EXPECT_EQ(output::device_select("LPT2 /WD:100"_t, &chosen), core::CANCELLED);
  const std::string& t = tk_->transcript();
  EXPECT_NE(t.find("Selecci\xC3\xB3n de Dispositivo"), std::string::npos) << t;
  EXPECT_NE(t.find("[LPT2"), std::string::npos) << t;
  EXPECT_NE(t.find("Ancho: [100"), std::string::npos) << t;
  EXPECT_NE(t.find("[COM1:"), std::string::npos) << t;
  // Vel.: is not clickable for LPT2, it is for COM1:.
  EXPECT_EQ(t.find("!!"), std::string::npos) << t;
}

// Labels of the page options longer than the Spanish ones (the German and
// French modules') push the fields after them on: no label is glued to the
// field before it, and every field stays inside the dialog.
TEST_F(Devices, LongerLabelsPushTheFieldsAfterThemOn) {
  core::language_folder_set(txt(std::string(TEST_SOURCE_DIR) + "/../apprun/lang"));
  for (const char* code : {"DE", "FR"}) {
    ASSERT_EQ(core::language_set(core::text_from_c(code)), 0);
    headless("show\nkey Esc\n");
    std::string chosen;
    EXPECT_EQ(output::device_select("LPT2 /WD:100"_t, &chosen), core::CANCELLED);
    const std::string& t = tk_->transcript();
    // The row of the page options: the one with the width's value.
    size_t at = t.find("[100");
    ASSERT_NE(at, std::string::npos) << t;
    size_t from = t.rfind('\n', at) + 1;
    std::string row = t.substr(from, t.find('\n', at) - from);
    for (size_t i = 0; i + 1 < row.size(); ++i) {
      unsigned char next = static_cast<unsigned char>(row[i + 1]);
      EXPECT_FALSE(row[i] == ']' && (std::isalpha(next) || next >= 0x80)) << code << ": " << row;
    }
    // Four fields, each closed inside the frame.
    EXPECT_EQ(std::count(row.begin(), row.end(), '['), 4) << code << ": " << row;
    EXPECT_EQ(std::count(row.begin(), row.end(), ']'), 4) << code << ": " << row;
    uitest::remove_window_hooks();
    ui_.reset();
  }
  core::language_folder_set(core::Text{});
}

// An unattended run: each line of the INPUT file answers one selection;
// at its end the dialog asks.
TEST_F(Devices, TheInputFileAnswersTheSelection) {
  std::ofstream(folder_.path() + "/input.txt") << "informe.pdf /LP:50\r\nLPT2\r\n";
  core::Status number = core::file_open(txt(folder_.path() + "/input.txt"), core::kModeReadOnly);
  ASSERT_LT(number, core::kFileNumbers);
  script::var_set_int(core::kSwInHnd, static_cast<int16_t>(number));
  std::string chosen;
  EXPECT_EQ(output::device_select("CON"_t, &chosen), 0);
  EXPECT_EQ(chosen, "informe.pdf /LP:50");
  EXPECT_EQ(output::device_select("CON"_t, &chosen), 0);
  EXPECT_EQ(chosen, "LPT2");
  headless("press Cancelar\n");
  EXPECT_EQ(output::device_select("CON"_t, &chosen), core::CANCELLED);
  EXPECT_NE(tk_->transcript().find("Dispositivo"), std::string::npos);
  (void)core::file_close(static_cast<uint16_t>(number));
  script::var_set_int(core::kSwInHnd, 0);
}

}  // namespace
