// A record and every write of its rules commit together: a rule that fails
// after the write rolls the write and all its effects back, the files stand
// where they stood (the typed values still in the buffer), and the error
// names the file and the rule. Rules that reach other files through the
// foreign keys of a catalogue dictionary, or position and save an unrelated
// file themselves.
#include <gtest/gtest.h>

#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/recop.h"
#include "data/records.h"
#include "data/relup.h"
#include "data/session.h"
#include "data/transaction.h"
#include "script/variables.h"
#include "tests/data/access_fixture.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

// The accounts dictionary and a third file, totals (ACC A4, TOTAL 2 12;
// key 1 ACC), that no relation names.
std::string dictionary() {
  return std::string(datatest::kAccountsDictionary) +
         "03*  *00TOTALS\r\n"
         "03       004 AACC\r\n"
         "03       012 2TOTAL\r\n"
         "33<0001004>\r\n";
}

class WriteTransaction : public datatest::AccessTest {
 protected:
  void SetUp() override {
    AccessTest::SetUp();
    load_dictionary({{"XXDICC.DAT", dictionary()}});
    create_tables(true);
    sql("INSERT INTO cuentas VALUES ('C1', 10, 1), ('C2', 0, 0);");
    sql("INSERT INTO totals VALUES ('C1', 100);");
  }
  void rules(const std::string& text) {
    folder_.write("XXRELUPSQL.DAT", text);
    data::relup_reset(1, data::relup_base(1));
  }
  core::Status op(int word) { return data::record_operation(1, word, data::RecordTexts{}); }
  std::string field(uint16_t file, uint16_t n, data::Buffer which = data::Buffer::Current) {
    core::ArenaScope scope;
    return str(core::text_trim(data::field_get(file, n, which), core::kTrimBoth));
  }
  std::string state() {
    return sql("SELECT string_agg(x, ' | ' ORDER BY x) FROM ("
               "SELECT 'movs ' || \"DOC\" || \"N_LINE\" || ' ' || \"AMT\" AS x FROM movs UNION ALL "
               "SELECT 'cuentas ' || \"ACC\" || ' ' || \"SALDO\" || ' ' || \"MOVES\" FROM cuentas UNION ALL "
               "SELECT 'totals ' || \"ACC\" || ' ' || \"TOTAL\" FROM totals) s;");
  }
};

TEST_F(WriteTransaction, ARuleThatFailsAfterTheWriteLeavesNothingWritten) {
  // The related write of the first statement succeeds, the second fails.
  rules("0101SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN;NOFIELD{MOVS}=1\r\n");
  std::string before = state();
  core::error_clear();
  line("D1", "1", "C1", "5");
  EXPECT_GE(op(data::kWordInsert), 128);
  EXPECT_EQ(state(), before);  // no line, no total moved
  EXPECT_FALSE(data::write_open());
  EXPECT_FALSE(data::sql_in_transaction());
  // What was typed is still in the buffer, to be saved again.
  EXPECT_EQ(field(1, 1), "D1");
  EXPECT_EQ(field(1, 4), "5.00");
  // The error names the file and the rule that failed.
  core::ArenaScope scope;
  std::string detail = str(core::error_detail());
  EXPECT_NE(detail.find("File movs, rule: NOFIELD{MOVS}=1"), std::string::npos) << detail;

  // Mended, the same typed record is saved with its effect.
  core::error_clear();
  rules("0101SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN\r\n");
  EXPECT_EQ(op(data::kWordInsert), 0);
  EXPECT_EQ(state(), "cuentas C1 15.00 1 | cuentas C2 0.00 0 | movs D11 5.00 | totals C1 100.00");
}

TEST_F(WriteTransaction, AFailedSaveKeepsTheEditAndTheRecordAsRead) {
  rules("0101SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN\r\n");
  line("D1", "1", "C1", "5");
  ASSERT_EQ(op(data::kWordInsert), 0);
  rules("0101SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN;NOFIELD{CUENTAS}=1\r\n");
  std::string before = state();
  ASSERT_EQ(data::field_put(1, 4, "8"_t), 0);
  EXPECT_GE(op(data::kWordSave), 128);
  EXPECT_EQ(state(), before);  // neither the UPDATE nor the -5 / +8
  EXPECT_EQ(field(1, 4), "8.00");
  EXPECT_EQ(field(1, 4, data::Buffer::Saved), "5.00");
  EXPECT_TRUE(data::buffer_changed(1));
  // A delete whose rules fail leaves the line where it was.
  EXPECT_GE(op(data::kWordDelete), 128);
  EXPECT_EQ(state(), before);
}

TEST_F(WriteTransaction, ARuleSavesAnUnrelatedFileItselfInTheSameTransaction) {
  // totals has no relation with movs: the assignment sets its current
  // record, and the rule finds and saves that record itself.
  rules("0101FILEFIND(ACC{};'TOTALS';1;0),TOTAL{TOTALS}=TOTAL{TOTALS}+AMT{}*_SGN,"
        "FILELOCATE('SVE';'TOTALS')\r\n");
  ASSERT_EQ(data::access_open(3, 0), 0);
  line("D1", "1", "C1", "5");
  EXPECT_EQ(op(data::kWordInsert), 0) << str(core::error_detail());
  EXPECT_EQ(state(), "cuentas C1 10.00 1 | cuentas C2 0.00 0 | movs D11 5.00 | totals C1 105.00");
  ASSERT_EQ(data::field_put(1, 4, "7"_t), 0);
  EXPECT_EQ(op(data::kWordSave), 0);
  EXPECT_EQ(state(), "cuentas C1 10.00 1 | cuentas C2 0.00 0 | movs D11 7.00 | totals C1 107.00");

  // The rule's own save commits nothing by itself: a later failure takes
  // it back too, and totals' buffers are as they were.
  rules("0101FILEFIND(ACC{};'TOTALS';1;0),TOTAL{TOTALS}=TOTAL{TOTALS}+AMT{}*_SGN,"
        "FILELOCATE('SVE';'TOTALS'),NOFIELD{MOVS}=1\r\n");
  std::string before = state();
  std::string totals_before = field(3, 2);
  ASSERT_EQ(data::field_put(1, 4, "9"_t), 0);
  EXPECT_GE(op(data::kWordSave), 128);
  EXPECT_EQ(state(), before);
  EXPECT_EQ(field(3, 2), totals_before);
  EXPECT_FALSE(data::buffer_changed(3));
}

TEST_F(WriteTransaction, TheApplicationsOwnTransactionLosesOnlyTheFailedWrite) {
  rules("0101SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN;NOFIELD{MOVS}=1\r\n");
  ASSERT_EQ(data::sql_exec_simple("BEGIN;"_t), 0);
  ASSERT_EQ(data::sql_exec_simple("UPDATE totals SET \"TOTAL\" = 1;"_t), 0);
  line("D1", "1", "C1", "5");
  EXPECT_GE(op(data::kWordInsert), 128);
  // Rolled back to the savepoint: the application's transaction goes on.
  EXPECT_TRUE(data::sql_in_transaction());
  ASSERT_EQ(data::sql_exec_simple("COMMIT;"_t), 0);
  EXPECT_EQ(state(), "cuentas C1 10.00 1 | cuentas C2 0.00 0 | totals C1 1.00");
}

TEST_F(WriteTransaction, ARunOfEqualKeysGoesOnAfterARollback) {
  rules("0101SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN\r\n");
  for (const char* n : {"1", "2", "3"}) {
    line("D1", n, "C2", n);
    ASSERT_EQ(op(data::kWordInsert), 0);
  }
  // Key 2 (ACC): the three lines are one run, walked through a cursor.
  ASSERT_EQ(data::access_set_key(1, 2), 2);
  ASSERT_EQ(data::access_navigate(1, data::kNavFirst), 0);
  ASSERT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(field(1, 2), "2");
  rules("0101SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN;NOFIELD{MOVS}=1\r\n");
  ASSERT_EQ(data::field_put(1, 4, "20"_t), 0);
  std::string before = state();
  EXPECT_GE(op(data::kWordSave), 128);
  EXPECT_EQ(state(), before);
  EXPECT_EQ(field(1, 4), "20.00");
  // The walk goes on from the record it stood on.
  ASSERT_EQ(data::buffer_restore(1), 0);
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(field(1, 2), "3");
  EXPECT_EQ(data::access_navigate(1, data::kNavPrevious), 0);
  EXPECT_EQ(field(1, 2), "2");
}

TEST_F(WriteTransaction, AMissingRelationIsNamed) {
  line("D1", "1", "C1", "5");
  script::var_set_int(core::kSwCurFil, 1);
  core::error_clear();
  EXPECT_EQ(data::related_write(1, 2, 1, 0, ""_t), core::NOVALUE);
  core::ArenaScope scope;
  EXPECT_EQ(str(core::error_detail()), "Relation: movs -> cuentas (key 1)");
}

// A database designed the usual way: foreign keys, no dictionary files.
class CatalogueRelations : public datatest::AccessTest {
 protected:
  void SetUp() override {
    AccessTest::SetUp();
    sql("CREATE TABLE books (id integer PRIMARY KEY, title character(20), available integer);");
    sql("CREATE TABLE members (id integer PRIMARY KEY, name character(20), loans integer);");
    sql("CREATE TABLE loans (id integer PRIMARY KEY, member integer REFERENCES members (id), "
        "book integer REFERENCES books (id));");
    sql("CREATE INDEX loans_member ON loans (member);");
    sql("INSERT INTO books VALUES (1, 'Dune', 3), (2, 'Emma', 1);");
    sql("INSERT INTO members VALUES (7, 'Ana', 0);");
    reset_runtime();
    ASSERT_EQ(connect(data::kOpenColumns), core::kOk) << str(core::error_detail());
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), core::kOk);
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvApName, "XXTEST"_t), core::kOk);
    script::var_set_int(core::kSwUpStat, 1);
  }
  std::string keys(uint16_t file) {
    data::FileItem f;
    if (data::dict_file_attr(file, &f) != core::kOk) return "no file";
    std::string out;
    for (uint16_t k = 1; k <= f.key_count; ++k) {
      uint16_t list[data::kMaxSegments];
      int count = 0;
      if (data::dict_key_fields(file, k, list, &count) != core::kOk) return "bad key";
      out += k > 1 ? "|" : "";
      for (int i = 0; i < count; ++i) out += (i > 0 ? "," : "") + std::to_string(list[i]);
    }
    return out;
  }
};

TEST_F(CatalogueRelations, ForeignKeysBecomeRelationsToTheReferencedKey) {
  ASSERT_EQ(data::dict_file_count(), 3);
  core::ArenaScope scope;
  // loans has an index on member (key 2); book gets a key of its own after
  // the keys of the indexes (key 3), so their numbers stay.
  EXPECT_EQ(keys(3), "1|2|3");
  EXPECT_EQ(str(data::dict_relation_text(3)), "membersR2K1:booksR3K1");
  EXPECT_EQ(str(data::dict_relation_text(1)), "");
}

TEST_F(CatalogueRelations, ALoanRuleKeepsTheCountsThroughTheForeignKeys) {
  folder_.write("XXRELUPSQL.DAT",
                "0301available{books}=available{books}-_SGN;loans{members}=loans{members}+_SGN\r\n");
  ASSERT_EQ(data::access_open(3, 0), 0);
  ASSERT_EQ(data::field_put(3, 1, "1"_t), 0);
  ASSERT_EQ(data::field_put(3, 2, "7"_t), 0);
  ASSERT_EQ(data::field_put(3, 3, "2"_t), 0);
  EXPECT_EQ(data::record_operation(3, data::kWordInsert, data::RecordTexts{}), 0)
      << str(core::error_detail());
  EXPECT_EQ(sql("SELECT available FROM books WHERE id = 2;"), "0");
  EXPECT_EQ(sql("SELECT loans FROM members WHERE id = 7;"), "1");
  core::log_set_path("/tmp/dbg.log"_t);
  script::var_set_int(31, 16 | 4 | 2);
  EXPECT_EQ(data::record_operation(3, data::kWordDelete, data::RecordTexts{}), 0);
  script::var_set_int(31, 0);
  EXPECT_EQ(sql("SELECT available || ' ' || (SELECT loans FROM members) FROM books WHERE id = 2;"), "1 0");
}

}  // namespace
