// Record operation words: the write phase, the moves after it, the typed
// key text, the window texts and the statuses a window is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/arena.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/recop.h"
#include "data/records.h"
#include "data/session.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "tests/data/access_fixture.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

class RecordOp : public datatest::AccessTest {
 protected:
  // items: CODE A4, NOTE A6, PRICE 2 8; key 1 CODE (ordered by all three),
  // key 2 NOTE.
  void SetUp() override {
    AccessTest::SetUp();
    define_file("items", {{"CODE", 4, 'A'}, {"NOTE", 6, 'A'}, {"PRICE", 8, '2'}}, {{1}, {2}});
  }
  core::Status op(int word, const data::RecordTexts& texts = data::RecordTexts{}) {
    return data::record_operation(1, word, texts);
  }
  std::string field(uint16_t n) {
    core::ArenaScope scope;
    return str(core::text_trim(data::field_get(1, n, data::Buffer::Current), core::kTrimBoth));
  }
  std::vector<std::string> walk_prices(const std::function<void(int)>& at_step) {
    std::vector<std::string> prices;
    core::Status st = op(data::kWordTop);
    for (int i = 0; st == 0 && i < 50; ++i) {
      prices.push_back(field(3));
      at_step(i);
      st = op(data::kWordNext);
    }
    EXPECT_EQ(st, data::kStatusEnd);
    return prices;
  }
};

TEST_F(RecordOp, NextSavesAnEditedRecordFirstAndNothingOtherwise) {
  sql("INSERT INTO items VALUES ('A', 'a', 1), ('B', 'b', 2), ('C', 'c', 3);");
  ASSERT_EQ(op(data::kWordTop), 0);
  sent();
  EXPECT_EQ(op(data::kWordNext), 0);
  std::vector<std::string> s = sent();
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0].rfind("SELECT * FROM items WHERE \"CODE\" > 'A'", 0), 0u) << s[0];
  ASSERT_EQ(data::field_put(1, 2, "edited"_t), 0);
  EXPECT_EQ(op(data::kWordNext), 0);
  s = sent();
  // The save is a transaction of its own (with the writes its rules would
  // make), committed before the move.
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0], "BEGIN;");
  EXPECT_EQ(s[1].rfind("UPDATE ONLY items SET \"NOTE\" = 'edited' WHERE", 0), 0u) << s[1];
  EXPECT_EQ(s[2], "COMMIT;");
  EXPECT_EQ(s[3].rfind("SELECT * FROM items WHERE \"CODE\" > 'B'", 0), 0u) << s[3];
  EXPECT_EQ(sql("SELECT \"NOTE\" FROM items WHERE \"CODE\" = 'B';"), "edited");
  EXPECT_EQ(field(1), "C");
  EXPECT_EQ(script::var_get_int(core::kSwIer), 0);
  EXPECT_EQ(op(data::kWordNext), data::kStatusEnd);
  EXPECT_EQ(script::var_get_int(core::kSwIer), data::kStatusEnd);
}

TEST_F(RecordOp, PastTheEndNothingTypedIsNoRecordAndSomethingTypedIsInserted) {
  sql("INSERT INTO items VALUES ('A', 'a', 1);");
  ASSERT_EQ(op(data::kWordTop), 0);
  EXPECT_EQ(op(data::kWordNext), data::kStatusEnd);
  sent();
  // Next after the end with nothing typed: no blank record is written.
  EXPECT_EQ(op(data::kWordTop), 0);
  EXPECT_EQ(sql("SELECT count(*) FROM items;"), "1");
  EXPECT_EQ(op(data::kWordNext), data::kStatusEnd);
  // A delete with no current record: 5, nothing sent.
  sent();
  EXPECT_EQ(op(data::kWordDelete), data::kStatusBadKey);
  EXPECT_TRUE(sent().empty());
  // SVE with no current record inserts what was typed.
  ASSERT_EQ(data::field_put(1, 1, "Z"_t), 0);
  ASSERT_EQ(data::field_put(1, 3, "9"_t), 0);
  EXPECT_EQ(op(data::kWordSave), 0);
  EXPECT_EQ(sql("SELECT \"CODE\" || \"PRICE\" FROM items ORDER BY 1;"), "A1.00\nZ9.00");
  // The record as edited became the record as read: a second SVE saves.
  ASSERT_EQ(data::field_put(1, 3, "8"_t), 0);
  EXPECT_EQ(op(data::kWordSave), 0);
  EXPECT_EQ(sql("SELECT \"CODE\" || \"PRICE\" FROM items ORDER BY 1;"), "A1.00\nZ8.00");
}

TEST_F(RecordOp, NewBlanksTheRecordAndRunsTheNewRecordExpression) {
  sql("INSERT INTO items VALUES ('A', 'a', 1);");
  ASSERT_EQ(op(data::kWordTop), 0);
  data::RecordTexts texts;
  texts.new_record = "NOTE{ITEMS}='fresh'"_t;
  EXPECT_EQ(op(data::kWordNew, texts), 0);
  EXPECT_EQ(script::var_get_int(core::kSwIer), data::kStatusNew);
  EXPECT_EQ(field(1), "");
  EXPECT_EQ(field(2), "fresh");
  texts.new_record = "NOTHING{ITEMS}=1"_t;
  EXPECT_EQ(op(data::kWordNew, texts), core::SINTAXERROR);
}

TEST_F(RecordOp, AfterSaveExpressionRulesAndAssignment) {
  sql("INSERT INTO items VALUES ('A', 'a', 1);");
  ASSERT_EQ(op(data::kWordTop), 0);
  data::RecordTexts texts;
  texts.rule_list = "NONE"_t;
  texts.assignment = "PRICE{}=PRICE{}*2"_t;
  texts.after_save = "_USER01=_USER01+1"_t;
  ASSERT_EQ(data::field_put(1, 2, "b"_t), 0);
  EXPECT_EQ(op(data::kWordSave, texts), 0);
  EXPECT_EQ(sql("SELECT \"NOTE\" || \"PRICE\" FROM items;"), "b2.00");
  EXPECT_EQ(script::var_get_int(39), 1);
  // A failing after-save expression is the answer.
  texts.after_save = "NOTHING{}=1"_t;
  ASSERT_EQ(data::field_put(1, 2, "c"_t), 0);
  EXPECT_EQ(op(data::kWordSave, texts), core::SINTAXERROR);
}

TEST_F(RecordOp, FindsAnswerZeroAndTheTypedKeyKeepsTheMoves) {
  sql("INSERT INTO items VALUES ('AA1', 'x', 1), ('AB1', 'y', 2), ('AB2', 'z', 3), ('AC1', 'w', 4);");
  ASSERT_EQ(data::access_open(1, 0), 0);
  ASSERT_EQ(data::field_put(1, 1, "ZZ"_t), 0);
  EXPECT_EQ(op(data::kWordFind), 0);  // not found, yet not "end of file"
  EXPECT_EQ(script::var_get_int(core::kSwIer), data::kStatusEnd);
  data::RecordTexts texts;
  texts.key_text = "AB"_t;
  EXPECT_EQ(op(data::kWordTop, texts), 0);
  EXPECT_EQ(field(1), "AB1");
  EXPECT_EQ(op(data::kWordNext, texts), 0);
  EXPECT_EQ(field(1), "AB2");
  EXPECT_EQ(op(data::kWordNext, texts), data::kStatusEnd);  // AC1 is past the typed text
  EXPECT_EQ(op(data::kWordBottom, texts), 0);
  EXPECT_EQ(field(1), "AB2");
  EXPECT_EQ(op(data::kWordPrevious, texts), 0);
  EXPECT_EQ(field(1), "AB1");
  EXPECT_EQ(op(data::kWordPrevious, texts), data::kStatusEnd);
  // On another index the moves go on until the typed text matches again.
  ASSERT_EQ(data::access_set_key(1, 2), 2);
  ASSERT_EQ(op(data::kWordTop), 0);
  EXPECT_EQ(field(1), "AC1");  // by NOTE: w, x, y, z
  EXPECT_EQ(op(data::kWordNext, texts), 0);
  EXPECT_EQ(field(1), "AB1");
  // Reload answers the last status; BLS moves nowhere.
  EXPECT_EQ(op(data::kWordReload), 0);
  EXPECT_EQ(op(data::kWordBls), 0);
  EXPECT_EQ(field(1), "AB1");
}

TEST_F(RecordOp, ARefusedWriteReadsTheRecordAgain) {
  sql("INSERT INTO items VALUES ('A', 'a', 1), ('B', 'b', 2);");
  ASSERT_EQ(op(data::kWordTop), 0);
  sql("UPDATE items SET \"PRICE\" = 5 WHERE \"CODE\" = 'A';");
  ASSERT_EQ(data::field_put(1, 2, "mine"_t), 0);
  EXPECT_EQ(op(data::kWordNext), data::kStatusChanged);
  EXPECT_EQ(field(1), "A");
  EXPECT_EQ(field(2), "a");
  EXPECT_EQ(field(3), "5.00");

  // An insert over a key that exists: nothing is sent, status 5, and the
  // record of that key is shown.
  ASSERT_EQ(op(data::kWordNew), 0);  // a new record is no end of file
  ASSERT_EQ(data::field_put(1, 1, "B"_t), 0);
  ASSERT_EQ(data::field_put(1, 2, "other"_t), 0);
  sent();
  EXPECT_EQ(op(data::kWordInsert), data::kStatusBadKey);
  for (const std::string& st : sent()) EXPECT_EQ(st.find("INSERT"), std::string::npos) << st;
  EXPECT_EQ(field(1), "B");
  EXPECT_EQ(field(2), "b");
  EXPECT_EQ(sql("SELECT count(*) FROM items;"), "2");
}

TEST_F(RecordOp, ASaveInsideARunOfEqualKeysKeepsTheWalk) {
  sql("INSERT INTO items VALUES ('A', 'x', 1), ('B', 'x', 2), ('B', 'x', 3), ('B', 'x', 4), "
      "('B', 'x', 5), ('C', 'x', 6);");
  std::vector<std::string> plain = walk_prices([](int) {});
  // The same walk, saving each record of the run on the way (every save is
  // committed by the operation).
  std::vector<std::string> edited = walk_prices([this](int i) {
    if (i >= 1 && i <= 3) {
      ASSERT_EQ(data::field_put(1, 2, txt("e" + std::to_string(i))), 0);
    }
  });
  EXPECT_EQ(edited, plain);
  EXPECT_EQ(plain.size(), 6u);
  EXPECT_EQ(sql("SELECT string_agg(\"NOTE\", ',' ORDER BY \"PRICE\") FROM items;"),
            "x,e1,e2,e3,x,x");
  // A commit of a transaction that was open while the run was walked
  // leaves the run's cursor in place.
  std::vector<std::string> committed = walk_prices([](int i) {
    if (i == 2) {
      ASSERT_EQ(data::sql_exec_simple("START TRANSACTION;"_t), 0);
      ASSERT_EQ(data::sql_exec_simple("UPDATE items SET \"NOTE\" = 'c' WHERE \"PRICE\" = 6;"_t), 0);
      ASSERT_EQ(data::access_commit(), 0);
    }
  });
  EXPECT_EQ(committed, plain);
}

TEST_F(RecordOp, ActionsWordsAndSectionTexts) {
  EXPECT_EQ(data::action_word(data::action_code("nxt"_t)), data::kWordNext);
  EXPECT_EQ(data::action_word(data::action_code("NEXT"_t)), data::kWordNext);
  EXPECT_EQ(data::action_word(data::action_code("BOTTOM"_t)), data::kWordBottom);
  EXPECT_EQ(data::action_word(data::action_code("IMP"_t)), data::kWordNone);
  EXPECT_EQ(data::action_code("XYZ"_t), 0);
  folder_.write("SCREEN.PPN", "01 RELOPT%='1,2':IK$(1)='PRICE{}=0'\r\n01 SET$='NOTE{}=1':SAVED$=X=1\r\n");
  ASSERT_EQ(defs::def_section_load(txt(folder_.path() + "/SCREEN.PPN"), 1, 1), 0);
  core::ArenaScope scope;
  data::RecordTexts t = data::record_texts_from_section();
  EXPECT_EQ(str(t.rule_list), "1,2");
  EXPECT_EQ(str(t.assignment), "PRICE{}=0");
  EXPECT_EQ(str(t.new_record), "NOTE{}=1");
  EXPECT_EQ(str(t.after_save), "X=1");
  EXPECT_EQ(defs::def_section_release(), 0);
}

}  // namespace
