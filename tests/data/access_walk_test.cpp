// The indexed statements visit exactly the rows the plain statements visit.
// Tables full of NULLs, blank texts, zeros, negative numbers and runs of
// equal keys are walked both ways (first to end, last to start, and long
// random sequences of moves and finds) and every step is compared: its
// status and the key it lands on, and for each run of equal keys the rows
// it holds (rows that tie on every ordering column may come in either
// order).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/arena.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/session.h"
#include "tests/data/access_fixture.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;
using core::Status;

struct Step {
  int status = 0;
  std::string key;
  std::string order;   // the ordering columns of the record
  std::string record;
};

class AccessWalk : public datatest::AccessTest {
 protected:
  // t: K1 character(3), K2 numeric(4), K3 character(2), V numeric(6,2), W character(4).
  // Keys: 1 = K1+K2+K3, 2 = K2 (numeric alone), 3 = default key on K1
  // (ordered by K1, K2, K3).
  void make_table(uint32_t seed, int rows) {
    sql("CREATE TABLE t (\"K1\" character(3), \"K2\" numeric(4), \"K3\" character(2), "
        "\"V\" numeric(6,2), \"W\" character(4));");
    const char* k1[] = {"NULL", "''", "'a'", "'b'", "' c'", "'a'"};
    const char* k2[] = {"NULL", "0", "-1", "1", "2", "0"};
    const char* k3[] = {"NULL", "''", "'x'", "'y'"};
    std::string values;
    uint32_t s = seed;
    auto next = [&s](uint32_t n) {
      s = s * 1103515245u + 12345u;
      return (s >> 16) % n;
    };
    for (int i = 0; i < rows; ++i) {
      if (!values.empty()) values += ",";
      values += std::string("(") + k1[next(6)] + "," + k2[next(6)] + "," + k3[next(4)] + "," +
                std::to_string(next(50)) + ".25,'w" + std::to_string(i % 7) + "')";
    }
    sql("INSERT INTO t VALUES " + values + ";");
    ASSERT_EQ(data::dict_add_file(0, "t"_t, ""_t), core::kOk);
    ASSERT_EQ(data::dict_add_field("K1"_t, 3, 'A'), core::kOk);
    ASSERT_EQ(data::dict_add_field("K2"_t, 4, 'N'), core::kOk);
    ASSERT_EQ(data::dict_add_field("K3"_t, 2, 'A'), core::kOk);
    ASSERT_EQ(data::dict_add_field("V"_t, 6, '2'), core::kOk);
    ASSERT_EQ(data::dict_add_field("W"_t, 4, 'A'), core::kOk);
    data::KeySegment key1[] = {{0, 3}, {3, 4}, {7, 2}};
    ASSERT_EQ(data::dict_add_key(1, key1, 3), core::kOk);
    data::KeySegment key2[] = {{3, 4}};
    ASSERT_EQ(data::dict_add_key(1, key2, 1), core::kOk);
    ASSERT_EQ(data::dict_add_default_key(1), core::kOk);
    for (uint16_t k = 1; k <= 3; ++k) create_index(1, k, false);
  }

  Step step(Status st) {
    core::ArenaScope scope;
    Step s;
    s.status = st;
    s.key = str(data::key_value(1, static_cast<uint16_t>(data::access_key(1)), data::Buffer::Current));
    s.record = str(data::buffer_get(1, data::Buffer::Current));
    // Key 2 orders by K2 alone, the others by K1, K2, K3 (the first 9 bytes).
    s.order = data::access_key(1) == 2 ? s.record.substr(3, 4) : s.record.substr(0, 9);
    return s;
  }

  std::vector<Step> walk(data::SqlForm form, int key, int start, int move, bool ahead = true) {
    data::access_read_ahead_set(ahead);
    data::access_sql_form_set(form);
    EXPECT_EQ(data::access_open(1, 0), core::kOk);
    EXPECT_EQ(data::access_set_key(1, key), key);
    std::vector<Step> steps;
    Status st = data::access_navigate(1, start);
    for (int guard = 0; guard < 2000; ++guard) {
      steps.push_back(step(st));
      if (st != 0) break;
      st = data::access_navigate(1, move);
    }
    return steps;
  }

  // Random moves and finds from one seed; finds search keys taken from the
  // table's own values and blanks.
  std::vector<Step> wander(data::SqlForm form, int key, uint32_t seed, int count, bool ahead = true) {
    data::access_read_ahead_set(ahead);
    data::access_sql_form_set(form);
    EXPECT_EQ(data::access_open(1, 0), core::kOk);
    EXPECT_EQ(data::access_set_key(1, key), key);
    const char* values[] = {"", "a  ", "b     0x ", "   ", "a     1", "   -1", " c  2y"};
    const int moves[] = {data::kNavNext, data::kNavNext, data::kNavNext, data::kNavPrevious,
                         data::kNavPrevious, data::kNavFirst, data::kNavLast, -1, -2,
                         data::kNavNext, data::kNavNext, data::kNavNext};
    std::vector<Step> steps;
    uint32_t s = seed;
    for (int i = 0; i < count; ++i) {
      s = s * 1103515245u + 12345u;
      int move = moves[(s >> 16) % 12];
      Status st;
      if (move < 0) {
        const char* v = values[(s >> 8) % 7];
        int flags = move == -2 ? data::kFindAtOrAfter : 0;
        st = data::access_find(1, key, txt(key == 2 ? std::string(v).substr(0, 4) : v), flags);
      } else {
        st = data::access_navigate(1, move);
      }
      steps.push_back(step(st));
    }
    return steps;
  }
};

// Every step lands with the same status on the same key and ordering
// columns; rows that tie on all of them are the same to a move.
void expect_same_steps(const std::vector<Step>& plain, const std::vector<Step>& indexed,
                       const std::string& what) {
  ASSERT_EQ(plain.size(), indexed.size()) << what;
  for (size_t i = 0; i < plain.size(); ++i) {
    ASSERT_EQ(plain[i].status, indexed[i].status) << what << " step " << i;
    ASSERT_EQ(plain[i].key, indexed[i].key) << what << " step " << i;
    ASSERT_EQ(plain[i].order, indexed[i].order) << what << " step " << i;
  }
}

// A walk from end to end also visits the same rows: consecutive steps on
// the same key form a run, and the runs hold the same rows.
void expect_same_walk(const std::vector<Step>& plain, const std::vector<Step>& indexed,
                      const std::string& what) {
  expect_same_steps(plain, indexed, what);
  ASSERT_EQ(plain.size(), indexed.size()) << what;
  size_t i = 0;
  while (i < plain.size()) {
    size_t j = i;
    std::vector<std::string> a, b;
    while (j < plain.size() && plain[j].key == plain[i].key && plain[j].status == plain[i].status) {
      ASSERT_EQ(plain[j].status, indexed[j].status) << what << " step " << j;
      ASSERT_EQ(plain[j].key, indexed[j].key) << what << " step " << j;
      a.push_back(plain[j].record);
      b.push_back(indexed[j].record);
      ++j;
    }
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    ASSERT_EQ(a, b) << what << " run from step " << i;
    i = j;
  }
}

TEST_F(AccessWalk, IndexedMovesVisitTheRowsOfThePlainMoves) {
  make_table(7, 400);
  for (int key = 1; key <= 3; ++key) {
    std::string k = "key " + std::to_string(key);
    auto forward = walk(data::SqlForm::Described, key, data::kNavFirst, data::kNavNext);
    expect_same_walk(forward, walk(data::SqlForm::Indexed, key, data::kNavFirst, data::kNavNext),
                     k + " forward");
    auto backward = walk(data::SqlForm::Described, key, data::kNavLast, data::kNavPrevious);
    expect_same_walk(backward, walk(data::SqlForm::Indexed, key, data::kNavLast, data::kNavPrevious),
                     k + " backward");
    // The walks do meet NULLs, blanks and runs.
    EXPECT_GT(forward.size(), 10u) << k;
    for (uint32_t seed : {1u, 2u, 3u}) {
      auto plain = wander(data::SqlForm::Described, key, seed, 300);
      expect_same_steps(plain, wander(data::SqlForm::Indexed, key, seed, 300),
                       k + " seed " + std::to_string(seed));
    }
  }
}

TEST_F(AccessWalk, SmallTablesOfOnlyBlanksAndNulls) {
  for (uint32_t seed : {11u, 12u, 13u, 14u}) {
    SCOPED_TRACE(seed);
    reset_tables();
    make_table(seed, 12);
    for (int key = 1; key <= 3; ++key) {
      expect_same_walk(walk(data::SqlForm::Described, key, data::kNavFirst, data::kNavNext),
                       walk(data::SqlForm::Indexed, key, data::kNavFirst, data::kNavNext), "forward");
      expect_same_steps(wander(data::SqlForm::Described, key, seed, 80),
                       wander(data::SqlForm::Indexed, key, seed, 80), "wander");
    }
  }
}

// A walk served from the rows read ahead lands on exactly the records the
// single-row moves land on: forward from the start, and among random
// moves, finds and writes.
TEST_F(AccessWalk, ReadAheadVisitsTheRecordsOfSingleRowMoves) {
  make_table(21, 900);
  for (data::SqlForm form : {data::SqlForm::Indexed, data::SqlForm::Described}) {
    for (int key = 1; key <= 3; ++key) {
      std::string k = "key " + std::to_string(key);
      auto single = walk(form, key, data::kNavFirst, data::kNavNext, false);
      auto ahead = walk(form, key, data::kNavFirst, data::kNavNext, true);
      ASSERT_EQ(single.size(), ahead.size()) << k;
      for (size_t i = 0; i < single.size(); ++i) {
        ASSERT_EQ(single[i].status, ahead[i].status) << k << " step " << i;
        // Records inside runs of equal keys are not served ahead, so even
        // rows that tie come in the same order.
        ASSERT_EQ(single[i].record, ahead[i].record) << k << " step " << i;
      }
      for (uint32_t seed : {4u, 5u}) {
        auto plain = wander(form, key, seed, 400, false);
        auto served = wander(form, key, seed, 400, true);
        ASSERT_EQ(plain.size(), served.size());
        for (size_t i = 0; i < plain.size(); ++i) {
          ASSERT_EQ(plain[i].status, served[i].status) << k << " seed " << seed << " step " << i;
          ASSERT_EQ(plain[i].record, served[i].record) << k << " seed " << seed << " step " << i;
        }
      }
    }
  }
  data::access_read_ahead_set(true);
}

// A unique key walked from end to end reads its rows in a few blocks.
TEST_F(AccessWalk, ReadAheadSendsBlocksInsteadOfMoves) {
  ASSERT_EQ(define_file("t", {{"K1", 6, 'A'}, {"V", 6, 'N'}}, {{1}}, true), 1);
  sql("INSERT INTO t SELECT lpad(i::text, 6, '0'), i FROM generate_series(1, 1500) i;");
  (void)sent();
  auto steps = walk(data::SqlForm::Indexed, 1, data::kNavFirst, data::kNavNext);
  ASSERT_EQ(steps.size(), 1501u);
  EXPECT_EQ(steps[1499].key, "001500");
  EXPECT_EQ(steps.back().status, data::kStatusEnd);
  auto statements = sent();
  EXPECT_LT(statements.size(), 20u);
}

// Between the moves of a walk, anything that changes rows or the record
// the file stands on is seen by the next move as a single-row move sees it.
TEST_F(AccessWalk, ReadAheadSeesWritesAndChangedKeys) {
  ASSERT_EQ(define_file("t", {{"K1", 6, 'A'}, {"V", 6, 'N'}}, {{1}}, true), 1);
  sql("INSERT INTO t SELECT lpad((i * 10)::text, 6, '0'), i FROM generate_series(1, 200) i;");
  ASSERT_EQ(data::access_open(1, 0), core::kOk);
  ASSERT_EQ(data::access_navigate(1, data::kNavFirst), 0);
  auto key_now = [] {
    core::ArenaScope scope;
    return str(data::key_value(1, 1, data::Buffer::Current));
  };
  for (int i = 0; i < 10; ++i) ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  ASSERT_EQ(key_now(), "000110");
  // A row written by the application's own SQL just ahead of the walk,
  // and one removed.
  ASSERT_EQ(data::sql_exec_simple("INSERT INTO t VALUES ('000115', 0);"_t), core::kOk);
  ASSERT_EQ(data::sql_exec_simple("DELETE FROM t WHERE \"K1\" = '000130';"_t), core::kOk);
  ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(key_now(), "000115");
  for (int i = 0; i < 5; ++i) ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(key_now(), "000170");
  // A row inserted through the file itself.
  ASSERT_EQ(data::buffer_put(1, data::Buffer::Current, "000175     0"_t), core::kOk);
  ASSERT_EQ(data::access_insert(1), core::kOk);
  ASSERT_EQ(data::access_find(1, 1, "000170"_t, 0), 0);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(key_now(), "000210");
  // The key typed into the buffer is where the next move starts from.
  ASSERT_EQ(data::buffer_put(1, data::Buffer::Current, "000505     0"_t), core::kOk);
  ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(key_now(), "000510");
  ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(key_now(), "000520");
}

}  // namespace
