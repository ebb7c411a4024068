// The SQL of keyed access as data-file cases: a dictionary, a key value, a
// move -> the statement text, in the plain and the indexed form.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "data/access.h"
#include "data/context.h"
#include "data/dictionary.h"
#include "data/internal/access_sql.h"
#include "script/variables.h"
#include "tests/data/pg_test.h"
#include "tests/runner/datafile.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

// lines: DOC A6, LINE N3, AMT 2 10, NAME A12; keys DOC+LINE, NAME, AMT.
// docs:  DOC A6, N_LINE N3, TOTAL 2 12; the default key (DOC, ordered by
// all three fields).
void make_dictionary() {
  ASSERT_EQ(data::dict_add_file(0, "lines"_t, ""_t), core::kOk);
  ASSERT_EQ(data::dict_add_field("DOC"_t, 6, 'A'), core::kOk);
  ASSERT_EQ(data::dict_add_field("LINE"_t, 3, 'N'), core::kOk);
  ASSERT_EQ(data::dict_add_field("AMT"_t, 10, '2'), core::kOk);
  ASSERT_EQ(data::dict_add_field("NAME"_t, 12, 'A'), core::kOk);
  data::KeySegment k1[] = {{0, 6}, {6, 3}};
  ASSERT_EQ(data::dict_add_key(1, k1, 2), core::kOk);
  data::KeySegment k2[] = {{19, 12}};
  ASSERT_EQ(data::dict_add_key(1, k2, 1), core::kOk);
  data::KeySegment k3[] = {{9, 10}};
  ASSERT_EQ(data::dict_add_key(1, k3, 1), core::kOk);
  ASSERT_EQ(data::dict_add_file(0, "docs"_t, ""_t), core::kOk);
  ASSERT_EQ(data::dict_add_field("DOC"_t, 6, 'A'), core::kOk);
  ASSERT_EQ(data::dict_add_field("N_LINE"_t, 3, 'N'), core::kOk);
  ASSERT_EQ(data::dict_add_field("TOTAL"_t, 12, '2'), core::kOk);
  ASSERT_EQ(data::dict_add_default_key(2), core::kOk);
}

std::map<std::string, std::string> options(const testrunner::DataCase& c) {
  std::map<std::string, std::string> o = {{"form", "indexed"}, {"key", "1"}, {"file", "1"}};
  for (const std::string& a : c.args) {
    size_t eq = a.find('=');
    if (eq != std::string::npos) o[a.substr(0, eq)] = a.substr(eq + 1);
  }
  return o;
}

std::vector<std::string> lines(const std::string& input) {
  std::vector<std::string> out;
  std::istringstream in(input);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  out.resize(3);
  return out;
}

// Header: command [form=indexed|plain|compat] [key=K] [file=F] [at_most=N].
// Commands: first, last, next, previous, find, findafter (input: the key
// value); count, block (input: from, to or limit, and for block the
// condition); run (input: the key value); cond (input: an expression);
// index (unique=0|1).
std::string run_case(const testrunner::DataCase& c) {
  core::CoreContext core;
  script::ScriptContext script;
  data::DataContext data;
  make_dictionary();
  auto o = options(c);
  data::access_sql_form_set(o["form"] == "indexed" ? data::SqlForm::Indexed
                                                   : data::SqlForm::Described);
  if (o["form"] == "compat") script::var_set_int(core::kSwSysCompat, 1);
  auto file = static_cast<uint16_t>(std::stoi(o["file"]));
  int key = std::stoi(o["key"]);
  script::var_set_int(core::kSwCurFil, static_cast<int16_t>(file));
  EXPECT_EQ(data::access_set_key(file, key), key);
  std::vector<std::string> in = lines(c.input);
  core::ArenaScope scope;
  static const std::map<std::string, std::pair<int, int>> moves = {
      {"first", {data::kNavFirst, 0}}, {"last", {data::kNavLast, 0}},
      {"next", {data::kNavNext, 0}},   {"previous", {data::kNavPrevious, 0}},
      {"find", {data::kNavFind, 0}},   {"findafter", {data::kNavFind, data::kFindAtOrAfter}}};
  auto move = moves.find(c.command);
  if (move != moves.end())
    return str(data::access_move_sql(file, move->second.first, txt(in[0]), move->second.second));
  if (c.command == "cond") return str(data::access_condition(txt(in[0])));
  if (c.command == "index")
    return str(data::access_index_definition(file, static_cast<uint16_t>(key), o["unique"] == "1"));
  namespace di = data::internal;
  di::KeyInfo info;
  EXPECT_EQ(di::key_info(file, static_cast<uint16_t>(key), &info), core::kOk);
  di::SqlTarget t = di::sql_target(file);
  if (c.command == "run") {
    di::Range r = di::range_make(info, txt(in[0]), txt(in[0]), 1, 5, false, "");
    return di::sql_plain(di::run_sql(t, r));
  }
  if (c.command == "count") {
    di::Range r = di::range_make(info, txt(in[0]), txt(in[1]), 3, 5, false, "");
    return di::sql_plain(di::count_sql(t, r, o.count("at_most") ? std::stoi(o["at_most"]) : 0));
  }
  if (c.command == "block") {
    std::string cond = str(data::access_condition(txt(in[2])));
    di::Range r = di::range_make(info, txt(in[0]), txt(in[1]), 3, 5, false, cond);
    return di::sql_plain(di::select_sql(t, r, false, data::kBlockRows));
  }
  return "unknown command " + c.command;
}

}  // namespace

TEST(AccessSql, Cases) {
  testrunner::DataCommands commands(run_case, {"next", "previous", "findafter", "find", "first",
                                               "last", "count", "run", "block", "cond", "index"});
  testrunner::datafile_run("data/access_sql.test");
}
