// Keyed parameter strings: the table cases of core/params.test, and
// round trips of param_set through param_find and param_value.
#include <gtest/gtest.h>

#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/text.h"
#include "tests/core/text_cases.h"

namespace {

using namespace core;
using texttest::line;
using texttest::show;

std::string run_param_case(const testrunner::DataCase& c) {
  ArenaScope scope;
  const auto in = texttest::lines(c.input);
  const std::string key_arg = texttest::arg(c, 0);
  const Text key = texttest::view(key_arg);
  std::string out;
  if (c.command == "find" || c.command == "value") {
    for (size_t i = 0; i < in.size(); ++i) {
      const Text text = line(in, i);
      out += (i ? "\n" : "") +
             show(c.command == "find" ? param_find(text, key) : param_value(text, key));
    }
    return out;
  }
  if (c.command == "set") return show(param_set(line(in, 0), key, line(in, 1)));
  return "unknown command " + c.command;
}

class ParamTest : public ::testing::Test {
 protected:
  CoreContext context_;
};

TEST_F(ParamTest, DataFileCases) {
  ASSERT_EQ(context_.status(), kOk);
  testrunner::DataCommands commands(run_param_case, {"find", "value", "set"});
  testrunner::datafile_run("core/params.test");
  EXPECT_EQ(arena_mark(), 0) << "a case left strings in the arena";
}

TEST_F(ParamTest, SetThenFindGivesBackWhatWasWritten) {
  struct {
    const char* value;
    const char* read_back;  // what param_value gives for it
  } const values[] = {{"plain", "PLAIN"},
                      {"", ""},
                      {"a b", "a b"},
                      {"x:y", "x:y"},
                      {"a/b&c", "a/b&c"},
                      {"it's", "it's"},
                      {"say \"hi\"", "say \"hi\""},
                      {"'q'", "q"},
                      {"\t tab", "\t tab"}};
  const char* texts[] = {"", "A=1", "A=1 K=old B=2", "K:old/B=3", "A='K=hidden' B=1"};
  for (const char* t : texts) {
    for (const auto& v : values) {
      ArenaScope scope;
      const Text value = text_from_c(v.value);
      const Text set = param_set(text_from_c(t), "K"_t, value);
      ASSERT_TRUE(set.ok()) << t << " / " << v.value;
      // Written as it was, or quoted when it had to be.
      const Text found = param_find(set, "K"_t);
      EXPECT_TRUE(text_equal(found, value) || text_equal(text_unquote(found), value))
          << show(set) << " holds " << show(found);
      EXPECT_EQ(show(param_value(set, "K"_t)), show(text_from_c(v.read_back))) << show(set);
      // Nothing else in the text changed: the other keys read as before.
      EXPECT_TRUE(text_equal(param_find(set, "B"_t), param_find(text_from_c(t), "B"_t)))
          << show(set);
    }
  }
}

TEST_F(ParamTest, LongTextsStayWithinBounds) {
  std::string big(40000, 'x');
  big = "A=" + big;
  const Text text = text_view(big.data(), big.size());
  EXPECT_EQ(param_find(text, "A"_t).len, 40000);
  // Upper-casing a 40,000-byte bare value fits; setting it beside itself does not.
  EXPECT_EQ(param_value(text, "A"_t).len, 40000);
  EXPECT_EQ(text_error(param_set(text, "B"_t, text_sub(text, 2, kToEnd))), STRINGTOOLONG);
  EXPECT_EQ(text_error(param_find(text, ""_t)), NOVALUE);
  EXPECT_EQ(text_error(param_find(text, "'A"_t)), NOVALUE);
}

}  // namespace
