// The last-error record, the detail text, error texts, boxes and trace level.
#include "core/errors.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/messages.h"
#include "core/slots.h"
#include "tests/runner/datafile.h"

namespace {

using core::Context;
using core::Text;
using core::operator""_t;

std::string str(Text t) { return t.ok() ? std::string(t.ptr, t.len) : "<error>"; }
Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }
bool all_digits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

struct Box {
  std::string caption, text;
  core::BoxIcon icon;
};
std::vector<Box> g_boxes;
void capture_box(Text caption, Text text, core::BoxIcon icon) {
  g_boxes.push_back({str(caption), str(text), icon});
}

class ErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ctx_.status(), core::kOk);
    g_boxes.clear();
  }
  core::CoreContext ctx_;
};

TEST_F(ErrorsTest, NamesContextsAndTexts) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    core::ArenaScope scope;
    core::error_clear();
    int code = std::stoi(c.args.at(0));
    if (c.command == "name") return str(core::error_name(static_cast<core::Status>(code)));
    if (c.command == "context") return str(core::context_name(static_cast<Context>(code)));
    if (c.command != "text") return std::string("unknown command ") + c.command;
    if (c.args.size() >= 3 && all_digits(c.args[1]) && all_digits(c.args[2]))
      core::error_record(core::kForce, static_cast<Context>(std::stoi(c.args[2])),
                         static_cast<core::Status>(std::stoi(c.args[1])), 0);
    core::report_detail(0, txt(c.input), false);
    return str(core::error_text(static_cast<core::Status>(code)));
  };
  testrunner::DataCommands commands(handler, {"name", "context", "text"});
  testrunner::datafile_run("core/errors.test");
}

TEST_F(ErrorsTest, TheFirstErrorIsKeptUntilForced) {
  EXPECT_EQ(core::error_last().code, 0);
  // Statuses below 128 are never recorded without force.
  EXPECT_EQ(core::error_record(core::kRecord, Context::SQLEXEC, 127, 7), 7);
  EXPECT_EQ(core::error_last().code, 0);
  // Condition 0 records nothing.
  EXPECT_EQ(core::error_record(0, Context::SQLEXEC, core::SQLERROR, 9), 9);
  EXPECT_EQ(core::error_last().code, 0);

  EXPECT_EQ(core::error_record(core::kRecord, Context::STRINGASSIGN, core::OUTOFMEMORY, 159), 159);
  EXPECT_EQ(core::error_record(core::kRecord, Context::SQLEXEC, core::SQLERROR, 0), 0);
  EXPECT_EQ(core::error_last().code, core::OUTOFMEMORY);
  EXPECT_EQ(core::error_last().context, Context::STRINGASSIGN);

  core::error_record(core::kForce, Context::SQLEXEC, core::SQLERROR, 0);
  EXPECT_EQ(core::error_last().code, core::SQLERROR);
  EXPECT_EQ(core::error_last().context, Context::SQLEXEC);
  // Force records statuses too, and forcing 0 clears.
  core::error_record(core::kForce, Context::Sort, 5, 0);
  EXPECT_EQ(core::error_last().code, 5);
  core::error_record(core::kForce, Context::Sort, 0, 0);
  EXPECT_EQ(core::error_last().code, 0);
  EXPECT_EQ(core::error_last().context, Context::None);
  core::error_record(core::kRecord, Context::MEMINIT, core::MEMORYLEAKS, 0);
  EXPECT_EQ(core::error_last().code, core::MEMORYLEAKS);
}

TEST_F(ErrorsTest, RecordTextReturnsTheErrorValue) {
  Text ok = "value"_t;
  EXPECT_EQ(str(core::error_record_text(0, Context::FUNCVALUE, core::NOVALUE, ok)), "value");
  EXPECT_EQ(core::error_last().code, 0);
  Text e = core::error_record_text(core::kRecord, Context::FUNCVALUE, core::NOVALUE, ok);
  EXPECT_EQ(core::text_error(e), core::NOVALUE);
  EXPECT_EQ(core::error_last().code, core::NOVALUE);
  EXPECT_EQ(core::error_last().context, Context::FUNCVALUE);
  // Code 0 is no error value: the text comes back.
  EXPECT_EQ(str(core::error_record_text(core::kRecord, Context::FUNCVALUE, 0, ok)), "value");
}

TEST_F(ErrorsTest, DetailTextIsSetAppendedAndCleared) {
  EXPECT_EQ(core::report_detail(core::FILENOTFOUND, "a.dat"_t, false), core::FILENOTFOUND);
  EXPECT_EQ(str(core::error_detail()), "a.dat");
  EXPECT_EQ(str(core::slot_get(core::kGroupRuntime, core::kRtDetail)), "a.dat");
  EXPECT_EQ(core::report_detail(core::SQLERROR, "b.dat"_t, true), core::SQLERROR);
  EXPECT_EQ(str(core::error_detail()), "a.dat\r\nb.dat");
  core::report_detail(0, ""_t, true);  // nothing to add
  EXPECT_EQ(str(core::error_detail()), "a.dat\r\nb.dat");
  core::report_detail(0, "c"_t, false);
  EXPECT_EQ(str(core::error_detail()), "c");
  // The detail may be given a view of itself.
  core::report_detail(0, core::error_detail(), true);
  EXPECT_EQ(str(core::error_detail()), "c\r\nc");
  core::report_detail(0, core::text_error_value(core::NOVALUE), false);
  EXPECT_EQ(str(core::error_detail()), "");
  core::report_detail(0, "x"_t, true);  // appending to nothing adds no line break
  EXPECT_EQ(str(core::error_detail()), "x");

  core::error_record(core::kRecord, Context::SQLEXEC, core::SQLERROR, 0);
  core::error_clear();
  EXPECT_EQ(core::error_last().code, 0);
  EXPECT_EQ(str(core::error_detail()), "");
}

TEST_F(ErrorsTest, OverlongDetailLeavesTheOldOne) {
  std::string big(40000, 'x');
  core::report_detail(0, txt(big), false);
  core::report_detail(0, txt(big), true);  // 80,002 bytes would not fit 16 bits
  EXPECT_EQ(core::error_detail().len, 40000);
}

TEST_F(ErrorsTest, ErrorTextFollowsTheLanguageModule) {
  char tmpl[] = "/tmp/errtestXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string folder = tmpl;
  std::ofstream(folder + "/QV_LANG_EN.MSJ") << "0005 Done\n0008 Warning \n0009 Error \n";
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder)), core::kOk);
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  core::ArenaScope scope;
  EXPECT_EQ(str(core::error_text(0)), "Done");
  EXPECT_EQ(str(core::error_text(3)), "Warning ");
  EXPECT_EQ(str(core::error_text(core::OUTOFMEMORY)), "Error OUTOFMEMORY");
  std::filesystem::remove_all(folder);
}

TEST_F(ErrorsTest, BoxesPickCaptionAndIconByCode) {
  core::box_hook_set(capture_box);
  core::error_box(32);
  core::error_record(core::kRecord, Context::STRINGASSIGN, core::OUTOFMEMORY, 0);
  core::error_box(core::OUTOFMEMORY);
  core::error_record(core::kRecord, Context::STRINGASSIGN, core::OUTOFMEMORY, 0);
  core::error_box(65535);  // the last recorded error
  core::done_box(true, ""_t);
  core::done_box(true, "Hecho"_t);
  core::done_box(false, "Mal"_t);
  core::done_box(false, core::text_error_value(core::NODATA));
  ASSERT_EQ(g_boxes.size(), 7u);
  EXPECT_EQ(g_boxes[0].caption, "Mensaje Informativo");
  EXPECT_EQ(g_boxes[0].text,
            "Precauci\xF3"
            "n ");
  EXPECT_EQ(g_boxes[0].icon, core::BoxIcon::Exclamation);
  EXPECT_EQ(g_boxes[1].caption, "Alerta de Mensaje Fatal");
  EXPECT_EQ(g_boxes[1].text, "Error OUTOFMEMORY(STRINGASSIGN)");
  EXPECT_EQ(g_boxes[1].icon, core::BoxIcon::Error);
  EXPECT_EQ(g_boxes[2].text, "Error OUTOFMEMORY(STRINGASSIGN)");
  EXPECT_EQ(g_boxes[2].icon, core::BoxIcon::Error);
  EXPECT_EQ(g_boxes[3].text, "Proceso Completado Satisfactoriamente");
  EXPECT_EQ(g_boxes[3].icon, core::BoxIcon::Exclamation);
  EXPECT_EQ(g_boxes[4].text, "Hecho");
  EXPECT_EQ(g_boxes[5].text, "Mal");
  EXPECT_EQ(g_boxes[5].caption, "Alerta de Mensaje Fatal");
  EXPECT_EQ(g_boxes[5].icon, core::BoxIcon::Error);
  EXPECT_EQ(g_boxes[6].text, "No hay datos");  // an error value shows its code's text
}

// A box reports its error once: a later failure, with a detail of its own
// or none, is not shown under the first one's detail or context.
TEST_F(ErrorsTest, EachErrorBoxShowsItsOwnDetailOnly) {
  core::box_hook_set(capture_box);
  core::error_record(core::kRecord, Context::SQLEXEC, core::DUPLICATEDATA, 0);
  core::report_detail(core::DUPLICATEDATA, "duplicate key in clientes"_t, false);
  core::error_box(core::DUPLICATEDATA);
  EXPECT_EQ(core::error_last().code, 0);
  EXPECT_EQ(str(core::error_detail()), "");

  // The next failure appends its line to whatever detail is there.
  core::error_record(core::kRecord, Context::EXPEXEC, core::NOVALUE, 0);
  core::report_detail(core::NOVALUE, "TOTAL(3)"_t, true);
  core::error_box(65535);
  // One without any detail.
  core::error_record(core::kRecord, Context::Screen, core::SCREENENV, 0);
  core::error_box(core::SCREENENV);
  ASSERT_EQ(g_boxes.size(), 3u);
  EXPECT_EQ(g_boxes[0].text, "Error Datos Existentes(SQLEXEC): duplicate key in clientes");
  EXPECT_EQ(g_boxes[1].text, "Error de Datos(EXPEXEC): TOTAL(3)");
  EXPECT_EQ(g_boxes[2].text, "Error de Entorno de Pantalla(Screen)");
}

TEST_F(ErrorsTest, DefaultBoxWritesUtf8ToStandardError) {
  core::box_hook_set(capture_box);
  core::box_hook_set(nullptr);
  testing::internal::CaptureStderr();
  core::error_box(32);
  core::message_box("\x80"_t,
                    "\xBF"
                    "Anular?\x81"_t,
                    core::BoxIcon::Question);
  std::string out = testing::internal::GetCapturedStderr();
  EXPECT_EQ(out,
            "Mensaje Informativo: Precauci\xC3\xB3n \n"
            "\xE2\x82\xAC: \xC2\xBF"
            "Anular?\xC2\x81\n");  // an undefined byte: its C1 control
  EXPECT_TRUE(g_boxes.empty());
}

int32_t fixed_trace() { return 17; }

TEST_F(ErrorsTest, TraceLevelComesFromTheGetter) {
  EXPECT_EQ(core::trace_level(), 1);
  core::trace_level_set(5);
  EXPECT_EQ(core::trace_level(), 5);
  core::trace_getter_set(fixed_trace);
  EXPECT_EQ(core::trace_level(), 17);
  core::trace_getter_set(nullptr);
  EXPECT_EQ(core::trace_level(), 5);
}

}  // namespace
