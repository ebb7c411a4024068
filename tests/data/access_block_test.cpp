// Blocks of rows for grids, and delete ranges with their relational
// effects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/arena.h"
#include "core/slots.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/relup.h"
#include "script/variables.h"
#include "tests/data/access_fixture.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

class AccessBlock : public datatest::AccessTest {
 protected:
  // lines: DOC A4, N_LINE N3, AMT 2 8; the default key (DOC, ordered by
  // DOC, N_LINE, AMT). 171 documents of 7 lines, DOC "D001" to "D171".
  void SetUp() override {
    AccessTest::SetUp();
    define_file("lines", {{"DOC", 4, 'A'}, {"N_LINE", 3, 'N'}, {"AMT", 8, '2'}}, {});
    sql("INSERT INTO lines SELECT 'D' || lpad((1 + i / 7)::text, 3, '0'), i % 7, i "
        "FROM generate_series(0, 1196) i;");
  }
  std::string key() {
    core::ArenaScope scope;
    return str(data::buffer_get(1, data::Buffer::Current)).substr(0, 7);
  }
};

TEST_F(AccessBlock, BlocksEndAtAKeyBoundaryAndTheNextOneStartsThere) {
  ASSERT_EQ(data::access_block_read(1, 1, "D001"_t, "\xFF"_t, ""_t), 0);
  EXPECT_EQ(data::access_block_rows(1), data::kBlockRows);
  // Row 511 is line 0 of D074 (511 = 73 * 7): the block ends after D073.
  EXPECT_EQ(data::access_block_boundary(1), 510);
  std::vector<std::string> keys = {key()};
  core::Status st = 0;
  while ((st = data::access_block_next(1)) == 0) keys.push_back(key());
  EXPECT_EQ(st, data::kStatusEnd);
  ASSERT_EQ(keys.size(), 1197u);  // every row once, in order
  for (size_t i = 1; i < keys.size(); ++i) ASSERT_LT(keys[i - 1], keys[i]) << i;
  EXPECT_EQ(keys[511], "D074  0");
}

TEST_F(AccessBlock, LimitsConditionsAndTheLock) {
  ASSERT_EQ(data::access_block_read(1, 1, "D010"_t, "D011"_t, "N_LINE{}>=5"_t), 0);
  std::vector<std::string> keys = {key()};
  while (data::access_block_next(1) == 0) keys.push_back(key());
  EXPECT_EQ(keys, (std::vector<std::string>{"D010  5", "D010  6", "D011  5", "D011  6"}));
  EXPECT_EQ(data::access_block_read(1, 1, "X"_t, "\xFF"_t, ""_t), data::kStatusEnd);
  data::access_block_lock(1, true);
  EXPECT_EQ(data::access_block_read(1, 1, "D001"_t, "\xFF"_t, ""_t), core::DATAOUTBOUND);
  data::access_block_lock(1, false);
  EXPECT_EQ(data::access_block_read(1, 1, "D001"_t, "\xFF"_t, "BAD{"_t), core::SINTAXERROR);
}

TEST_F(AccessBlock, DeleteRangeTakesEachRowsEffectAway) {
  define_file("totals", {{"DOC", 4, 'A'}, {"SUM", 2, '2'}}, {{1}});
  // No rule file: the rules come from a test folder of their own.
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), 0);
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvApName, "XX"_t), 0);
  folder_.write("XXRELUPSQL.DAT", "0101_USER01=_USER01+AMT{}*_SGN\r\n");
  EXPECT_EQ(data::access_delete_range(1, 1, "D002"_t, ""_t, data::kRangeRefuseAny), data::kStatusChanged);
  EXPECT_EQ(sql("SELECT count(*) FROM lines;"), "1197");
  EXPECT_EQ(data::access_delete_range(1, 1, "D002"_t, "N_LINE{}<3"_t, 0), 0);
  // Lines 0, 1 and 2 of D002 are 7, 8 and 9: their sum taken away.
  EXPECT_EQ(script::var_get_int(39), -24);
  EXPECT_EQ(sql("SELECT string_agg(\"N_LINE\"::text, ',' ORDER BY 1) FROM lines WHERE \"DOC\" = 'D002';"),
            "3,4,5,6");
  // A rule that fails rolls the whole range back.
  folder_.write("XXRELUPSQL.DAT", "0101NOTHING{}=1\r\n");
  data::relup_reset(1, data::relup_base(1));
  EXPECT_EQ(data::access_delete_range(1, 1, "D003"_t, ""_t, 0), core::SINTAXERROR);
  EXPECT_EQ(sql("SELECT count(*) FROM lines WHERE \"DOC\" = 'D003';"), "7");
  // An empty value would delete everything.
  EXPECT_EQ(data::access_delete_range(1, 1, ""_t, ""_t, 0), data::kStatusBadKey);
}

}  // namespace
