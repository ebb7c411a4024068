// Every statement of a move, a find or a count is answered from the key's
// index: the server's plans for them hold no scan of the whole table and
// no sort. (The plain statements, for comparison, scan the table.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/access.h"
#include "data/dictionary.h"
#include "tests/data/access_fixture.h"

namespace {

using core::operator""_t;

class AccessPlan : public datatest::AccessTest {
 protected:
  // t: K1 A3, K2 N4, V A8; key 1 K1+K2, key 2 K2, key 3 field 1 alone
  // (the default key). 20,000 rows with NULLs, blanks, zeros, negative
  // numbers and runs of equal keys.
  void SetUp() override {
    AccessTest::SetUp();
    define_file("t", {{"K1", 3, 'A'}, {"K2", 4, 'N'}, {"V", 8, 'A'}}, {{1, 2}, {2}});
    ASSERT_EQ(data::dict_add_default_key(1), core::kOk);
    create_index(1, 3, false);
    sql("INSERT INTO t SELECT CASE WHEN i % 13 = 0 THEN NULL WHEN i % 13 = 1 THEN '' "
        "ELSE chr(97 + i % 26) || (i % 7) END, CASE WHEN i % 11 = 0 THEN NULL ELSE i % 40 - 5 END, "
        "'v' || i FROM generate_series(1, 20000) i;");
    sql("ANALYZE t;");
  }

  // Moves of every kind from a few starting points; the statements sent.
  std::vector<std::string> moves(int key) {
    EXPECT_EQ(data::access_open(1, 0), 0);
    EXPECT_EQ(data::access_set_key(1, key), key);
    sent();
    const char* starts[] = {"a1", "", "   ", "   -3", "z6  30", "m"};
    const char* numbers[] = {"  10", "", "    ", "  -3", "  30", "   0"};
    for (int k = 0; k < 6; ++k) {
      std::string v = key == 2 ? numbers[k] : starts[k];
      static_cast<void>(data::access_find(1, key, datatest::txt(v), data::kFindAtOrAfter));
      static_cast<void>(data::access_find(1, key, datatest::txt(v), 0));
      for (int i = 0; i < 3; ++i) static_cast<void>(data::access_navigate(1, data::kNavNext));
      for (int i = 0; i < 3; ++i) static_cast<void>(data::access_navigate(1, data::kNavPrevious));
    }
    static_cast<void>(data::access_navigate(1, data::kNavFirst));
    static_cast<void>(data::access_navigate(1, data::kNavLast));
    std::vector<std::string> selects;
    for (const std::string& s : sent())
      if (s.rfind("SELECT", 0) == 0) selects.push_back(s);
    return selects;
  }

  // The rows the server read and threw away answering the statement (the
  // rows its filters removed), or -1 when it scanned the whole table.
  long wasted(const std::string& statement) {
    std::string plan = sql("EXPLAIN (ANALYZE, COSTS OFF, TIMING OFF) " + statement);
    if (plan.find("Seq Scan") != std::string::npos) return -1;
    long removed = 0;
    const std::string mark = "Rows Removed by Filter: ";
    for (size_t at = plan.find(mark); at != std::string::npos; at = plan.find(mark, at + 1))
      removed += std::atol(plan.c_str() + at + mark.size());
    return removed;
  }
};

// The server reads only the rows a move lands on.
TEST_F(AccessPlan, MovesFindsAndCountsReadTheIndexOnly) {
  for (int key = 1; key <= 3; ++key) {
    std::vector<std::string> selects = moves(key);
    EXPECT_GT(selects.size(), 15u);
    for (const std::string& s : selects) EXPECT_EQ(wasted(s), 0) << s;
  }
}

// The plain statements, for comparison, read past thousands of rows.
TEST_F(AccessPlan, ThePlainStatementsReadFarMore) {
  data::access_sql_form_set(data::SqlForm::Described);
  long total = 0;
  for (const std::string& s : moves(1)) {
    long w = wasted(s);
    total += w < 0 ? 20000 : w;
  }
  EXPECT_GT(total, 20000);
}

}  // namespace
