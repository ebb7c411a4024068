// Counted strings: the table cases of core/text.test, and what needs code:
// error values through chains, over-long results, the arena discipline and
// formatting bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/text.h"
#include "tests/core/text_cases.h"

namespace {

using namespace core;
using texttest::bracket;
using texttest::char_arg;
using texttest::has_flag;
using texttest::int_arg;
using texttest::line;
using texttest::show;

std::string pos(uint16_t p) { return p == kNoPos ? "none" : std::to_string(p); }

// Applies a per-line operation to every input line, one result a line.
template <class Op>
std::string each_line(const std::vector<std::string>& in, Op op) {
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) out += (i ? "\n" : "") + std::string(op(line(in, i)));
  return out;
}

std::string run_text_case(const testrunner::DataCase& c) {
  ArenaScope scope;
  const auto in = texttest::lines(c.input);
  const Text s = line(in, 0);
  const Text t = line(in, 1);
  const Text u = line(in, 2);
  const bool plain = has_flag(c, "plain");
  const std::string& cmd = c.command;
  if (cmd == "sub")
    return show(text_sub(s, int_arg(c, 0), static_cast<uint16_t>(int_arg(c, 1, kToEnd))));
  if (cmd == "put") {
    std::string buffer = in[0];
    return show(text_put(texttest::view(buffer), int_arg(c, 0), t));
  }
  if (cmd == "overwrite") return show(text_overwrite_copy(s, int_arg(c, 0), t));
  if (cmd == "repeat") return show(text_repeat(s, static_cast<uint16_t>(int_arg(c, 0))));
  if (cmd == "concat") return show(text_concat(s, t));
  if (cmd == "join") return show(text_join(s, t, u));
  if (cmd == "trim") {
    return each_line(in, [&](Text x) { return bracket(text_trim(x, int_arg(c, 0))); });
  }
  if (cmd == "trim_set") return bracket(text_trim_set(s, int_arg(c, 0), t));
  if (cmd == "upper") return each_line(in, [](Text x) { return show(text_case(x, Case::Upper)); });
  if (cmd == "lower") return each_line(in, [](Text x) { return show(text_case(x, Case::Lower)); });
  if (cmd == "unquote") return each_line(in, [](Text x) { return show(text_unquote(x)); });
  if (cmd == "enclose") return show(text_enclose(s, char_arg(c, 0)));
  if (cmd == "quote")
    return each_line(in, [&](Text x) { return show(text_quote(x, char_arg(c, 0))); });
  if (cmd == "between") return bracket(text_between(s, char_arg(c, 0)));
  if (cmd == "collapse") return show(text_collapse(s, char_arg(c, 0)));
  if (cmd == "keep_only") return show(text_keep_only(s, t));
  if (cmd == "translate") return show(text_translate(s, t, u));
  if (cmd == "span") return std::to_string(text_span(s, t));
  if (cmd == "all_in") return text_all_in(s, t) ? "true" : "false";
  if (cmd == "find_char") {
    return pos(text_find_char(s, char_arg(c, 0), static_cast<uint16_t>(int_arg(c, 1)), plain));
  }
  if (cmd == "find_any") return pos(text_find_any(s, t, plain));
  if (cmd == "find") return pos(text_find(s, t, plain));
  if (cmd == "find_last_char") return pos(text_find_last_char(s, char_arg(c, 0)));
  if (cmd == "find_last_any") return pos(text_find_last_any(s, t));
  if (cmd == "find_last") return pos(text_find_last(s, t));
  if (cmd == "count") return std::to_string(text_count(s, t));
  if (cmd == "null_pos") return pos(text_null_pos(s));
  if (cmd == "replace") return show(text_replace(s, t, u, plain));
  if (cmd == "replace_lists") return show(text_replace_lists(s, t, u, char_arg(c, 0)));
  if (cmd == "template") {
    bool left = true;
    Text r = text_template(s, t, u, &left);
    return show(r) + (left ? "\n% left" : "\nno % left");
  }
  if (cmd == "compare") return std::to_string(text_compare(s, t));
  if (cmd == "test") return text_test(s, t, int_arg(c, 0)) ? "true" : "false";
  if (cmd == "pick") return show(text_pick(s, t, int_arg(c, 0)));
  if (cmd == "is_true")
    return each_line(in, [](Text x) { return text_is_true(x) ? "true" : "false"; });
  if (cmd == "to_int") return each_line(in, [](Text x) { return std::to_string(text_to_int(x)); });
  if (cmd == "to_int_radix") {
    return each_line(in, [](Text x) { return std::to_string(text_to_int_radix(x)); });
  }
  if (cmd == "int_to_text") {
    return each_line(in, [](Text x) { return show(int_to_text(std::stoll(show(x)))); });
  }
  return "unknown command " + cmd;
}

class TextTest : public ::testing::Test {
 protected:
  CoreContext context_;
};

TEST_F(TextTest, DataFileCases) {
  ASSERT_EQ(context_.status(), kOk);
  testrunner::DataCommands commands(
      run_text_case,
      {"sub",       "put",      "overwrite", "repeat",         "concat",        "join",
       "trim",      "trim_set", "upper",     "unquote",        "enclose",       "quote",
       "between",   "collapse", "keep_only", "translate",      "span",          "all_in",
       "find_char", "find_any", "find",      "find_last_char", "find_last_any", "find_last",
       "count",     "null_pos", "replace",   "replace_lists",  "template",      "compare",
       "test",      "pick",     "is_true",   "to_int",         "to_int_radix",  "int_to_text"});
  testrunner::datafile_run("core/text.test");
  EXPECT_EQ(arena_mark(), 0) << "a case left strings in the arena";
}

TEST_F(TextTest, ErrorValuesPassUnchangedAndTheFirstWins) {
  const Text e163 = text_error_value(NOVALUE);
  const Text e145 = text_error_value(OUTOFMEMORY);
  EXPECT_TRUE(text_equal(text_concat(e163, "abc"_t), e163));
  EXPECT_TRUE(text_equal(text_concat("abc"_t, e145), e145));
  EXPECT_TRUE(text_equal(text_concat(e145, e163), e145));
  EXPECT_TRUE(text_equal(text_join("a"_t, e163, "b"_t), e163));
  EXPECT_TRUE(text_equal(text_replace("abc"_t, e145, e163, true), e145));
  EXPECT_TRUE(text_equal(text_sub(e163, 1, 2), e163));
  EXPECT_TRUE(text_equal(text_trim(e163, kTrimBoth), e163));
  EXPECT_TRUE(text_equal(text_case(e163, Case::Upper), e163));
  EXPECT_TRUE(text_equal(text_put(e163, 0, "x"_t), e163));
  EXPECT_TRUE(text_equal(text_template("a"_t, "b"_t, e145), e145));
  EXPECT_TRUE(text_equal(text_pick(""_t, e145, 1), e145));
  EXPECT_TRUE(text_equal(list_set("a,b"_t, ',', 1, e163), e163));
  EXPECT_TRUE(text_equal(param_value(e145, "A"_t), e145));
  // A chain: the error raised in the middle reaches the end unchanged.
  Text chained =
      text_case(text_trim(text_concat(text_sub(e163, 0, 3), " x "_t), kTrimBoth), Case::Lower);
  EXPECT_EQ(text_error(chained), NOVALUE);
  EXPECT_STREQ(text_cstr(e163), "");
  EXPECT_EQ(text_error(text_from_c(nullptr)), NOVALUE);
  EXPECT_EQ(text_error(Text{nullptr, 0}), NOVALUE);
  EXPECT_EQ(arena_mark(), 0) << "error paths allocate nothing";
}

TEST_F(TextTest, ResultsBeyondSixteenBitsAreStringTooLong) {
  static char big[40000];
  std::memset(big, 'x', sizeof big);
  const Text half = text_view(big, sizeof big);
  EXPECT_EQ(text_error(text_concat(half, half)), STRINGTOOLONG);
  EXPECT_EQ(text_error(text_join(half, ","_t, half)), STRINGTOOLONG);
  EXPECT_EQ(text_error(text_repeat("abc"_t, 30000)), STRINGTOOLONG);
  EXPECT_EQ(text_error(text_enclose(text_view(big, 65535), '(')), STRINGTOOLONG);
  EXPECT_EQ(text_error(text_replace(half, "x"_t, "yy"_t, true)), STRINGTOOLONG);
  EXPECT_EQ(text_error(text_view(big, 70000)), STRINGTOOLONG);
  EXPECT_EQ(text_error(list_set("a"_t, ',', 70000, "v"_t)), STRINGTOOLONG);
  EXPECT_EQ(text_error(list_set(half, ',', 0, half)), STRINGTOOLONG);
  // Within 16 bits but beyond the 48-KiB arena.
  EXPECT_EQ(text_error(text_repeat("abc"_t, 20000)), OUTOFMEMORY);
  EXPECT_EQ(text_error(text_copy(half)), kOk);
  EXPECT_EQ(arena_mark(), 1);
}

TEST_F(TextTest, ViewsAndPartsNeverCopy) {
  const Text s = "  abcdef\t"_t;
  EXPECT_EQ(text_trim(s, kTrimBoth).ptr, s.ptr + 2);
  EXPECT_EQ(text_sub(s, -3, 1).ptr, s.ptr + 6);
  EXPECT_EQ(text_unquote("'x'"_t).len, 1);
  EXPECT_EQ(list_field("a,bc,d"_t, ',', 2).len, 2);
  EXPECT_EQ(arena_mark(), 0);
}

TEST_F(TextTest, PutOverwritesInPlaceAndNeverGrows) {
  char buffer[] = "abcdef";
  Text s{buffer, 6};
  Text r = text_put(s, 4, "XYZ"_t);
  EXPECT_EQ(r.ptr, buffer);
  EXPECT_EQ(show(r), "abcdXY");
  // A part of the same buffer written over another part.
  text_put(s, 0, Text{buffer + 2, 4});
  EXPECT_EQ(std::string(buffer), "cdXYXY");
  text_put(s, -1, "!!"_t);
  EXPECT_EQ(std::string(buffer), "cdXYX!");
  text_put(s, 6, "no"_t);
  EXPECT_EQ(std::string(buffer), "cdXYX!");
}

TEST_F(TextTest, CstrIsTerminatedAndKeepsEmbeddedBytes) {
  const char raw[] = {'a', '\0', 'b'};
  const char* c = text_cstr(Text{raw, 3});
  EXPECT_EQ(std::memcmp(c, raw, 3), 0);
  EXPECT_EQ(c[3], '\0');
  EXPECT_EQ(text_null_pos(Text{raw, 3}), 1);
}

TEST_F(TextTest, FormatKeepsWithinItsMaximum) {
  Text r = text_format(10, "%s-%d", "ab", 42);
  EXPECT_EQ(show(r), "ab-42");
  EXPECT_EQ(show(text_format(5, "%05d", 7)), "00007");
  error_clear();
  const uint16_t before = arena_mark();
  Text over = text_format(4, "%05d", 7);
  EXPECT_EQ(text_error(over), STRINGTOOLONG);
  EXPECT_EQ(error_last().code, STRINGTOOLONG);
  EXPECT_EQ(error_last().context, Context::FORMATSTRING);
  EXPECT_EQ(arena_mark(), before) << "a refused result allocates nothing";
  // Longer than the stack buffer: formatted straight into the arena.
  Text wide = text_format(2000, "%01500d|", 3);
  ASSERT_EQ(wide.len, 1501);
  EXPECT_EQ(wide.ptr[0], '0');
  EXPECT_EQ(wide.ptr[1499], '3');
  EXPECT_EQ(wide.ptr[1500], '|');
  EXPECT_EQ(text_error(text_format(1499, "%01500d", 3)), STRINGTOOLONG);
  EXPECT_EQ(text_error(text_format(100, nullptr)), NOVALUE);
  EXPECT_EQ(text_format(0, "%s", "").len, 0);
}

TEST_F(TextTest, CompositeOperationsLeaveOnlyTheirResult) {
  const uint16_t before = arena_mark();
  Text r = text_replace_lists("one two three"_t, "one,two,three"_t, "1,2,3"_t, ',');
  EXPECT_EQ(show(r), "1 2 3");
  EXPECT_EQ(arena_mark(), before + 1);
  bool left = false;
  Text t = text_template("%A% and %B%"_t, "A"_t, "x"_t, &left);
  EXPECT_EQ(show(t), "x and %B%");
  EXPECT_TRUE(left);
  EXPECT_EQ(arena_mark(), before + 2);
  EXPECT_EQ(show(param_set("A=1:B=2"_t, "B"_t, "a b"_t)), "A=1:B=\"a b\"");
  EXPECT_EQ(arena_mark(), before + 3);
}

TEST_F(TextTest, ReplaceListsSurvivesAFullArenaCleanly) {
  // Fill the arena so that the intermediate copies cannot be made.
  std::string big(30000, 'a');
  Text s = text_copy(text_view(big.data(), big.size()));
  ASSERT_TRUE(s.ok());
  const uint16_t before = arena_mark();
  Text r = text_replace_lists(s, "a"_t, "b"_t, ',');
  EXPECT_EQ(text_error(r), OUTOFMEMORY);
  EXPECT_EQ(arena_mark(), before);
}

TEST_F(TextTest, IntegerConversionsSaturate) {
  EXPECT_EQ(text_to_int("99999999999999999999"_t), INT32_MAX);
  EXPECT_EQ(text_to_int("-2147483648"_t), INT32_MIN);
  EXPECT_EQ(text_to_int("-99999999999999999999"_t), INT32_MIN);
  EXPECT_EQ(text_to_int_radix("0xffffffffffffffffff"_t), INT64_MAX);
  EXPECT_EQ(text_to_int_radix("-0x8000000000000000"_t), INT64_MIN);
  EXPECT_EQ(show(int_to_text(INT64_MIN)), "-9223372036854775808");
}

}  // namespace
