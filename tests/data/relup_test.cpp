// The relational update: rule files, rule lists, record updates with their
// signs and order, related writes by relation reference, and the log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/relup.h"
#include "script/eval.h"
#include "script/variables.h"
#include "tests/data/access_fixture.h"
#include "tests/support/file_text.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;


class Relup : public datatest::AccessTest {
 protected:
  void SetUp() override {
    AccessTest::SetUp();
    load_dictionary({{"XXDICC.DAT", datatest::kAccountsDictionary},
                     {"XXRELUPSQL.DAT",
                      "0101SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN,MOVES{CUENTAS}=MOVES{CUENTAS}+_SGN\r\n"
                      "0102_USER01=_USER01+1\r\n"
                      "0202_USER02=7\r\n"}});
    create_tables(true);
  }
  std::string balances() {
    return sql("SELECT \"ACC\" || ' ' || \"SALDO\" || ' ' || coalesce(\"MOVES\"::text, '') FROM cuentas ORDER BY 1;");
  }
};

TEST_F(Relup, InsertSaveAndDeleteMoveTheRelatedTotal) {
  line("D1", "1", "C1", "5");
  EXPECT_EQ(data::record_update(data::kRecInsert, 1, "1"_t, ""_t), 0);
  // The related record was missing: it is inserted, then updated.
  EXPECT_EQ(balances(), "C1 5.00 1");
  ASSERT_EQ(data::access_find(1, 1, "D1    1"_t, 0), 0);
  ASSERT_EQ(data::field_put(1, 4, "8"_t), 0);
  EXPECT_EQ(data::record_update(data::kRecSave, 1, "1"_t, ""_t), 0);
  EXPECT_EQ(balances(), "C1 8.00 1");  // first minus 5, then plus 8
  // A save that moves the line to another account moves its amount along.
  ASSERT_EQ(data::access_find(1, 1, "D1    1"_t, 0), 0);
  ASSERT_EQ(data::field_put(1, 3, "C2"_t), 0);
  EXPECT_EQ(data::record_update(data::kRecSave, 1, "1"_t, ""_t), 0);
  EXPECT_EQ(balances(), "C1 0.00 0\nC2 8.00 1");
  ASSERT_EQ(data::access_find(1, 1, "D1    1"_t, 0), 0);
  EXPECT_EQ(data::record_update(data::kRecDelete, 1, "1"_t, ""_t), 0);
  EXPECT_EQ(balances(), "C1 0.00 0\nC2 0.00 0");
  EXPECT_EQ(sql("SELECT count(*) FROM movs;"), "0");
}

TEST_F(Relup, RuleListsNoneDefaultsAndTheRulesSwitch) {
  line("D1", "1", "C1", "5");
  EXPECT_EQ(data::record_update(data::kRecInsert, 1, "NONE"_t, ""_t), 0);
  EXPECT_EQ(balances(), "");
  EXPECT_EQ(data::relup_base(1), -1);  // "NONE" does not even load them
  // File 1 has two rules: the default list is "1".
  line("D1", "2", "C1", "5");
  EXPECT_EQ(data::record_update(data::kRecInsert, 1, ""_t, ""_t), 0);
  EXPECT_EQ(balances(), "C1 5.00 1");
  EXPECT_EQ(script::var_get_int(39), 0);  // rule 2 did not run
  EXPECT_EQ(data::relup_rule_count(1), 2);
  // Rules run only with bit 1 of status word 13.
  script::var_set_int(core::kSwUpStat, 0);
  line("D1", "3", "C1", "5");
  EXPECT_EQ(data::record_update(data::kRecInsert, 1, "1,2"_t, ""_t), 0);
  EXPECT_EQ(balances(), "C1 5.00 1");
  script::var_set_int(core::kSwUpStat, 1);
  line("D1", "4", "C1", "1");
  EXPECT_EQ(data::record_update(data::kRecInsert, 1, "2,1"_t, ""_t), 0);
  EXPECT_EQ(balances(), "C1 6.00 2");
  EXPECT_EQ(script::var_get_int(39), 1);
  // The sign is 0 again after the rules.
  EXPECT_EQ(script::var_get_int(core::kSwSgn), 0);
  // The rules of file 2 are their own.
  EXPECT_EQ(data::relup_rule_count(2), 0);
  core::ArenaScope scope;
  EXPECT_EQ(str(data::relup_rules(2, "2"_t)), "_USER02=7");
}

TEST_F(Relup, TheDefaultForManyRulesPicksHeaderOrLineByNLine) {
  folder_.write("XXRELUPSQL.DAT", "0101_USER01=1\r\n0102_USER01=2\r\n0103_USER01=3\r\n");
  ASSERT_EQ(data::access_open(1, 0), 0);
  core::ArenaScope scope;
  ASSERT_EQ(data::field_put(1, 2, "0"_t), 0);
  script::var_set_int(core::kSwCurFil, 1);
  EXPECT_EQ(str(data::relup_rules(1, ""_t)), "_USER01=1");
  ASSERT_EQ(data::field_put(1, 2, "4"_t), 0);
  EXPECT_EQ(str(data::relup_rules(1, ""_t)), "_USER01=2");
  // Lines with the same number are joined; a reset loads them again.
  folder_.write("XXRELUPSQL.DAT", "0101_USER01=1\r\n0101_USER02=2\r\n");
  data::relup_reset(1, data::relup_base(1));
  EXPECT_EQ(data::relup_base(1), -1);
  EXPECT_EQ(str(data::relup_rules(1, "1"_t)), "_USER01=1;_USER02=2");
}

TEST_F(Relup, AnInsertOverATakenKeyIsRefused) {
  line("D1", "1", "C1", "5");
  EXPECT_EQ(data::record_update(data::kRecInsert, 1, "1"_t, ""_t), 0);
  line("D1", "1", "C1", "6");
  EXPECT_EQ(data::record_update(data::kRecInsert | data::kRecAssign, 1, "1"_t, "AMT{}=7"_t),
            data::kStatusBadKey);
  EXPECT_EQ(balances(), "C1 5.00 1");
  // The assignment was applied before the check.
  core::ArenaScope scope;
  EXPECT_EQ(str(core::text_trim(data::field_get(1, 4, data::Buffer::Current), core::kTrimBoth)), "7.00");
  // A screen without an assignment text is checked all the same: nothing
  // is sent, so the server's duplicate-key error never comes up.
  sent();
  EXPECT_EQ(data::record_update(data::kRecInsert | data::kRecAssign, 1, "1"_t, ""_t), data::kStatusBadKey);
  for (const std::string& s : sent()) EXPECT_EQ(s.find("INSERT"), std::string::npos) << s;
  EXPECT_EQ(sql("SELECT count(*) FROM movs;"), "1");
}

TEST_F(Relup, AFailingRuleStopsTheUpdate) {
  folder_.write("XXRELUPSQL.DAT", "0101NOTHING{CUENTAS}=1\r\n");
  line("D1", "1", "C1", "5");
  EXPECT_EQ(data::record_update(data::kRecInsert, 1, "1"_t, ""_t), core::SINTAXERROR);
}

TEST_F(Relup, RelatedWritesFindTheirKeyThroughTheRelationText) {
  line("D1", "1", "C1", "5");
  script::var_set_int(core::kSwCurFil, 1);
  // Without the SQL bit the related record is found, changed and saved.
  EXPECT_EQ(data::related_write(1, 2, 2, data::kRelCreate, "SALDO{CUENTAS}=4"_t), 0);
  EXPECT_EQ(balances(), "C1 4.00 ");
  EXPECT_EQ(data::related_write(1, 2, 2, 0, "SALDO{CUENTAS}=SALDO{CUENTAS}+1"_t), 0);
  EXPECT_EQ(balances(), "C1 5.00 ");
  // A lookup: no assignment, the related record is just found.
  ASSERT_EQ(data::access_open(2, 0), 0);
  EXPECT_EQ(data::related_write(1, 2, 0, 0, ""_t), 0);
  core::ArenaScope scope;
  EXPECT_EQ(str(data::field_get(2, 1, data::Buffer::Current)), "C1  ");
  EXPECT_EQ(data::related_write(1, 2, 0, data::kRelDelete, "x"_t), 0);
  EXPECT_EQ(balances(), "");
  // Key 1 of MOVS has no relation to CUENTAS; nor has CUENTAS to MOVS.
  EXPECT_EQ(data::related_write(1, 2, 1, 0, ""_t), core::NOVALUE);
  EXPECT_EQ(data::related_write(2, 1, 0, 0, ""_t), core::NOVALUE);
}

TEST_F(Relup, LogLinesAtTraceBit16) {
  std::string log = folder_.path() + "/log.txt";
  core::log_set_path(txt(log));
  script::var_set_int(31, 16);
  line("D1", "1", "C1", "5");
  EXPECT_EQ(data::record_update(data::kRecInsert, 1, "1"_t, ""_t), 0);
  data::relup_reset(1, data::relup_base(1));
  script::var_set_int(31, 0);
  std::string text = testsupport::file_text(log);
  std::string expected =
      "RecRelUpdate Insert File 1 (1)\r\n"
      "RecRelUpLoad\r\n"
      "\tidef:1: SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN,MOVES{CUENTAS}=MOVES{CUENTAS}+_SGN\r\n"
      "\tidef:2: _USER01=_USER01+1\r\n"
      "RecRelUpReset\r\n\tfile:1 base:0 Ctrl.base:0\r\n";
  EXPECT_EQ(text, expected);
  core::log_set_path(""_t);
}

}  // namespace
