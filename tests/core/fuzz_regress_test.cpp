// Inputs the fuzz targets in fuzz/ stopped on, kept as cases. The first
// two were faults of param_set; the others showed where the fuzz models
// had the rules wrong, and pin the behaviour the models now follow.
#include <gtest/gtest.h>

#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/text.h"

namespace {

using namespace core;

// A literal's bytes, embedded NULs included (the literal outlives the view).
template <size_t N>
Text bytes(const char (&s)[N]) {
  return text_view(s, N - 1);
}
Text view(const std::string& s) { return text_view(s.data(), s.size()); }

class FuzzRegressTest : public ::testing::Test {
 protected:
  CoreContext context_;
  ArenaScope scope_;
};

// Appending ":KEY=value" to "\xFF" made "\xFF:" a pair of its own.
TEST_F(FuzzRegressTest, AppendedPairDoesNotTurnABareWordIntoAKey) {
  const std::string key(12, '\xFF');
  const Text r = param_set(bytes("\xFF"), view(key), "0"_t);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(text_error(param_find(r, bytes("\xFF"))), NOVALUE);
  EXPECT_TRUE(text_equal(param_find(r, view(key)), "0"_t));
}

// A key holding "=" was appended behind "\xFF=", which then read as the
// key followed by ":".
TEST_F(FuzzRegressTest, KeyHoldingAnEqualsSignIsRefused) {
  const std::string text("\xFF\xFF:\x87\x8D" "2:\xFF=", 9);
  const std::string value(":\0%", 3);
  EXPECT_EQ(text_error(param_set(view(text), bytes("\xFF="), view(value))), NOVALUE);
}

// A quote is never found, so as a separator it never separates.
TEST_F(FuzzRegressTest, QuoteSeparatorMakesOneField) {
  const Text r = list_set(""_t, '"', 34, ""_t);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.len, 33);
  EXPECT_EQ(list_count(r, '"'), 1);
  const std::string a("\0\0", 2);
  const Text u = list_union(view(a), '\'', bytes("V\t\x11"), '\'');
  EXPECT_EQ(list_count(u, '\''), 1);
}

// Removing the first field of "x\0" leaves one empty field, which reads
// as the empty list.
TEST_F(FuzzRegressTest, LastEmptyFieldReadsAsTheEmptyList) {
  const std::string list("\x01\x9Cv\x7F\0", 5);
  EXPECT_EQ(list_count(view(list), '\0'), 2);
  const Text r = list_set(view(list), '\0', -1, ""_t);
  EXPECT_EQ(r.len, 0);
  EXPECT_EQ(list_count(r, '\0'), 0);
}

// In "K:A:B" the value A of K is also the key of the pair A:B, so setting
// K changes what A reads.
TEST_F(FuzzRegressTest, ColonValueIsAlsoAKey) {
  const Text text = bytes("\xFF\xFF:\xFF:\xFF\x87\xBD");
  EXPECT_TRUE(text_equal(param_find(text, bytes("\xFF")), bytes("\xFF\x87\xBD")));
  const Text r = param_set(text, bytes("\xFF\xFF"), ":"_t);
  EXPECT_TRUE(text_equal(r, bytes("\xFF\xFF:\":\":\xFF\x87\xBD")));
  EXPECT_EQ(text_error(param_find(r, bytes("\xFF"))), NOVALUE);
}

// In ":A:K=B:C" the value of A holds the pair of K.
TEST_F(FuzzRegressTest, ColonValueHoldsAnEqualsPair) {
  const Text text = bytes(":\xFF:\xFF\xFF=\xFF:\xFF");
  EXPECT_TRUE(text_equal(param_find(text, bytes("\xFF")), bytes("\xFF\xFF=\xFF")));
  EXPECT_TRUE(text_equal(param_find(text, bytes("\xFF\xFF")), bytes("\xFF")));
  const Text r = param_set(text, bytes("\xFF\xFF"), ""_t);
  EXPECT_TRUE(text_equal(param_find(r, bytes("\xFF")), bytes("\xFF\xFF=")));
}

// A search from a position reads quotes from there on: the unclosed quote
// before position 11 does not hide it.
TEST_F(FuzzRegressTest, SearchFromAPositionStartsOutsideQuotes) {
  const std::string s("\xFF\r\v\0\0'\x82\xBF\x82\xBF\xFF\xFF", 12);
  EXPECT_EQ(text_find_char(view(s), '\xFF', 11, false), 11);
  EXPECT_EQ(text_find_char(view(s), '\xFF', 1, false), kNoPos);
}

}  // namespace
