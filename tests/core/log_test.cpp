// The application log: its path, trace lines, incident blocks, assertions.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "tests/support/file_text.h"

namespace {

using core::Text;
using core::operator""_t;

std::string str(Text t) { return t.ok() ? std::string(t.ptr, t.len) : "<error>"; }
Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

using testsupport::file_text;

void no_box(Text, Text, core::BoxIcon) {}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ctx_.status(), core::kOk);
    char tmpl[] = "/tmp/logtestXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    folder_ = tmpl;
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvApName, "KALMIR"_t), core::kOk);
    core::log_folder_set(txt(folder_));
    log_ = folder_ + "/KAlog.txt";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string path() {
    core::ArenaScope scope;
    return str(core::log_path());
  }

  core::CoreContext ctx_;
  std::string folder_, log_;
};

TEST_F(LogTest, PathFromApplicationNameAndFolder) {
  EXPECT_EQ(path(), log_);
  core::log_folder_set(txt(folder_ + "/"));
  EXPECT_EQ(path(), log_);
  core::log_folder_set(""_t);
  EXPECT_EQ(path(), "KAlog.txt");  // the current folder
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvApName, "Q"_t), core::kOk);
  EXPECT_EQ(path(), "Qlog.txt");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvApName, ""_t), core::kOk);
  EXPECT_EQ(path(), "log.txt");
}

TEST_F(LogTest, SetPathStoresItAndDeletesTheFile) {
  std::string own = folder_ + "/own.log";
  std::ofstream(own) << "old contents";
  core::log_set_path(txt(own));
  EXPECT_FALSE(std::filesystem::exists(own));
  EXPECT_EQ(path(), own);
  EXPECT_EQ(str(core::slot_get(core::kGroupRuntime, core::kRtLogPath)), own);
  core::log_line("line"_t, 1);
  EXPECT_EQ(file_text(own), "line\r\n");
  EXPECT_FALSE(std::filesystem::exists(log_));
  core::log_set_path(""_t);  // back to the default name
  EXPECT_EQ(path(), log_);
}

TEST_F(LogTest, LinesFollowTheTraceSwitches) {
  core::log_line("not traced"_t, core::kTraceRelational);  // _TRACE is 1
  EXPECT_FALSE(std::filesystem::exists(log_));
  core::trace_level_set(17);
  core::log_line("relational"_t, core::kTraceRelational);
  core::log_line("sql"_t, core::kTraceSqlOk);
  core::log_line("any of two"_t, core::kTraceSqlOk | 1);
  core::log_line(core::text_error_value(core::NOVALUE), 1);
  core::log_line(""_t, 1);
  EXPECT_EQ(file_text(log_), "relational\r\nany of two\r\nError #163\r\n\r\n");
}

TEST_F(LogTest, IncidentBlockShape) {
  core::log_line("before"_t, 1);
  core::log_incident("Something\r\nhappened"_t);
  // Digits of the date and time read as 9, so the shape can be compared.
  std::string log = file_text(log_);
  for (char& c : log)
    if (c >= '0' && c <= '9') c = '9';
  EXPECT_EQ(log,
            "before\r\n" + std::string(29, '*') + "\r\n"
            " Date:99-99-9999 - Time:99:99:99 - User:9\r\n"
            "Something\r\nhappened\r\n" + std::string(22, '*') + "\r\n\r\n");
}

TEST_F(LogTest, IncidentDateOrderFollowsTheLanguage) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char dmy[40], mdy[40];
  std::snprintf(dmy, sizeof dmy, "%02d-%02d-%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
  std::snprintf(mdy, sizeof mdy, "%02d-%02d-%04d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
  const char* codes[] = {"", "ES", "FR", "IT", "EN", "DE"};
  for (const char* code : codes) {
    std::filesystem::remove(log_);
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, core::text_from_c(code)),
              core::kOk);
    core::log_incident("x"_t);
    bool day_first = std::string("|ES|FR|IT||").find(std::string("|") + code + "|") !=
                     std::string::npos;
    std::string expected = std::string(" Date:") + (day_first ? dmy : mdy) + " ";
    EXPECT_NE(file_text(log_).find(expected), std::string::npos) << code << file_text(log_);
  }
}

TEST_F(LogTest, UnopenableLogIsSkippedSilently) {
  core::log_folder_set(txt(folder_ + "/no/such/folder"));
  core::log_line("lost"_t, 1);
  core::log_incident("lost"_t);
  EXPECT_EQ(core::error_last().code, 0);
  EXPECT_EQ(str(core::error_detail()), "");
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/no"));
}

TEST_F(LogTest, AssertionHoldsQuietly) {
  core::assert_true(true, "fine"_t);
  EXPECT_FALSE(std::filesystem::exists(log_));
}

TEST_F(LogTest, FailedAssertionShowsLogsAndEnds) {
  EXPECT_EXIT(core::assert_true(false, "Broken invariant"_t),
              ::testing::ExitedWithCode(core::kAssertExitCode),
              "Assertion Fail: Broken invariant");
  std::string log = file_text(log_);
  EXPECT_NE(log.find("\r\nBroken invariant\r\n**********************\r\n\r\n"),
            std::string::npos)
      << log;
  // A window layer's box replaces the default one; the stop stays.
  core::box_hook_set(no_box);
  EXPECT_EXIT(core::assert_true(false, "quiet"_t),
              ::testing::ExitedWithCode(core::kAssertExitCode), "");
}

}  // namespace
