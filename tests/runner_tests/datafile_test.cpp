// The data-file runner itself: a broken runner would pass every case.
#include "tests/runner/datafile.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

std::string write_temp(const std::string& body) {
  char name[] = "/tmp/datafileXXXXXX";
  int fd = mkstemp(name);
  EXPECT_GE(fd, 0);
  std::FILE* f = fdopen(fd, "wb");
  std::fputs(body.c_str(), f);
  std::fclose(f);
  return name;
}

TEST(DataFile, ReadsCasesWithInputAndExpectedOutput) {
  std::string path = write_temp(
      "# a comment\n"
      "\n"
      "expr first 1\n"
      "1+1\n"
      "2*3\n"
      "----\n"
      "2\n"
      "6\n"
      "\n"
      "\n"
      "noexpect\n"
      "x\n"
      "\n"
      "last\r\n"
      "----\r\n"
      "y\r\n");
  std::string error;
  auto cases = testrunner::datafile_read(path, &error);
  std::remove(path.c_str());
  ASSERT_EQ(cases.size(), 3u) << error;
  EXPECT_EQ(cases[0].command, "expr");
  ASSERT_EQ(cases[0].args.size(), 2u);
  EXPECT_EQ(cases[0].args[1], "1");
  EXPECT_EQ(cases[0].line, 3);
  EXPECT_EQ(cases[0].input, "1+1\n2*3");
  EXPECT_EQ(cases[0].expected, "2\n6");
  EXPECT_EQ(cases[1].input, "x");
  EXPECT_EQ(cases[1].expected, "");
  EXPECT_EQ(cases[2].input, "");
  EXPECT_EQ(cases[2].expected, "y");
}

TEST(DataFile, EscapesOnlyAfterTheDirective) {
  std::string path = write_temp(
      "raw\n"
      "a\\tb\n"
      "\n"
      "%escapes\n"
      "cooked\n"
      "a\\tb\\s\\x41\\xF3\\\\n\\q\n");
  auto cases = testrunner::datafile_read(path, nullptr);
  std::remove(path.c_str());
  ASSERT_EQ(cases.size(), 2u);
  EXPECT_EQ(cases[0].input, "a\\tb");
  EXPECT_EQ(cases[1].input, std::string("a\tb A\xF3\\n\\q"));
}

TEST(DataFile, MissingOrEmptyFileIsAnError) {
  std::string error;
  EXPECT_TRUE(testrunner::datafile_read("/nonexistent/file.test", &error).empty());
  EXPECT_NE(error.find("cannot open"), std::string::npos);
  std::string path = write_temp("# only a comment\n\n");
  EXPECT_TRUE(testrunner::datafile_read(path, &error).empty());
  std::remove(path.c_str());
  EXPECT_NE(error.find("no case"), std::string::npos);
}

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Upper-cases its input; the other command reverses it.
std::string upper(const testrunner::DataCase& c) {
  std::string s = c.input;
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

TEST(DataFile, EachCaseGoesToTheHandlerOfItsCommand) {
  std::string path = write_temp("upper\nab\n----\nAB\n\nreverse\nab\n----\nba\n");
  {
    testrunner::DataCommands commands(upper, {"upper"});
    testrunner::DataCommands more{{"reverse", [](const testrunner::DataCase& c) {
                                     return std::string(c.input.rbegin(), c.input.rend());
                                   }}};
    testrunner::datafile_run(path);
  }
  std::remove(path.c_str());
  // Once the commands are gone, a case whose command nobody handles fails.
  path = write_temp("upper\nab\n----\nAB\n");
  EXPECT_NONFATAL_FAILURE(testrunner::datafile_run(path), "no handler for the command 'upper'");
  std::remove(path.c_str());
}

TEST(DataFile, RewriteModeWritesTheActualOutputs) {
  std::string path = write_temp(
      "# a remark stays\n"
      "%escapes\n"
      "upper one\n"
      "ab\n"
      "----\n"
      "wrong\n"
      "lines\n"
      "\n"
      "upper no-expected-yet\n"
      "c\\xF3 \n"
      "\n"
      "upper last\n"
      "d\n"
      "----\n"
      "D");
  testrunner::DataCommands commands(upper, {"upper"});
  setenv("APP_TEST_REWRITE", "1", 1);
  testrunner::datafile_run(path);
  unsetenv("APP_TEST_REWRITE");
  EXPECT_EQ(read_all(path),
            "# a remark stays\n%escapes\nupper one\nab\n----\nAB\n\n"
            "upper no-expected-yet\nc\\xF3 \n----\nC\\xF3\\s\n\n"
            "upper last\nd\n----\nD");
  // The rewritten file passes as it is.
  testrunner::datafile_run(path);
  std::remove(path.c_str());
}

}  // namespace
