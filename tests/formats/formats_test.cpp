// Masks and value formats: the data files for inputs, storage, display,
// masks and dates; code for the locale text, the hooks and the limits.
#include "formats/formats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/messages.h"
#include "core/slots.h"
#include "tests/runner/datafile.h"

namespace {

using core::Text;
using core::operator""_t;

std::string str(Text t) {
  return t.ok() ? std::string(t.ptr, t.len) : "error " + std::to_string(t.len);
}
Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

// A German-like locale as a language module would give it.
const std::string kGermanLocale = std::string(",.'0123456789,-D',' NJ','  ,NEIN,JA'") + '\0' +
                                  "Januar,Februar,M\xE4rz,April,Mai,Juni,Juli,August,September,"
                                  "Oktober,November,Dezember,'[D]. [M] [Y]'" +
                                  '\0' + ' ';

std::map<uint16_t, int32_t> g_words;
int32_t test_status_word(uint16_t index) {
  auto it = g_words.find(index);
  return it == g_words.end() ? 0 : it->second;
}

// The environment a case asks for in its header: lang=XX, locale=builtin
// (the default), es (built from the catalogue) or de, base=, pivot=,
// flags=, compat= (status words 33, 34, 38, 20).
void set_up_case(const testrunner::DataCase& c) {
  g_words = {{core::kSwBYear, 2000}, {core::kSwBkYear, 80}};
  std::string lang = "ES", locale = "builtin";
  for (const std::string& a : c.args) {
    auto eq = a.find('=');
    if (eq == std::string::npos) continue;
    std::string key = a.substr(0, eq), value = a.substr(eq + 1);
    if (key == "lang") lang = value;
    if (key == "locale") locale = value;
    if (key == "base") g_words[core::kSwBYear] = std::stoi(value);
    if (key == "pivot") g_words[core::kSwBkYear] = std::stoi(value);
    if (key == "flags") g_words[core::kSwDate] = std::stoi(value);
    if (key == "compat") g_words[core::kSwCompat] = std::stoi(value);
  }
  formats::formats_status_word_getter_set(test_status_word);
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, txt(lang)), core::kOk);
  if (locale == "es") {
    ASSERT_EQ(formats::locale_build(), core::kOk);
  } else if (locale == "de") {
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLocale, txt(kGermanLocale)), core::kOk);
  }
}

int32_t width_arg(const testrunner::DataCase& c, size_t i) { return std::stoi(c.args.at(i)); }

std::string line(const std::string& input, int n) {
  size_t start = 0;
  for (int i = 0; i < n; ++i) {
    start = input.find('\n', start);
    if (start == std::string::npos) return "";
    ++start;
  }
  return input.substr(start, input.find('\n', start) - start);
}

// Runs each case in a context of its own, so no case sees another's slots.
std::string run_case(const testrunner::DataCase& c) {
  core::CoreContext ctx;
  if (ctx.status() != core::kOk) return "no context";
  set_up_case(c);
  core::ArenaScope scope;
  const std::string& cmd = c.command;
  auto type = [&] { return c.args.at(0).at(0); };
  if (cmd == "input") return str(formats::value_input(type(), txt(c.input), width_arg(c, 1)));
  if (cmd == "store") return str(formats::value_store(type(), txt(c.input), width_arg(c, 1)));
  if (cmd == "display") return str(formats::value_display(type(), txt(c.input), width_arg(c, 1)));
  if (cmd == "default") return str(formats::mask_default(type(), width_arg(c, 1)));
  if (cmd == "clean") return str(formats::number_clean(txt(c.input)));
  if (cmd == "mask") {
    std::string mask = line(c.input, 0), value = line(c.input, 1);
    return str(formats::mask_apply(txt(mask), txt(value)));
  }
  if (cmd == "parse") return str(formats::date_parse(txt(c.input)));
  if (cmd == "format") return str(formats::date_format(txt(c.input), width_arg(c, 0)));
  if (cmd == "widen") return std::to_string(formats::year_widen(std::stoi(c.input)));
  if (cmd == "time") return str(formats::time_format(txt(c.input), width_arg(c, 0)));
  if (cmd == "f6read") return str(formats::date_f6_read(txt(c.input)));
  if (cmd == "f6write") return str(formats::date_f6_write(txt(c.input)));
  return "unknown command " + cmd;
}

class FormatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ctx_.status(), core::kOk);
    formats::formats_today_set_for_test("20240315");
    formats::formats_now_set_for_test("093015");
  }
  void TearDown() override {
    formats::formats_status_word_getter_set(nullptr);
    formats::formats_today_set_for_test(nullptr);
    formats::formats_now_set_for_test(nullptr);
  }
  core::CoreContext ctx_;
};

TEST_F(FormatsTest, FieldCases) {
  testrunner::DataCommands commands(run_case, {"input", "store", "display"});
  testrunner::datafile_run("formats/fields.test");
}

TEST_F(FormatsTest, MaskCases) {
  testrunner::DataCommands commands(run_case, {"default", "mask", "clean"});
  testrunner::datafile_run("formats/masks.test");
}

TEST_F(FormatsTest, DateCases) {
  testrunner::DataCommands commands(run_case,
                                    {"parse", "format", "widen", "time", "f6read", "f6write"});
  testrunner::datafile_run("formats/dates.test");
}

TEST_F(FormatsTest, LocaleBuiltFromTheCatalogue) {
  ASSERT_EQ(formats::locale_build(), core::kOk);
  std::string expected =
      str(core::message_text_c("0019")) + '\0' + str(core::message_text_c("0117")) + '\0' + ' ';
  EXPECT_EQ(str(core::slot_get(core::kGroupEnv, core::kEnvLocale)), expected);
  EXPECT_EQ(formats::locale_decimal(formats::Locale::Current), ',');
  EXPECT_EQ(formats::locale_thousands(formats::Locale::Current), '.');
  EXPECT_EQ(str(formats::locale_numeric_set(formats::Locale::Current)), "0123456789,-D");
  EXPECT_EQ(str(formats::locale_logical_letters(formats::Locale::Current)), " NS");
  EXPECT_EQ(str(formats::locale_logical_word(formats::Locale::Current, 1)), "  ");
  EXPECT_EQ(str(formats::locale_logical_word(formats::Locale::Current, 3)), "SI");
  EXPECT_EQ(str(formats::locale_logical_word(formats::Locale::Current, 4)), "");
  EXPECT_EQ(str(formats::locale_month_name(1)), "Enero");
  EXPECT_EQ(str(formats::locale_month_name(12)), "Diciembre");
  EXPECT_EQ(str(formats::locale_month_name(13)), "");
  EXPECT_EQ(str(formats::locale_long_template()), "[D] de [M] de [Y]");
  // Storage keeps the built-in separators whatever the language.
  EXPECT_EQ(formats::locale_decimal(formats::Locale::BuiltIn), '.');
  EXPECT_EQ(str(formats::locale_logical_word(formats::Locale::BuiltIn, 3)), "YES");
}

TEST_F(FormatsTest, EmptyLocaleSlotReadsTheBuiltInValue) {
  EXPECT_EQ(formats::locale_decimal(formats::Locale::Current), '.');
  EXPECT_EQ(formats::locale_thousands(formats::Locale::Current), ',');
  EXPECT_EQ(str(formats::locale_numeric_set(formats::Locale::Current)), "0123456789.-D");
  EXPECT_EQ(str(formats::locale_logical_letters(formats::Locale::Current)), " NY");
  EXPECT_EQ(str(formats::locale_logical_word(formats::Locale::Current, 2)), "NO");
  // Month names come from the catalogue until a locale is built.
  EXPECT_EQ(str(formats::locale_month_name(2)), "Febrero");
  EXPECT_EQ(str(formats::locale_long_template()), "[D] de [M] de [Y]");
}

TEST_F(FormatsTest, ShortLocaleFallsBackPartByPart) {
  // A module whose 0019 holds only the separators and whose 0117 is cut.
  std::string text = std::string(";:") + '\0' + "Jan,Feb" + '\0' + ' ';
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLocale, txt(text)), core::kOk);
  EXPECT_EQ(formats::locale_decimal(formats::Locale::Current), ';');
  EXPECT_EQ(formats::locale_thousands(formats::Locale::Current), ':');
  EXPECT_EQ(str(formats::locale_logical_letters(formats::Locale::Current)), " NY");
  EXPECT_EQ(str(formats::locale_logical_word(formats::Locale::Current, 3)), "YES");
  EXPECT_EQ(str(formats::locale_month_name(2)), "Feb");
  EXPECT_EQ(str(formats::locale_month_name(3)), "");
  core::ArenaScope scope;
  EXPECT_EQ(str(formats::date_format("20240315"_t, 4)), "");
  EXPECT_EQ(str(formats::value_display('2', "   1234.50"_t, 10)), "   1234;50");
}

TEST_F(FormatsTest, StatusWordHookAndDefaults) {
  EXPECT_EQ(formats::status_word(core::kSwBYear), 2000);
  EXPECT_EQ(formats::status_word(core::kSwBkYear), 80);
  EXPECT_EQ(formats::status_word(core::kSwDate), 0);
  EXPECT_EQ(formats::status_word(5), 0);
  EXPECT_EQ(formats::year_widen(79), 2079);
  EXPECT_EQ(formats::year_widen(80), 1980);

  g_words = {{core::kSwBYear, 1900}, {core::kSwBkYear, 30}, {core::kSwDate, 1}};
  formats::formats_status_word_getter_set(test_status_word);
  EXPECT_EQ(formats::year_widen(29), 1929);
  EXPECT_EQ(formats::year_widen(30), 1830);
  core::ArenaScope scope;
  EXPECT_EQ(str(formats::date_parse(""_t)), "        ");
  EXPECT_EQ(str(formats::value_display('D', "        "_t, 8)), "        ");

  formats::formats_status_word_getter_set(nullptr);
  EXPECT_EQ(formats::year_widen(29), 2029);
  EXPECT_EQ(str(formats::date_parse(""_t)), "20240315");
}

TEST_F(FormatsTest, ClockPinsAndSystemClock) {
  core::ArenaScope scope;
  EXPECT_EQ(str(formats::today_text()), "20240315");
  EXPECT_EQ(str(formats::time_format(""_t, 1)), "09:30");
  formats::formats_today_set_for_test(nullptr);
  formats::formats_now_set_for_test(nullptr);
  Text today = formats::today_text();
  ASSERT_TRUE(today.ok());
  EXPECT_EQ(today.len, 8);
  EXPECT_EQ(str(formats::date_parse(today)), str(today));  // a real calendar date
  EXPECT_EQ(formats::time_format(""_t, 0).len, 8);
}

TEST_F(FormatsTest, ErrorValuesPassThrough) {
  const Text err = core::text_error_value(core::NOVALUE);
  core::ArenaScope scope;
  for (char type : std::string("ABCDFLNPV2")) {
    EXPECT_EQ(str(formats::value_input(type, err, 10)), "error 163") << type;
    EXPECT_EQ(str(formats::value_store(type, err, 10)), "error 163") << type;
    EXPECT_EQ(str(formats::value_display(type, err, 10)), "error 163") << type;
  }
  EXPECT_EQ(str(formats::mask_apply(err, "1"_t)), "error 163");
  EXPECT_EQ(str(formats::mask_apply("###"_t, err)), "error 163");
  EXPECT_EQ(str(formats::number_clean(err)), "error 163");
  EXPECT_EQ(str(formats::date_parse(err)), "error 163");
  EXPECT_EQ(str(formats::date_format(err, 4)), "error 163");
  EXPECT_EQ(str(formats::time_format(err, 0)), "error 163");
  // An empty mask leaves the value as it is.
  EXPECT_EQ(str(formats::mask_apply(""_t, "value"_t)), "value");
}

// Each call leaves exactly its result on the arena.
TEST_F(FormatsTest, LeavesOnlyItsResultOnTheArena) {
  ASSERT_EQ(formats::locale_build(), core::kOk);
  uint16_t mark = core::arena_mark();
  Text shown = formats::value_display('2', "-1234.5"_t, 12);
  EXPECT_EQ(core::arena_mark(), mark + 1);
  EXPECT_EQ(str(shown), "    -1234,50");
  core::arena_release(mark);
  Text typed = formats::value_input('N', "12D3"_t, 8);
  EXPECT_EQ(core::arena_mark(), mark + 1);
  EXPECT_EQ(str(typed), "   12000");
  core::arena_release(mark);
  Text long_date = formats::date_format("20241201"_t, 4);
  EXPECT_EQ(core::arena_mark(), mark + 1);
  EXPECT_EQ(str(long_date), "[01] de [Diciembre] de [2024]");
  core::arena_release(mark);
  EXPECT_EQ(formats::locale_build(), core::kOk);
  EXPECT_EQ(core::arena_mark(), mark);
}

TEST_F(FormatsTest, LongValuesMasksAndWidths) {
  core::ArenaScope scope;
  // A 30-digit number in a mask of 20,000 digit positions.
  std::string mask(20000, '#');
  mask[19997] = '.';
  std::string digits = "123456789012345678901234567890.125";
  Text r = formats::mask_apply(txt(mask), txt(digits));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.len, 20000);
  EXPECT_EQ(str(core::text_trim(r, core::kTrimLeft)), "123456789012345678901234567890.13");
  core::arena_release(scope.mark());

  // A value far longer than a text mask is cut at the mask.
  std::string value(30000, 'x');
  r = formats::mask_apply("\\\\\\"_t, txt(value));
  EXPECT_EQ(str(r), "xxx");
  EXPECT_EQ(str(formats::value_store('A', txt(value), 4)), "xxxx");
  core::arena_release(scope.mark());

  // Widths beyond 16 bits are errors, never cut or overflowed.
  EXPECT_EQ(str(formats::value_store('A', "x"_t, 65536)), "error 146");
  EXPECT_EQ(str(formats::value_display('N', "1"_t, 70000)), "error 146");
  EXPECT_EQ(str(formats::value_input('C', "1"_t, 65536)), "error 146");
  // A field wider than the arena is its error, not a crash.
  EXPECT_EQ(str(formats::value_store('V', ""_t, 65535)), "error 145");
  Text wide = formats::value_store('V', ""_t, 30000);
  EXPECT_EQ(wide.len, 30000);
  core::arena_release(scope.mark());

  // A "D" suffix standing for more digits than any field.
  EXPECT_EQ(str(formats::value_input('N', "1D99999"_t, 10)), "error 168");
  EXPECT_EQ(str(formats::value_input('N', "1D99999"_t, -1)), "error 146");
  EXPECT_EQ(str(formats::mask_apply("#####"_t, "-9D4"_t)), "error 168");

  // A long date template whose month names would pass 65,535 bytes.
  std::string months;
  for (int i = 0; i < 12; ++i) months += "Mmmm,";
  std::string tpl(20000, 'M');
  std::string locale = std::string(".,") + '\0' + months + "'" + tpl + "'" + '\0' + ' ';
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLocale, txt(locale)), core::kOk);
  EXPECT_EQ(str(formats::date_format("20240315"_t, 4)), "error 146");
}

}  // namespace
