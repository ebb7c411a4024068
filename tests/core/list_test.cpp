// Separated lists: the table cases of core/lists.test, and huge lists.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/text.h"
#include "tests/core/text_cases.h"

namespace {

using namespace core;
using texttest::char_arg;
using texttest::int_arg;
using texttest::line;
using texttest::show;

// Every field by number, checked against the split array and the cursor
// behind list_count, so that the three ways of reading a list agree.
std::string fields(Text list, char sep) {
  const uint16_t n = list_count(list, sep);
  TextArray a = list_split(list, sep);
  std::string out = std::to_string(n);
  if (a.status != kOk) return out + "\nsplit error " + std::to_string(a.status);
  if (a.count != n) out += "\nsplit count " + std::to_string(a.count);
  for (uint16_t i = 1; i <= n; ++i) {
    const Text f = list_field(list, sep, i);
    out += "\n" + texttest::bracket(f);
    if (!text_equal(f, a.at(i))) out += " split differs: " + texttest::bracket(a.at(i));
  }
  if (a.at(0).len != 0 || a.at(static_cast<uint16_t>(n + 1)).len != 0)
    out += "\nout of range not empty";
  return out;
}

std::string run_list_case(const testrunner::DataCase& c) {
  ArenaScope scope;
  const auto in = texttest::lines(c.input);
  const Text a = line(in, 0);
  const Text b = line(in, 1);
  const char sep = char_arg(c, 0);
  const std::string& cmd = c.command;
  std::string out;
  auto each = [&](auto op) {
    for (size_t i = 0; i < in.size(); ++i) out += (i ? "\n" : "") + std::string(op(line(in, i)));
    return out;
  };
  if (cmd == "count") return each([&](Text l) { return std::to_string(list_count(l, sep)); });
  if (cmd == "fields") return fields(a, sep);
  if (cmd == "field") {
    return each(
        [&](Text l) { return show(list_field(l, sep, static_cast<uint16_t>(int_arg(c, 1)))); });
  }
  if (cmd == "field_int") {
    return each([&](Text l) {
      return std::to_string(list_field_int(l, sep, static_cast<uint16_t>(int_arg(c, 1))));
    });
  }
  if (cmd == "to_bytes") {
    const Text r = list_to_bytes(a);
    if (!r.ok() || r.len == 0) return show(r);
    for (uint32_t i = 0; i < r.len; ++i) out += (i ? " " : "") + std::to_string(r.at(i));
    return out;
  }
  if (cmd == "index") return std::to_string(list_index(a, sep, b));
  if (cmd == "set") return show(list_set(a, sep, int_arg(c, 1), b));
  if (cmd == "union") return show(list_union(a, sep, b, char_arg(c, 1)));
  if (cmd == "minus") return show(list_minus(a, sep, b, char_arg(c, 1)));
  if (cmd == "shortest") return std::to_string(list_shortest(a, sep));
  if (cmd == "longest") return std::to_string(list_longest(a, sep));
  return "unknown command " + cmd;
}

class ListTest : public ::testing::Test {
 protected:
  CoreContext context_;
};

TEST_F(ListTest, DataFileCases) {
  ASSERT_EQ(context_.status(), kOk);
  testrunner::DataCommands commands(
      run_list_case, {"count", "fields", "field", "field_int", "to_bytes", "index", "set", "union",
                      "minus", "shortest", "longest"});
  testrunner::datafile_run("core/lists.test");
  EXPECT_EQ(arena_mark(), 0) << "a case left strings in the arena";
}

TEST_F(ListTest, SixtyThousandSeparators) {
  std::string raw(60000, ',');
  const Text list = text_view(raw.data(), raw.size());
  EXPECT_EQ(list_count(list, ','), 60001);
  EXPECT_EQ(list_field(list, ',', 60001).len, 0);
  EXPECT_EQ(list_field(list, ',', 60001).ptr, raw.data() + raw.size());
  raw[29999] = 'x';  // the 30,000th field
  EXPECT_EQ(show(list_field(list, ',', 30000)), "x");
  EXPECT_EQ(list_index(list, ',', "x"_t), 30000);
  // The split array of 60,001 fields cannot fit the arena; it says so.
  TextArray a = list_split(list, ',');
  EXPECT_EQ(a.status, OUTOFMEMORY);
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.at(1).len, 0);
  EXPECT_EQ(list_shortest(list, ','), 0);
  EXPECT_EQ(list_longest(list, ','), 1);
  // Inside one quoted section, no separator counts.
  std::string quoted = "'" + std::string(60000, ',') + "',a";
  EXPECT_EQ(list_count(text_view(quoted.data(), quoted.size()), ','), 2);
}

TEST_F(ListTest, CountIsClampedAtSixteenBits) {
  std::string raw(65535, ',');
  const Text list = text_view(raw.data(), raw.size());
  EXPECT_EQ(list_count(list, ','), 65535);
  EXPECT_EQ(list_field(list, ',', 65535).len, 0);
  // NUL-separated lists use the same navigation, without quote rules.
  std::string nul(65535, '\0');
  EXPECT_EQ(list_count(text_view(nul.data(), nul.size()), '\0'), 65535);
}

TEST_F(ListTest, SetWithExtremeFieldNumbers) {
  EXPECT_EQ(show(list_set("a,b"_t, ',', INT_MIN, "x"_t)), "a,b");
  EXPECT_EQ(show(list_set("a,b"_t, ',', -65536, "x"_t)), "a,b");
  EXPECT_EQ(text_error(list_set("a,b"_t, ',', INT_MAX, "x"_t)), STRINGTOOLONG);
  // Within 16 bits the limit is the arena's; beyond them the length's.
  Text edge = list_set("a"_t, ',', 65534, ""_t);
  EXPECT_EQ(text_error(edge), OUTOFMEMORY) << "65,534 bytes fit 16 bits but not the arena";
  EXPECT_EQ(text_error(list_set("a"_t, ',', 65536, ""_t)), STRINGTOOLONG);
  EXPECT_EQ(list_count(list_set(""_t, ',', 3000, "v"_t), ','), 3000);
}

TEST_F(ListTest, SplitArrayIsAlignedAndReadsByNumber) {
  // An odd-sized string before the array tests the alignment of the array.
  Text odd = text_copy("abc"_t);
  ASSERT_TRUE(odd.ok());
  TextArray a = list_split("x;'y;z';;w"_t, ';');
  ASSERT_EQ(a.status, kOk);
  ASSERT_EQ(a.count, 4);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a.items) % alignof(Text), 0u);
  EXPECT_EQ(show(a.at(2)), "'y;z'");
  EXPECT_EQ(a.at(3).len, 0);
  EXPECT_EQ(show(a.at(4)), "w");
  EXPECT_EQ(a.at(5).len, 0);
  EXPECT_EQ(list_split(text_error_value(NOVALUE), ';').status, NOVALUE);
  EXPECT_EQ(list_split(""_t, ';').count, 0);
}

}  // namespace
