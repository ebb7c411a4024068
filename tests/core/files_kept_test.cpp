// Files kept open for writes by name: what a reader sees after every write,
// and every other operation on the name meeting the file as it is.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/files.h"

namespace {

using namespace core;
namespace fs = std::filesystem;

Text T(const std::string& s) { return text_view(s.data(), s.size()); }
std::string S(Text t) { return t.ok() ? std::string(t.ptr, t.len) : "<error " + std::to_string(t.len) + ">"; }

long open_fds() {
  return static_cast<long>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

class KeptFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc/self/fd";
    char tmpl[] = "/tmp/kept_testXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    fds_ = open_fds();
    file_keep_open(true);
  }
  void TearDown() override {
    file_keep_open(false);
    fs::remove_all(dir_);
  }
  Text name(const std::string& n) {
    names_.push_back(dir_ + "/" + n);
    return T(names_.back());
  }
  std::string read_raw(const std::string& n) const {
    std::ifstream in(dir_ + "/" + n, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  long kept() const { return open_fds() - fds_; }

  CoreContext ctx_;
  std::string dir_;
  long fds_ = 0;
  std::deque<std::string> names_;
};

TEST_F(KeptFilesTest, EveryWriteIsInTheFileWhenItReturnsAndOneFileStaysOpen) {
  std::string all;
  for (int i = 0; i < 5; ++i) {
    std::string line = "line " + std::to_string(i) + "\n";
    all += line;
    ASSERT_EQ(file_put(name("out.txt"), -1, T(line)), 0);
    EXPECT_EQ(read_raw("out.txt"), all);
  }
  EXPECT_EQ(kept(), 1);
  // Empty text still makes the file, as a write that opens it always has.
  EXPECT_EQ(file_put(name("empty.txt"), -1, ""_t), 0);
  EXPECT_TRUE(fs::exists(dir_ + "/empty.txt"));
  file_keep_open(false);
  EXPECT_EQ(kept(), 0);
  // Keeping off, a write opens and closes the file as before.
  EXPECT_EQ(file_put(name("out.txt"), -1, "last\n"_t), 0);
  EXPECT_EQ(kept(), 0);
  EXPECT_EQ(read_raw("out.txt"), all + "last\n");
}

TEST_F(KeptFilesTest, OtherOperationsOnTheNameMeetTheFileAsItIs) {
  // A write at a position lands in the middle; the next write at the end follows it.
  ASSERT_EQ(file_put(name("a"), -1, "abcdef"_t), 0);
  ASSERT_EQ(file_put(name("a"), 1, "XY"_t), 0);
  ASSERT_EQ(file_put(name("a"), -1, "+"_t), 0);
  EXPECT_EQ(read_raw("a"), "aXYdef+");
  EXPECT_EQ(S(file_load(name("a"), 0, kToEnd)), "aXYdef+");
  // Starting the file afresh (-2) and writing on.
  ASSERT_EQ(file_put(name("a"), -1, "more"_t), 0);
  ASSERT_EQ(file_put(name("a"), -2, "new"_t), 0);
  ASSERT_EQ(file_put(name("a"), -1, "+"_t), 0);
  EXPECT_EQ(read_raw("a"), "new+");

  // Deleted: the next write makes a new file under the name.
  ASSERT_EQ(file_put(name("b"), -1, "old"_t), 0);
  ASSERT_EQ(file_delete(name("b")), 0);
  ASSERT_EQ(file_put(name("b"), -1, "new"_t), 0);
  EXPECT_EQ(read_raw("b"), "new");

  // Renamed away: the old lines go with it, the name starts again.
  ASSERT_EQ(file_put(name("c"), -1, "one"_t), 0);
  ASSERT_EQ(file_rename(name("c"), name("c.bak")), 0);
  ASSERT_EQ(file_put(name("c"), -1, "two"_t), 0);
  EXPECT_EQ(read_raw("c.bak"), "one");
  EXPECT_EQ(read_raw("c"), "two");
  // Another file renamed onto the name: the writes go on in that one.
  ASSERT_EQ(file_rename(name("c.bak"), name("c")), 0);
  ASSERT_EQ(file_put(name("c"), -1, "three"_t), 0);
  EXPECT_EQ(read_raw("c"), "onethree");

  // Opened by number: writes by number and by name keep their order.
  ASSERT_EQ(file_put(name("d"), -1, "1"_t), 0);
  Status n = file_open(name("d"), 0);
  ASSERT_LT(n, kFileNumbers);
  EXPECT_EQ(file_write(static_cast<uint16_t>(n), kFileHere, "2"_t), 1u);
  ASSERT_EQ(file_put(name("d"), -1, "3"_t), 0);
  EXPECT_EQ(file_write(static_cast<uint16_t>(n), kFileHere, "4"_t), 1u);
  EXPECT_EQ(file_close(static_cast<uint16_t>(n)), 0);
  EXPECT_EQ(read_raw("d"), "1234");
}

TEST_F(KeptFilesTest, AnotherSpellingOrADeleteBehindItsBackIsNoticed) {
  fs::create_directory(dir_ + "/sub");
  ASSERT_EQ(file_put(name("sub/x"), -1, "old"_t), 0);
  ASSERT_EQ(file_delete(name("sub/../sub/./x")), 0);
  ASSERT_EQ(file_put(name("sub/x"), -1, "new"_t), 0);
  EXPECT_EQ(read_raw("sub/x"), "new");

  // Removed by someone else: looking for it (as READ$ does) lets it go.
  ASSERT_EQ(file_put(name("y"), -1, "old"_t), 0);
  fs::remove(dir_ + "/y");
  EXPECT_FALSE(file_exists(name("y")));
  ASSERT_EQ(file_put(name("y"), -1, "new"_t), 0);
  EXPECT_EQ(read_raw("y"), "new");
}

TEST_F(KeptFilesTest, ManyNamesConsoleAndDevices) {
  // More names than are kept: each file gets its own lines all the same.
  for (int round = 0; round < 3; ++round)
    for (int f = 0; f < 7; ++f) ASSERT_EQ(file_put(name("m" + std::to_string(f)), -1, T(std::to_string(round))), 0);
  for (int f = 0; f < 7; ++f) EXPECT_EQ(read_raw("m" + std::to_string(f)), "012");
  EXPECT_LE(kept(), 4);

  // "CON" stays the console: no file of that name appears.
  fs::path saved = fs::current_path();
  fs::current_path(dir_);
  EXPECT_NE(file_put("CON"_t, -1, "x"_t), 0);
  fs::current_path(saved);
  EXPECT_FALSE(fs::exists(dir_ + "/CON"));

  // A device is written as before, and its failure is told.
  if (fs::exists("/dev/full")) {
    EXPECT_EQ(file_put("/dev/full"_t, -1, "does not fit"_t), FILEIO);
  }
  EXPECT_EQ(file_put(name("no/folder/z"), -1, "a"_t), FILENOTFOUND);
}

TEST(KeptFilesShutdown, TheContextClosesKeptFiles) {
  if (!fs::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc/self/fd";
  char tmpl[] = "/tmp/kept_testXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string file = std::string(tmpl) + "/f";
  long before = open_fds();
  {
    CoreContext ctx;
    file_keep_open(true);
    ASSERT_EQ(file_put(T(file), -1, "x"_t), 0);
    EXPECT_EQ(open_fds(), before + 1);
  }
  EXPECT_EQ(open_fds(), before);
  fs::remove_all(tmpl);
}

}  // namespace
