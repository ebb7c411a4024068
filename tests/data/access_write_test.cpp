// Writes against the server: insert, save, delete, update by key, and the
// checks that keep a stale or ambiguous record from being written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/arena.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "script/variables.h"
#include "tests/data/access_fixture.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

class AccessWrite : public datatest::AccessTest {
 protected:
  // items: CODE A4, QTY N4, PRICE 2 8, NOTE A6; key 1 CODE, key 2 QTY.
  void SetUp() override {
    AccessTest::SetUp();
    define_file("items", {{"CODE", 4, 'A'}, {"QTY", 4, 'N'}, {"PRICE", 8, '2'}, {"NOTE", 6, 'A'}},
                {{1}, {2}});
  }
  void put(uint16_t field, const char* value) {
    ASSERT_EQ(data::field_put(1, field, txt(value)), core::kOk);
  }
  std::string rows() { return sql("SELECT \"CODE\" || '|' || coalesce(\"QTY\"::text, '-') || '|' || "
                                  "coalesce(\"PRICE\"::text, '-') || '|' || coalesce(\"NOTE\", '-') "
                                  "FROM items ORDER BY 1;"); }
};

TEST_F(AccessWrite, InsertWritesEveryFieldBlanksAsNull) {
  ASSERT_EQ(data::access_open(1, 0), 0);
  put(1, "A1");
  put(3, "2.5");
  sent();
  EXPECT_EQ(data::access_insert(1), 0);
  EXPECT_EQ(sent(), (std::vector<std::string>{"INSERT INTO items VALUES ('A1',NULL,2.50,NULL);"}));
  EXPECT_EQ(rows(),"A1|-|2.50|-");
}

TEST_F(AccessWrite, InsertLeavesOutTrailingFieldsNamedToBeLeftOut) {
  define_file("docs", {{"DOC", 4, 'A'}, {"NUL", 2, 'A'}, {"KEEP", 2, 'A'}, {"NULL", 2, 'A'},
                       {"AVOID", 3, 'N'}},
              {{1}});
  ASSERT_EQ(data::access_open(2, 0), 0);
  ASSERT_EQ(data::field_put(2, 1, "D1"_t), 0);
  sent();
  EXPECT_EQ(data::access_insert(2), 0);
  // The check runs from the last field back and stops at the first other name.
  EXPECT_EQ(sent(), (std::vector<std::string>{"INSERT INTO docs VALUES ('D1',NULL,NULL);"}));
}

TEST_F(AccessWrite, SaveSendsTheChangedFieldsOnlyAndNothingWhenUnchanged) {
  sql("INSERT INTO items VALUES ('A1', 3, 1.50, 'old'), ('B2', 4, 2, 'other');");
  ASSERT_EQ(data::access_find(1, 1, "A1"_t, 0), 0);
  sent();
  EXPECT_EQ(data::access_save(1), 0);
  EXPECT_TRUE(sent().empty());
  put(2, "7");
  put(4, "it's");
  EXPECT_EQ(data::access_save(1), 0);
  std::vector<std::string> statements = sent();
  ASSERT_EQ(statements.size(), 1u);
  EXPECT_EQ(statements[0].rfind("UPDATE ONLY items SET \"QTY\" = 7,\"NOTE\" = E'it\\x27s' WHERE "
                                "\"CODE\" = 'A1' AND ", 0), 0u) << statements[0];
  EXPECT_EQ(rows(),"A1|7|1.50|it's\nB2|4|2.00|other");
}

TEST_F(AccessWrite, ARowChangedByAnotherUserIsNotOverwritten) {
  sql("INSERT INTO items VALUES ('A1', 3, 1.50, 'old');");
  ASSERT_EQ(data::access_find(1, 1, "A1"_t, 0), 0);
  sql("UPDATE items SET \"PRICE\" = 9 WHERE \"CODE\" = 'A1';");  // another session
  put(2, "8");
  EXPECT_EQ(data::access_save(1), data::kStatusChanged);
  EXPECT_EQ(rows(),"A1|3|9.00|old");
  EXPECT_EQ(data::access_delete(1), data::kStatusChanged);
  EXPECT_EQ(rows(),"A1|3|9.00|old");
  // Read again, the record saves.
  ASSERT_EQ(data::access_find(1, 1, "A1"_t, 0), 0);
  put(2, "8");
  EXPECT_EQ(data::access_save(1), 0);
  EXPECT_EQ(rows(),"A1|8|9.00|old");
}

TEST_F(AccessWrite, AnAmbiguousOrVanishedKeyWritesNothing) {
  sql("INSERT INTO items VALUES ('A1', 3, 1.50, 'old');");
  ASSERT_EQ(data::access_find(1, 1, "A1"_t, 0), 0);
  sql("INSERT INTO items VALUES ('A1', 3, 1.50, 'old');");  // the key is no longer unique
  put(4, "new");
  EXPECT_EQ(data::access_save(1), core::INDEXCMDERROR);
  EXPECT_EQ(data::access_delete(1), core::INDEXCMDERROR);
  EXPECT_EQ(rows(),"A1|3|1.50|old\nA1|3|1.50|old");
  // With bit 16 of status word 13 the count is not checked.
  script::var_set_int(core::kSwUpStat, static_cast<int16_t>(1 | data::kUpNoCountCheck));
  EXPECT_EQ(data::access_save(1), 0);
  EXPECT_EQ(rows(),"A1|3|1.50|new\nA1|3|1.50|new");
  script::var_set_int(core::kSwUpStat, 1);
  sql("DELETE FROM items;");
  EXPECT_EQ(data::access_delete(1), core::INDEXCMDERROR);
}

TEST_F(AccessWrite, DeleteByKeyOneFromAnotherKey) {
  sql("INSERT INTO items VALUES ('A1', 3, 1, 'a'), ('B2', 3, 2, 'b'), ('C3', 5, 3, 'c');");
  EXPECT_EQ(data::access_set_key(1, 2), 2);
  ASSERT_EQ(data::access_navigate(1, data::kNavFirst), 0);
  ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);  // the run of QTY 3
  std::string code = str(data::field_get(1, 1, data::Buffer::Current));
  EXPECT_EQ(data::access_delete(1), 0);
  // The record deleted is the one shown, found again by key 1.
  EXPECT_EQ(sql("SELECT count(*) FROM items WHERE \"CODE\" = '" + code + "';"), "0");
  EXPECT_EQ(sql("SELECT count(*) FROM items;"), "2");
}

TEST_F(AccessWrite, SaveAndDeleteInsideARunOfEqualKeys) {
  // Key 1 is CODE alone, ordered by CODE, QTY, PRICE: a run of three.
  sql("INSERT INTO items VALUES ('A', 1, 1, 'x'), ('A', 1, 2, 'y'), ('A', 1, 3, 'z'), ('B', 1, 4, 'w');");
  ASSERT_EQ(data::access_navigate(1, data::kNavFirst), 0);
  ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(str(data::field_get(1, 4, data::Buffer::Current)), "y     ");
  put(4, "y2");
  EXPECT_EQ(data::access_save(1), 0);
  EXPECT_EQ(sql("SELECT \"NOTE\" FROM items WHERE \"PRICE\" = 2;"), "y2    ");
  // The run goes on from the saved record.
  ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(str(data::field_get(1, 4, data::Buffer::Current)), "z     ");
  EXPECT_EQ(data::access_delete(1), 0);
  // The record before the deleted one is current again.
  EXPECT_EQ(str(data::field_get(1, 4, data::Buffer::Current)), "y2    ");
  EXPECT_EQ(sql("SELECT count(*) FROM items WHERE \"CODE\" = 'A';"), "2");
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(str(data::field_get(1, 1, data::Buffer::Current)), "B   ");
  // A change that moves the record within its run reorders the run: the
  // walk goes on from where the record now stands.
  ASSERT_EQ(data::access_navigate(1, data::kNavFirst), 0);
  put(3, "7");
  EXPECT_EQ(data::access_save(1), 0);
  EXPECT_EQ(data::access_navigate(1, data::kNavPrevious), 0);
  EXPECT_EQ(str(data::field_get(1, 4, data::Buffer::Current)), "y2    ");
  // Deleting the first record of a run leaves the run: the next move goes
  // by key (the delete action finds its key again instead).
  EXPECT_EQ(data::access_delete(1), 0);
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(str(data::field_get(1, 4, data::Buffer::Current)), "w     ");
  EXPECT_EQ(data::access_find(1, 1, "A"_t, data::kFindAtOrAfter), 0);
  EXPECT_EQ(str(data::field_get(1, 4, data::Buffer::Current)), "x     ");
}

TEST_F(AccessWrite, UpdateByKeyInsertsTheMissingRow) {
  EXPECT_EQ(data::access_update_by_key(1, 1, "T1"_t, "\"QTY\" = COALESCE(\"QTY\", 0) + 5"_t, 0), 0);
  EXPECT_EQ(rows(),"");
  EXPECT_EQ(data::access_update_by_key(1, 1, "T1"_t, "\"QTY\" = COALESCE(\"QTY\", 0) + 5"_t,
                                       data::kUpdateInsert), 0);
  EXPECT_EQ(data::access_update_by_key(1, 1, "T1"_t, "\"QTY\" = COALESCE(\"QTY\", 0) + 5"_t,
                                       data::kUpdateInsert), 0);
  EXPECT_EQ(rows(),"T1|10|-|-");
  // An empty key would name every row.
  EXPECT_EQ(data::access_update_by_key(1, 1, ""_t, "\"QTY\" = 0"_t, 0), data::kStatusBadKey);
  EXPECT_EQ(rows(),"T1|10|-|-");
}

TEST_F(AccessWrite, CountsRangesAndEqualKeys) {
  sql("INSERT INTO items VALUES ('A', 1, 1, 'x'), ('B', 2, 2, 'y'), ('C', 3, 3, 'z'), ('D', 3, 3, 'z');");
  EXPECT_EQ(data::access_count(1, 1, "B"_t, "C"_t, ""_t), 2);
  EXPECT_EQ(data::access_count(1, 1, "B"_t, "\xFF"_t, ""_t), 3);
  EXPECT_EQ(data::access_count(1, 2, "   3"_t, "   3"_t, ""_t), 2);
  EXPECT_EQ(data::access_count(1, 1, "A"_t, "D"_t, "\"QTY\" > 1"_t), 3);
}

TEST_F(AccessWrite, TriggersSwitchAndTheirBit) {
  EXPECT_EQ(data::access_triggers(1, false), 0);
  EXPECT_EQ(script::var_get_int(core::kSwUpStat) & data::kUpRulesOn, 0);
  EXPECT_EQ(data::access_triggers(1, true), 0);
  EXPECT_EQ(script::var_get_int(core::kSwUpStat) & data::kUpRulesOn, data::kUpRulesOn);
  EXPECT_EQ(sent(), (std::vector<std::string>{"ALTER TABLE items DISABLE TRIGGER USER;",
                                              "ALTER TABLE items ENABLE TRIGGER USER;"}));
  // Outside a transaction a commit has nothing to send.
  EXPECT_EQ(data::access_commit(), 0);
  EXPECT_TRUE(sent().empty());
}

}  // namespace
