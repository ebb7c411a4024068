// The file layer: numbers, modes, the console, line reading, whole-file
// helpers and the errors they record.
#include "core/files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "tests/runner/datafile.h"

namespace {

using namespace core;
namespace fs = std::filesystem;

Text T(const std::string& s) { return text_view(s.data(), s.size()); }
std::string S(Text t) {
  return t.ok() ? std::string(t.ptr, t.len) : "<error " + std::to_string(t.len) + ">";
}

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ctx_.status(), 0);
    char tmpl[] = "/tmp/files_testXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  Text name(const std::string& n) {
    names_.push_back(path(n));
    return T(names_.back());
  }
  void write_raw(const std::string& n, const std::string& bytes) const {
    std::ofstream(path(n), std::ios::binary) << bytes;
  }
  std::string read_raw(const std::string& n) const {
    std::ifstream in(path(n), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  CoreContext ctx_;
  std::string dir_;
  std::deque<std::string> names_;  // grows without moving the names it holds
};

TEST_F(FilesTest, LineEndsFromDataFile) {
  const testrunner::Handler handler = [&](const testrunner::DataCase& c) {
    write_raw("lines.txt", c.input);
    Status n = file_open(name("lines.txt"), kModeReadOnly);
    std::string out;
    Text line;
    while ((line = file_read_line(n)).ok()) out += "[" + S(line) + "]\n";
    out += line.len == DISKIO ? "<end>" : S(line);
    EXPECT_EQ(file_close(n), 0);
    return out;
  };
  testrunner::DataCommands commands(handler, {"lines"});
  testrunner::datafile_run("core/files_lines.test");
}

TEST_F(FilesTest, NumbersRunOutAfterThe37thFile) {
  write_raw("a", "x");
  for (int i = 3; i < 40; ++i) ASSERT_EQ(file_open(name("a"), kModeReadOnly), i);
  EXPECT_EQ(file_open(name("a"), kModeReadOnly), DATAOUTBOUND);
  EXPECT_EQ(error_last().code, DATAOUTBOUND);
  EXPECT_EQ(error_last().context, Context::STREAMINIT);
  EXPECT_NE(S(error_detail()).find(path("a")), std::string::npos);
  EXPECT_EQ(file_close(20), 0);
  EXPECT_EQ(file_close(20), BADFILENUMBER);
  EXPECT_EQ(file_open(name("a"), kModeReadOnly), 20);  // the lowest free number
  EXPECT_EQ(file_close(1), 0);                         // standard streams stay open
}

TEST_F(FilesTest, BadNamesAndMissingFiles) {
  write_raw("a", "x");
  EXPECT_EQ(file_open(""_t, kModeQuiet), NOVALUE);
  EXPECT_EQ(file_open(T(path("a") + std::string(1, '\0')), kModeQuiet), NOVALUE);
  std::string long_name(384, 'n');
  EXPECT_EQ(file_open(T(long_name), kModeQuiet), NOVALUE);
  EXPECT_EQ(file_open(T(long_name.substr(1)), kModeReadOnly | kModeQuiet), FILENOTFOUND);
  EXPECT_EQ(file_open(name("missing"), kModeReadOnly | kModeQuiet), FILENOTFOUND);
  EXPECT_EQ(error_last().code, 0);  // quiet: nothing recorded
  EXPECT_EQ(S(error_detail()), "");
  EXPECT_EQ(file_open(name("missing"), kModeReadOnly), FILENOTFOUND);
  EXPECT_EQ(error_last().code, FILENOTFOUND);
  EXPECT_EQ(error_last().context, Context::STREAMINIT);
  EXPECT_NE(S(error_detail()).find(path("missing")), std::string::npos);
  EXPECT_FALSE(file_exists(name("missing")));  // a read-only open creates nothing
}

TEST_F(FilesTest, ModesCreateTruncateAndAppend) {
  Status n = file_open(name("new"), 0);  // update: created when missing
  EXPECT_EQ(file_size(n), 0);
  EXPECT_EQ(file_write(n, 0, "old contents"_t), 12u);
  EXPECT_EQ(file_close(n), 0);
  n = file_open(name("new"), kModeWrite);
  EXPECT_EQ(file_size(n), 0);
  EXPECT_EQ(file_write(n, kFileHere, "new"_t), 3u);
  EXPECT_EQ(file_close(n), 0);
  n = file_open(name("new"), kModeAppend | kModeWrite);  // append wins: no truncation
  EXPECT_EQ(file_write(n, 0, "+"_t), 1u);
  EXPECT_EQ(file_close(n), 0);
  EXPECT_EQ(read_raw("new"), "new+");
}

TEST_F(FilesTest, ConsoleWithPlainWriteIsStandardOutput) {
  EXPECT_EQ(file_open("CON"_t, kModeWrite), 1);
  EXPECT_EQ(file_open("CON"_t, kModeReadOnly), 0);
  EXPECT_EQ(file_open("CON"_t, kModeWrite | kModeAppend), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(file_write(1, kFileHere, "to the console\n"_t), 15u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "to the console\n");
  EXPECT_EQ(file_write(0, kFileHere, "x"_t), kFileHere);
}

TEST_F(FilesTest, ReadingAndWritingAtPositionsOnOneStream) {
  std::string bytes;
  for (int i = 0; i < 2000; ++i) bytes += static_cast<char>(i * 7);
  write_raw("bin", bytes);
  Status n = file_open(name("bin"), 0);
  char buf[1600];
  EXPECT_EQ(file_read(n, 100, 1500, buf, sizeof buf), 1500u);
  EXPECT_EQ(std::string(buf, 1500), bytes.substr(100, 1500));
  EXPECT_EQ(file_size(n), 2000);  // keeps the position
  EXPECT_EQ(file_read(n, kFileHere, 600, buf, sizeof buf), 400u);
  EXPECT_EQ(std::string(buf, 400), bytes.substr(1600));
  EXPECT_EQ(file_read(n, 0, 1601, buf, sizeof buf), kFileHere);  // buffer too small
  EXPECT_EQ(file_read(39, 0, 1, buf, sizeof buf), kFileHere);

  // Switching between writing and reading needs no help from the caller.
  EXPECT_EQ(file_write(n, 0, "one\ntwo\n"_t), 8u);
  EXPECT_EQ(file_read(n, 0, 0, buf, 1), 0u);
  EXPECT_EQ(S(file_read_line(n)), "one");
  EXPECT_EQ(file_write(n, kFileHere, "\nend"_t), 4u);
  EXPECT_EQ(file_read(n, 4, 0, buf, 1), 0u);
  EXPECT_EQ(S(file_read_line(n)), "two");
  EXPECT_EQ(file_size(n), 2004);
  EXPECT_EQ(file_close(n), 0);
  EXPECT_EQ(file_read_line(n).len, BADFILENUMBER);

  // A file that grows after its end was met can be read on.
  write_raw("grow", "a\n");
  n = file_open(name("grow"), kModeReadOnly);
  EXPECT_EQ(S(file_read_line(n)), "a");
  EXPECT_EQ(file_read_line(n).len, DISKIO);
  std::ofstream(path("grow"), std::ios::binary | std::ios::app) << "b\n";
  EXPECT_EQ(S(file_read_line(n)), "b");
}

TEST_F(FilesTest, LineLongerThanTheArenaIsSkippedNotOverflowed) {
  write_raw("long", "short\n" + std::string(300, 'x') + "\r\nnext\n" + std::string(200, 'y'));
  Status n = file_open(name("long"), kModeReadOnly);
  ArenaScope scope;
  ASSERT_EQ(arena_alloc(arena_free_bytes() - 256, kNoFill), 0);  // 256 bytes left
  uint16_t mark = arena_mark();
  EXPECT_EQ(S(file_read_line(n)), "short");
  EXPECT_EQ(file_read_line(n).len, OUTOFMEMORY);
  EXPECT_EQ(arena_mark(), mark + 1);  // only "short" holds an entry
  EXPECT_EQ(S(file_read_line(n)), "next");
  EXPECT_EQ(S(file_read_line(n)), std::string(200, 'y'));
  EXPECT_EQ(file_read_line(n).len, DISKIO);
}

TEST_F(FilesTest, AppendPutAndLoad) {
  EXPECT_EQ(file_append(name("log"), "first\n"_t), 0);
  EXPECT_EQ(file_append(name("log"), "second\n"_t), 0);
  EXPECT_EQ(file_put(name("log"), 0, "FIRST"_t), 0);
  EXPECT_EQ(file_put(name("log"), -1, "third"_t), 0);
  EXPECT_EQ(read_raw("log"), "FIRST\nsecond\nthird");
  EXPECT_EQ(S(file_load(name("log"), 6, 6)), "second");
  EXPECT_EQ(S(file_load(name("log"), 13, kToEnd)), "third");
  EXPECT_EQ(S(file_load(name("log"), 16, 10)), "rd");
  EXPECT_EQ(file_put(name("log"), -2, "fresh"_t), 0);
  EXPECT_EQ(S(file_load(name("log"), 0, kToEnd)), "fresh");
  EXPECT_EQ(file_append(name("log"), text_error_value(STRINGTOOLONG)), STRINGTOOLONG);
  EXPECT_EQ(file_append(name("no/folder/x"), "a"_t), FILENOTFOUND);
  if (fs::exists("/dev/full")) {
    EXPECT_EQ(file_append("/dev/full"_t, "does not fit"_t), FILEIO);
  }

  write_raw("big", std::string(70000, 'b'));
  EXPECT_EQ(file_load(name("big"), 0, kToEnd).len, STRINGTOOLONG);
  ArenaScope scope;
  ASSERT_EQ(arena_alloc(arena_free_bytes() - 4, kNoFill), 0);
  EXPECT_EQ(file_load(name("log"), 0, 5).len, OUTOFMEMORY);
  EXPECT_EQ(S(file_load(name("log"), 0, 4)), "fres");
}

TEST_F(FilesTest, DeleteRenameExists) {
  write_raw("d", "12345");
  EXPECT_EQ(file_rename(name("d"), name("e")), 0);
  EXPECT_FALSE(file_exists(name("d")));
  EXPECT_EQ(read_raw("e"), "12345");
  EXPECT_EQ(file_rename(name("d"), name("f")), FILENOTFOUND);
  EXPECT_EQ(file_delete(name("e")), 0);
  EXPECT_EQ(file_delete(name("e")), FILENOTFOUND);
  EXPECT_EQ(file_delete(""_t), NOVALUE);
}

TEST(FilesShutdown, ClosesEveryOpenFile) {
  if (!fs::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc/self/fd";
  auto open_fds = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
  };
  auto before = open_fds();
  {
    CoreContext ctx;
    for (int i = 0; i < 5; ++i) ASSERT_LT(file_open("/dev/null"_t, kModeReadOnly), kFileNumbers);
    EXPECT_EQ(open_fds(), before + 5);
  }
  EXPECT_EQ(open_fds(), before);
}

}  // namespace
