// Report output as data files (reports.test): a template over a small
// table, printed to a text file, compared with what the file received.
// And the failures a report must survive: bad templates, a device that
// cannot be written, a full disk, a cancel in the middle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "output/devices.h"
#include "output/reports.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "tests/data/access_fixture.h"
#include "tests/output/report_text.h"
#include "tests/support/file_text.h"
#include "tests/ui/ui_hooks.h"
#include "tests/runner/datafile.h"
#include "ui/dialogs.h"
#include "ui/headless/headless.h"
#include "ui/platform/script.h"
#include "ui/windows.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;
namespace fs = std::filesystem;

using outputtest::markers;
using outputtest::shown;

class Reports : public datatest::AccessTest {
 protected:
  // items: CODE A4, FAM A2, QTY N4, PRICE 2 8; key 1 CODE, key 2 FAM.
  void SetUp() override {
    AccessTest::SetUp();
    procs_ = std::make_unique<script::ProcContext>();
    datatest::install_data_hooks();  // the procedure store came after the data layer
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), 0);
    define_file("items", {{"CODE", 4, 'A'}, {"FAM", 2, 'A'}, {"QTY", 4, 'N'}, {"PRICE", 8, '2'}}, {{1}, {2}}, true);
    sql("INSERT INTO items VALUES ('A1', 'HE', 3, 1.5), ('A2', 'PI', 10, 2), ('A3', 'HE', 1, 10),"
        " ('A4', 'TO', 7, 0.25), ('A5', 'PI', 2, 4);");
    script::var_set_int(core::kSwCurFil, 1);
  }
  void TearDown() override {
    procs_.reset();
    AccessTest::TearDown();
  }
  // Runs the template onto a file of the test folder: the code, and the
  // file's lines in *out (or "(no file)").
  core::Status run(const std::string& pdc, const std::string& options, int index, std::string* out,
                   const std::string& arguments = "") {
    folder_.write("T.PDC", pdc);
    fs::remove(folder_.path() + "/out.txt");
    output::ReportRequest request;
    request.device = folder_.path() + "/out.txt" + options;
    request.template_name = "T.PDC";
    request.index = index;
    request.progress = "NONE";
    request.arguments = arguments;
    core::Status st = output::report_run(request);
    std::string path = folder_.path() + "/out.txt";
    *out = fs::exists(path) ? shown(testsupport::file_text(path)) : "(no file)";
    return st;
  }
  // What is left in the folder besides the template: no temporary files.
  std::string leftovers() {
    std::string names;
    for (const auto& e : fs::directory_iterator(folder_.path())) {
      std::string n = e.path().filename().string();
      if (n != "T.PDC" && n != "out.txt") names += n + " ";
    }
    return names;
  }
  std::unique_ptr<script::ProcContext> procs_;
};

// report INDEX [DEVICE OPTIONS...] [ARGS=list]: the input is the template
// (markers <L>, <R>, <D>); the output the lines the file received, or
// "error N" and the error's detail.
TEST_F(Reports, DataFile) {
  const testrunner::Handler handler = [this](const testrunner::DataCase& c) {
    int index = c.args.empty() ? 1 : std::stoi(c.args[0]);
    std::string options, arguments;
    for (size_t i = 1; i < c.args.size(); ++i) {
      if (c.args[i].rfind("ARGS=", 0) == 0) {
        arguments = c.args[i].substr(5);
      } else {
        options += " " + c.args[i];
      }
    }
    std::string out;
    core::error_clear();
    core::Status st = run(markers(c.input) + "\r\n", options, index, &out, arguments);
    std::string detail = str(core::error_detail());
    if (st != 0) return "error " + std::to_string(st) + "\n" + (detail.empty() ? "~" : detail) + "\n" + out;
    return out;
  };
  testrunner::DataCommands commands(handler, {"report"});
  testrunner::datafile_run("output/reports.test");
}

// A failing report leaves nothing under the file's name, nor a temporary
// file beside it.
TEST_F(Reports, FailuresLeaveNoFile) {
  std::string out;
  // An expression that fails on the second record's line.
  // (B(0) defines the array; B(7) is beyond it.)
  EXPECT_EQ(run(markers("01001\\\\\\\\|##<D>CODE{items},B(QTY{items}-3)\r\n"), "", 1, &out),
            core::DATAOUTBOUND);
  EXPECT_EQ(out, "(no file)");
  // A binary template, a truncated one, an unknown option.
  EXPECT_EQ(run(std::string("01001\x01\x02\x00\xFF", 9), "", 1, &out), core::SINTAXERROR);
  EXPECT_EQ(run("0100", "", 1, &out), core::SINTAXERROR);
  EXPECT_EQ(run(markers("01001|##<D>,QTY{items} /PAGES%=2"), "", 1, &out), core::SINTAXERROR);
  EXPECT_NE(str(core::error_detail()).find("PAGES%"), std::string::npos);
  EXPECT_EQ(out, "(no file)");
  EXPECT_EQ(leftovers(), "");
}

TEST_F(Reports, ProbeFileFindInALine) {
  std::string out;
  core::Status st = run(markers("01001\\\\\\\\|##<D>CODE{items},FILEFIND('x';1)\r\n"), "", 1, &out);
  EXPECT_EQ(st, 0) << out;
}

TEST_F(Reports, HugeAndMissingTemplates) {
  std::string huge;
  for (size_t i = 0; i <= output::kTemplateMaxLines; ++i) huge += markers("01001x<L>\r\n");
  std::string out;
  EXPECT_EQ(run(huge, "", 1, &out), core::STRINGTOOLONG);
  EXPECT_EQ(out, "(no file)");
  output::ReportRequest request;
  request.device = folder_.path() + "/out.txt";
  request.template_name = "NONE.PDC";
  EXPECT_EQ(output::report_run(request), core::FILENOTFOUND);
  // A template that includes itself.
  EXPECT_EQ(run(":INCLUDE 'T.PDC'", "", 1, &out), core::SINTAXERROR);
  EXPECT_EQ(run("00000:INCLUDE 'T.PDC'", "", 1, &out), core::LOOPFAIL);
  EXPECT_EQ(leftovers(), "");
}

TEST_F(Reports, DevicesThatCannotBeWritten) {
  folder_.write("T.PDC", markers("01001####<D>QTY{items}\r\n"));
  output::ReportRequest request;
  request.template_name = "T.PDC";
  request.progress = "NONE";
  fs::create_directory(folder_.path() + "/ro");
  fs::permissions(folder_.path() + "/ro", fs::perms::owner_read | fs::perms::owner_exec);
  request.device = folder_.path() + "/ro/out.txt";
  if (geteuid() != 0) {  // root writes anywhere
    EXPECT_EQ(output::report_run(request), core::OPENERR);
    EXPECT_FALSE(fs::exists(folder_.path() + "/ro/out.txt"));
  }
  // A folder that is a file (no one writes there, root neither).
  fs::copy_file(std::string(TEST_SOURCE_DIR) + "/output/pdf_small.png", folder_.path() + "/pdf_header.png");
  for (const char* name : {"/T.PDC/out.txt", "/T.PDC/out.pdf"}) {
    request.device = folder_.path() + name;
    core::error_clear();
    EXPECT_EQ(output::report_run(request), core::OPENERR) << name;
    EXPECT_NE(str(core::error_detail()).find(name), std::string::npos) << str(core::error_detail());
  }
  request.device = "/dev/full";
  EXPECT_EQ(output::report_run(request), core::WRITEERR);
  EXPECT_NE(str(core::error_detail()).find("/dev/full"), std::string::npos);
  fs::permissions(folder_.path() + "/ro", fs::perms::owner_all);
}

TEST_F(Reports, StartConditionAndCopies) {
  std::string out;
  EXPECT_EQ(run(markers("01001####<D>QTY{items}"), "", 1, &out, "0"), core::NODATA);
  EXPECT_EQ(out, "(no file)");
  folder_.write("T.PDC", markers("01001\\\\\\\\<D>CODE{items}\r\n"));
  output::ReportRequest request;
  request.device = folder_.path() + "/out.txt /LP:0";
  request.template_name = "T.PDC";
  request.progress = "NONE";
  request.copies = 1;
  request.lower = "A4";
  ASSERT_EQ(output::report_run(request), 0) << str(core::error_detail());
  EXPECT_EQ(shown(testsupport::file_text(folder_.path() + "/out.txt")), "A4\nA5\nA4\nA5");
}

// A report of a parameter set: LIMITS$ gives the range of keys, and the
// procedure file after DOCNAME$'s ";" is loaded for the run (a missing or
// broken one stops the report before anything is printed).
TEST_F(Reports, ParameterSetLimitsAndProcedure) {
  folder_.write("T.PDC", markers("01001\\\\<D>CODE{items}\r\n"));
  folder_.write("P.PRX", "A=1\r\n");
  folder_.write("BAD.PRX", "DO_WHILE 1\r\n");
  std::string device = "DEVICE$='" + folder_.path() + "/out.txt /LP:0'";
  folder_.write("R.PPN", "01 " + device + "\r\n01 DOCNAME$='T;P'\r\n01 OPEN$=items\r\n01 PROG_MODE$=NONE\r\n"
                         "01 LIMITS$=\"'A'+'2','A4'\"\r\n"
                         "02 " + device + "\r\n02 DOCNAME$='T;NOHAY'\r\n02 PROG_MODE$=NONE\r\n"
                         "03 " + device + "\r\n03 DOCNAME$='T;BAD'\r\n03 PROG_MODE$=NONE\r\n");
  ASSERT_EQ(output::report_process("R.PPN,1"_t), 0) << str(core::error_detail());
  EXPECT_EQ(shown(testsupport::file_text(folder_.path() + "/out.txt")), "A2\nA3\nA4");
  // AUXLOAD$ puts parameter sets on the definition stack for the run: the
  // template reads their keys, and they are gone after it.
  folder_.write("T.PDC", markers("01001\\\\|\\\\\\<D>CODE{items},FN$PARM(_$(31);2;61)\r\n"));
  folder_.write("AUX.PPN", "02 TITLE=uno\r\n");
  folder_.write("R4.PPN", "01 " + device + "\r\n01 DOCNAME$=T\r\n01 OPEN$=items\r\n01 PROG_MODE$=NONE\r\n"
                          "01 LIMITS$=\"'A4','A4'\"\r\n01 AUXLOAD$='AUX;2'\r\n");
  const uint16_t stack = core::slot_count(core::kGroupDefStack);
  ASSERT_EQ(output::report_process("R4.PPN,1"_t), 0) << str(core::error_detail());
  EXPECT_EQ(shown(testsupport::file_text(folder_.path() + "/out.txt")), "A4 uno");
  EXPECT_EQ(core::slot_count(core::kGroupDefStack), stack);
  folder_.write("T.PDC", markers("01001\\\\<D>CODE{items}\r\n"));
  fs::remove(folder_.path() + "/out.txt");
  core::error_clear();
  EXPECT_EQ(output::report_process("R.PPN,2"_t), core::FILENOTFOUND);
  EXPECT_EQ(str(core::error_detail()), "NOHAY");
  EXPECT_EQ(output::report_process("R.PPN,3"_t), core::SINTAXERROR);
  EXPECT_FALSE(fs::exists(folder_.path() + "/out.txt"));
}

// The cancel button of the progress window stops the report in the middle:
// 122, and no file, text or PDF (0 when the report came from a parameter set).
TEST_F(Reports, CancelInTheMiddle) {
  folder_.write("T.PDC", markers("01001\\\\\\\\<D>CODE{items}\r\n"));
  fs::copy_file(std::string(TEST_SOURCE_DIR) + "/output/pdf_small.png", folder_.path() + "/pdf_header.png");
  for (const char* name : {"/out.txt", "/out.pdf"}) {
    auto tk = std::make_unique<ui::headless::HeadlessToolkit>();
    ui::headless::HeadlessToolkit* headless = tk.get();
    auto ui = std::make_unique<ui::UiContext>(std::move(tk));
    uitest::install_window_hooks(datatest::data_script_hooks());
    std::vector<ui::platform::ScriptStep> steps;
    std::string error;
    ASSERT_TRUE(ui::platform::script_parse("wait\npress Cancelar\n", &steps, &error)) << error;
    headless->script_set(std::move(steps));
    output::ReportRequest request;
    request.device = folder_.path() + name;
    request.template_name = "T.PDC";
    EXPECT_EQ(output::report_run(request), core::CANCELLED) << name;
    EXPECT_FALSE(fs::exists(folder_.path() + name));
    EXPECT_EQ(leftovers(), "pdf_header.png ");
    EXPECT_FALSE(ui::progress_info().open);
    uitest::remove_window_hooks();
  }
}

}  // namespace
