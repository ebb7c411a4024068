// The evaluator: data-file cases of expressions and their values, plus the
// arena and error-record behaviour callers rely on.
#include <gtest/gtest.h>

#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "script/eval.h"
#include "script/numbers.h"
#include "script/variables.h"
#include "tests/runner/datafile.h"
#include "tests/script/expr_show.h"

namespace {

using scripttest::show;
using scripttest::str;

using core::operator""_t;

class Eval : public ::testing::Test {
 protected:
  core::CoreContext core_;
  script::ScriptContext script_;
};

TEST_F(Eval, DataFileCases) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    core::CoreContext core;
    script::ScriptContext script;
    for (const std::string& arg : c.args)
      if (arg.rfind("precis=", 0) == 0)
        script::var_set_int(core::kSwPrecis, static_cast<int16_t>(std::stoi(arg.substr(7))));
    std::string out;
    size_t start = 0;
    while (start <= c.input.size()) {
      size_t end = c.input.find('\n', start);
      if (end == std::string::npos) end = c.input.size();
      std::string line = c.input.substr(start, end - start);
      core::error_clear();
      if (!out.empty()) out += '\n';
      out += show(core::text_view(line.data(), line.size()));
      start = end + 1;
    }
    return out;
  };
  testrunner::DataCommands commands(handler, {"eval"});
  testrunner::datafile_run("script/expressions.test");
}

TEST_F(Eval, LeavesExactlyTheResultOnTheArena) {
  uint16_t mark = core::arena_mark();
  EXPECT_EQ(script::expr_eval("'ab'+'cd'+'ef'"_t), script::kResultText);
  EXPECT_EQ(core::arena_mark(), mark + 1);
  EXPECT_EQ(str(core::arena_top()), "abcdef");
  core::arena_release(mark);

  EXPECT_EQ(script::expr_eval("2*3"_t), script::kResultNumber);
  EXPECT_EQ(core::arena_mark(), mark + 1);
  EXPECT_EQ(script::number_record_read(core::arena_top()), 600);
  core::arena_release(mark);
}

TEST_F(Eval, LongChainsDoNotExhaustTheArena) {
  std::string expr = "'x'";
  for (int i = 0; i < 200; ++i) expr += "+'x'";
  core::Text t = script::expr_text(core::text_view(expr.data(), expr.size()));
  ASSERT_TRUE(t.ok()) << t.len;
  EXPECT_EQ(t.len, 201);
  std::string sum = "1";
  for (int i = 0; i < 300; ++i) sum += "+(1*1)";
  EXPECT_EQ(script::expr_int(core::text_view(sum.data(), sum.size())), 301);
}

TEST_F(Eval, ErrorsAreRecordedOnceWithTheRestAsDetail) {
  core::error_clear();
  EXPECT_EQ(script::expr_status("1+'a'*2"_t), core::TYPEMISMATCH);
  core::ErrorRecord rec = core::error_last();
  EXPECT_EQ(rec.code, core::TYPEMISMATCH);
  EXPECT_EQ(rec.context, core::Context::EXPEXEC);
  EXPECT_EQ(str(core::error_detail()), "'a'*2");

  core::error_clear();
  EXPECT_EQ(script::expr_status("(1+2"_t), core::LOOPFAIL);
  EXPECT_EQ(str(core::error_detail()), "(1+2");

  // The array layer records its own context first; the expression still
  // says where it failed.
  core::error_clear();
  EXPECT_EQ(script::expr_status("X=1,UNDEFINED(2)=5"_t), core::DIMSTRUCERROR);
  EXPECT_EQ(core::error_last().context, core::Context::VARNMASSIGN);
  EXPECT_EQ(str(core::error_detail()), "UNDEFINED(2)=5");
}

TEST_F(Eval, ConditionsAndIntegers) {
  EXPECT_EQ(script::expr_cond(""_t), 1);
  EXPECT_EQ(script::expr_cond("   "_t), 1);
  EXPECT_EQ(script::expr_cond("2>1"_t), 1);
  EXPECT_EQ(script::expr_cond("2<1"_t), 0);
  EXPECT_EQ(script::expr_cond("'abc'"_t), 0);
  EXPECT_EQ(script::expr_cond("'a'*1"_t), core::TYPEMISMATCH);
  EXPECT_EQ(script::expr_int("7/2"_t), 4);
  EXPECT_EQ(script::expr_int("-7/2"_t), -4);
  EXPECT_EQ(script::expr_int("'x'"_t), 0);
  EXPECT_EQ(script::expr_int("100000"_t), INT16_MAX);
  EXPECT_EQ(script::expr_number("1.25"_t), 125);
}

TEST_F(Eval, ErrorValuesPassThrough) {
  EXPECT_EQ(script::expr_status(core::text_error_value(core::NOVALUE)), core::NOVALUE);
  EXPECT_EQ(script::expr_text(core::text_error_value(core::OUTOFMEMORY)).len, core::OUTOFMEMORY);
}

TEST_F(Eval, ConditionBuilder) {
  EXPECT_EQ(str(script::cond_compare("QTY"_t, 2, "5"_t, 'N')), "QTY>5");
  EXPECT_EQ(str(script::cond_compare("NAME$"_t, 1, "Smith"_t, 'A')), "NAME$=='Smith'");
  EXPECT_EQ(str(script::cond_compare("NAME$"_t, 9, "O'Hara"_t, 'A')), "NAME$<>\"O'Hara\"");
  EXPECT_EQ(str(script::cond_compare("NAME$"_t, 1, ""_t, 'A')), "");
  EXPECT_EQ(str(script::cond_join("A>1"_t, "B<2"_t, ""_t)), "A>1&&B<2");
  EXPECT_EQ(str(script::cond_join(""_t, "B<2"_t, "||"_t)), "B<2");
  EXPECT_EQ(str(script::cond_any_field("A{1},B{1}"_t, "'a'"_t, "'m'"_t)),
            "(A{1}>='a'&&A{1}<='m')||(B{1}>='a'&&B{1}<='m')");
  EXPECT_EQ(str(script::cond_any_field("A{1},B{1}"_t, "'x'"_t, ""_t)), "A{1}=='x'||B{1}=='x'");

  // What the builder writes, the evaluator reads.
  ASSERT_EQ(script::var_set("NAME$"_t, "O'Hara"_t), 0);
  EXPECT_EQ(script::expr_cond(script::cond_compare("NAME$"_t, 1, "O'Hara"_t, 'A')), 1);
}

TEST(Numbers, TextConversions) {
  core::CoreContext core;
  script::ScriptContext script;
  EXPECT_EQ(str(script::number_to_text(150)), "1.5");
  EXPECT_EQ(str(script::number_to_text(100)), "1");
  EXPECT_EQ(str(script::number_to_text(-5)), "-0.05");
  EXPECT_EQ(str(script::number_to_text(0)), "0");
  EXPECT_EQ(str(script::number_to_text(INT64_MIN)), "-92233720368547758.08");
  EXPECT_EQ(script::number_from_text(" -1.255"_t), -126);
  EXPECT_EQ(script::number_from_text("1.5D2"_t), 150);
  EXPECT_EQ(script::number_from_text("12D3"_t), 1200000);
  EXPECT_EQ(script::number_from_text("99999999999999999999999"_t), INT64_MAX);
  EXPECT_EQ(script::number_to_int(-270), -3);
  EXPECT_EQ(script::number_to_int(250), 3);
  script::var_set_int(core::kSwPrecis, 0);
  EXPECT_EQ(str(script::number_to_text(7)), "7");
  EXPECT_EQ(script::number_from_text("2.5"_t), 3);
  script::var_set_int(core::kSwPrecis, 9);  // out of range: clipped to 4
  EXPECT_EQ(script::number_scale(), 10000);
}

// Rounded division, halves away from zero, checked against 128-bit
// arithmetic on both sides of the point where 64 bits stop being enough.
TEST(Numbers, RoundedDivisionAtEveryMagnitude) {
  __extension__ typedef __int128 Wide;
  auto reference = [](Wide n, Wide d) -> int64_t {
    if (d == 0) return 0;
    Wide an = n < 0 ? -n : n, ad = d < 0 ? -d : d;
    Wide q = (2 * an + ad) / (2 * ad);
    if ((n < 0) != (d < 0)) q = -q;
    if (q > INT64_MAX) return INT64_MAX;
    if (q < INT64_MIN) return INT64_MIN;
    return static_cast<int64_t>(q);
  };
  const int64_t values[] = {0,
                            1,
                            -1,
                            2,
                            3,
                            -3,
                            5,
                            7,
                            99,
                            100,
                            -150,
                            250,
                            10000,
                            -10001,
                            (int64_t{1} << 31) + 1,
                            -(int64_t{1} << 40),
                            (int64_t{1} << 61) - 1,
                            int64_t{1} << 61,
                            -(int64_t{1} << 61),
                            (int64_t{1} << 62) + 3,
                            INT64_MAX,
                            INT64_MIN + 1,
                            INT64_MIN};
  for (int64_t n : values) {
    for (int64_t d : values) {
      EXPECT_EQ(script::div_round(n, d), reference(n, d)) << n << " / " << d;
      for (int64_t m : {int64_t{1}, int64_t{-100}, int64_t{3}, int64_t{1} << 33})
        EXPECT_EQ(script::mul_div_round(n, m, d), reference(static_cast<Wide>(n) * m, d))
            << n << " * " << m << " / " << d;
    }
  }
  EXPECT_EQ(script::div_round(5, 2), 3);
  EXPECT_EQ(script::div_round(-5, 2), -3);
  EXPECT_EQ(script::div_round(7, 0), 0);
}

}  // namespace
