// A document whose header is several records (NUMCAB$): the header file's
// key 1 holds the note's number and a copy number the screen does not
// show, which WRITECAB0$ fills from _HNUM. The records are written, read
// back, changed and deleted together, in the save's one transaction.
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

#include "data/dictionary.h"
#include "script/variables.h"
#include "tests/ui/maint/doc_fixture.h"

namespace {

using core::operator""_t;
using docwin::g_on_event;
using docwin::read_back;
using docwin::typed_line;

// The first `from` in *text made `to`.
void replace(std::string* text, const std::string& from, const std::string& to) {
  size_t at = text->find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text->replace(at, from.size(), to);
}

// The window's dictionary with each (from, to) made in its text, loaded
// again.
void edit_dictionary(const std::string& folder, std::initializer_list<std::pair<std::string, std::string>> edits) {
  std::string dicc = testsupport::file_text(folder + "/KADICC.DAT");
  for (const auto& [from, to] : edits) replace(&dicc, from, to);
  std::ofstream(folder + "/KADICC.DAT", std::ios::binary) << dicc;
  data::dict_clear();
  ASSERT_EQ(data::dict_load("KA"_t, datatest::txt(folder), ""_t), 0);
}

class DocHeaderRecords : public docwin::DocWindowTest {
 protected:
  void SetUp() override {
    DocWindowTest::SetUp();
    // albaranes gains a copy number after its number in key 1.
    edit_dictionary(folder_.path(), {{"04       012 2total\n", "04       012 2total\n04       002 Ncopia\n"},
                                     {"34<0001006>", "34<00010060033002>"}});
    sql("ALTER TABLE albaranes ADD COLUMN copia numeric(2); UPDATE albaranes SET copia = 1;"
        "DROP INDEX albaranes_ndx1; CREATE UNIQUE INDEX albaranes_ndx1 ON albaranes USING btree "
        "(numero NULLS FIRST, copia NULLS FIRST);");
    // COPIAS says how many header records a save writes.
    screen_with("MAXLIN%=20", "MAXLIN%=20:NUMCAB$=COPIAS:WRITECAB0$='copia{}=_HNUM'");
    copies(2);
  }
  static void copies(int n) { ASSERT_EQ(script::var_set("COPIAS"_t, datatest::txt(std::to_string(n))), 0); }
  std::string headers(int note) {
    return query("SELECT string_agg(copia || ' ' || cliente || ' ' || total, ', ' ORDER BY copia) FROM albaranes "
                 "WHERE numero = " + std::to_string(note) + ";");
  }
  std::string balance(const std::string& customer) {
    return query("SELECT saldo FROM clientes WHERE codigo = '" + customer + "';");
  }
  std::string stock(const std::string& article) {
    return query("SELECT stock FROM articulos WHERE codigo = '" + article + "';");
  }
  // Note 30 of C00004: two lines, 29.20 in all.
  void write_note() {
    ASSERT_EQ(run_document("ALBARAN", "type 30\nkey Tab\nkey Tab\ntype C00004\nkey Tab\n" +
                                          typed_line("A0001", "2", "12.50") + typed_line("A0002", "1", "4.20") +
                                          "press Grabar\n"),
              0);
    expect_script_ok();
  }
  // Note 30 read back, its first line's quantity made 3.
  static std::string change_first_line() {
    return read_back(30) + "click #3200\nselect 1\nactivate\nkey Tab\ntype 3\nkey Tab\nkey Tab\npress Grabar\n";
  }
};

TEST_F(DocHeaderRecords, ANewNoteWritesEveryHeaderRecordAndItsLinesOnce) {
  write_note();
  EXPECT_EQ(headers(30), "1 C00004 29.20, 2 C00004 29.20");
  EXPECT_EQ(lines(30), "1 A0001 2 25.00, 2 A0002 1 4.20");
  // The lines' rules ran once, not once a header record.
  EXPECT_EQ(balance("C00004"), "29.20");
  EXPECT_EQ(stock("A0001"), "36");
}

TEST_F(DocHeaderRecords, ACountPastTheLimitIsToldAndNothingIsWritten) {
  // A NUMCAB$ gone wrong (a total in place of a count) is not taken as 999
  // copies of the note.
  copies(2000);
  ASSERT_EQ(run_document("ALBARAN", "type 30\nkey Tab\nkey Tab\ntype C00004\nkey Tab\n" +
                                        typed_line("A0001", "2", "12.50") + "press Grabar\nanswer Ok\n"),
            0);
  expect_script_ok();
  std::string told = transcript().substr(transcript().find("> press Grabar"));
  EXPECT_NE(told.find("NUMCAB$=2000"), std::string::npos) << told;
  EXPECT_EQ(headers(30), "");
  EXPECT_EQ(lines(30), "");
  EXPECT_EQ(balance("C00004"), "0.00");
}

TEST_F(DocHeaderRecords, AChangedNoteRewritesAllItsHeaderRecords) {
  write_note();
  ASSERT_EQ(run_document("ALBARAN", change_first_line()), 0);
  expect_script_ok();
  EXPECT_EQ(headers(30), "1 C00004 41.70, 2 C00004 41.70");
  EXPECT_EQ(lines(30), "1 A0001 3 37.50, 2 A0002 1 4.20");
  EXPECT_EQ(balance("C00004"), "41.70");
  EXPECT_EQ(stock("A0001"), "35");
  // Fewer copies now: the records past them go with the save.
  copies(1);
  ASSERT_EQ(run_document("ALBARAN", read_back(30) + typed_line("A0003", "1", "6.75") + "press Grabar\n"), 0);
  expect_script_ok();
  EXPECT_EQ(headers(30), "1 C00004 48.45");
  EXPECT_EQ(balance("C00004"), "48.45");
}

TEST_F(DocHeaderRecords, AnotherUsersChangeOfAnyHeaderRecordRefusesTheSave) {
  write_note();
  screen_with("HELP$=ALBARAN.HLP", "HELP$=ALBARAN.HLP:PRCNAME$=EVENTS");
  g_on_event = [this](const std::string& event) {
    if (event == "CHECK") sql("UPDATE albaranes SET fecha = '20240301' WHERE numero = 30 AND copia = 2;");
    return core::Status{0};
  };
  ASSERT_EQ(run_document("ALBARAN", change_first_line() + "answer Ok\n"), 0);
  expect_script_ok();
  EXPECT_NE(transcript().find("Datos Cambiados"), std::string::npos) << transcript();
  EXPECT_EQ(headers(30), "1 C00004 29.20, 2 C00004 29.20");
  EXPECT_EQ(lines(30), "1 A0001 2 25.00, 2 A0002 1 4.20");
  EXPECT_EQ(balance("C00004"), "29.20");
}

TEST_F(DocHeaderRecords, ADeletedNoteTakesAllItsHeaderRecordsWithIt) {
  write_note();
  ASSERT_EQ(run_document("ALBARAN", read_back(30) + "press Anular Doc.\nanswer Yes\n"), 0);
  expect_script_ok();
  EXPECT_EQ(query("SELECT count(*) FROM albaranes WHERE numero = 30;"), "0");
  EXPECT_EQ(lines(30), "");
  EXPECT_EQ(balance("C00004"), "0.00");
  EXPECT_EQ(stock("A0001"), "38");
  // The other notes kept theirs.
  EXPECT_EQ(headers(1), "1 C00001 58.75");
}

TEST_F(DocHeaderRecords, ANewNoteIsRefusedWhenAnotherUserWroteAnyRecordOfItsHeader) {
  screen_with("HELP$=ALBARAN.HLP", "HELP$=ALBARAN.HLP:PRCNAME$=EVENTS");
  g_on_event = [this](const std::string& event) {
    if (event == "CHECK") sql("INSERT INTO albaranes VALUES (31, '20240301', 'C00005', 0, 2);");
    return core::Status{0};
  };
  ASSERT_EQ(run_document("ALBARAN", "type 31\nkey Tab\nkey Tab\ntype C00004\nkey Tab\n" +
                                        typed_line("A0001", "2", "12.50") + "press Grabar\nanswer Ok\n"),
            0);
  expect_script_ok();
  EXPECT_NE(transcript().find("Clave Repetida"), std::string::npos) << transcript();
  EXPECT_EQ(headers(31), "2 C00005 0.00");
  EXPECT_EQ(lines(31), "");
  EXPECT_EQ(balance("C00004"), "0.00");
}


// A series the screen does not show (SERIE$ of the session, filled by
// WRITECAB0$ and WRITELINS$) after the note's number in the keys of the
// header and of the lines, and no NUMCAB$: note 30 of series A and note 30
// of series B are two documents, each one header record.
class DocHeaderSeries : public docwin::DocWindowTest {
 protected:
  void SetUp() override {
    DocWindowTest::SetUp();
    edit_dictionary(folder_.path(), {{"04       012 2total\n", "04       012 2total\n04       001 Aserie\n"},
                                     {"03       012 2importe\n", "03       012 2importe\n03       001 Aserie\n"},
                                     {"34<0001006>", "34<00010060033001>"},
                                     {"33<00010060007003>", "33<000100600600010007003>"}});
    sql("ALTER TABLE albaranes ADD COLUMN serie char(1); UPDATE albaranes SET serie = 'A';"
        "ALTER TABLE movimientos ADD COLUMN serie char(1); UPDATE movimientos SET serie = 'A';"
        "DROP INDEX albaranes_ndx1; CREATE UNIQUE INDEX albaranes_ndx1 ON albaranes USING btree "
        "(numero NULLS FIRST, serie NULLS FIRST);"
        "DROP INDEX movimientos_ndx1; CREATE UNIQUE INDEX movimientos_ndx1 ON movimientos USING btree "
        "(numero NULLS FIRST, serie NULLS FIRST, linea NULLS FIRST);");
    screen_with("MAXLIN%=20", "MAXLIN%=20:WRITECAB0$='serie{}=SERIE$'");
    screen_with("linea{}=_LNUM", "linea{}=_LNUM;serie{}=serie{albaranes}");
  }
  static void series(const char* s) { ASSERT_EQ(script::var_set("SERIE$"_t, datatest::txt(s)), 0); }
  std::string notes(int note) {
    return query("SELECT string_agg(serie || ' ' || cliente || ' ' || total, ', ' ORDER BY serie) FROM albaranes "
                 "WHERE numero = " + std::to_string(note) + ";");
  }
  std::string series_lines(int note) {
    return query("SELECT string_agg(serie || linea || ' ' || articulo || ' ' || cantidad, ', ' ORDER BY serie, linea) "
                 "FROM movimientos WHERE numero = " + std::to_string(note) + ";");
  }
};

TEST_F(DocHeaderSeries, WithoutNumcabAKeyFieldTheScreenDoesNotShowDoesNotJoinDocuments) {
  series("A");
  ASSERT_EQ(run_document("ALBARAN", "type 30\nkey Tab\nkey Tab\ntype C00004\nkey Tab\n" +
                                        typed_line("A0001", "2", "12.50") + "press Grabar\n"),
            0);
  expect_script_ok();
  ASSERT_EQ(notes(30), "A C00004 25.00");
  // Series B's note 30, by SQL as another session would have written it.
  sql("INSERT INTO albaranes VALUES (30, '20240301', 'C00005', 4.20, 'B');"
      "INSERT INTO movimientos VALUES (30, 1, '20240301', 'C00005', 'A0002', 1, 4.20, 4.20, 'B');");
  // Note 30 read and saved again as it was, in series A.
  ASSERT_EQ(run_document("ALBARAN", read_back(30) + "press Grabar\n"), 0);
  // Each series keeps its own note.
  EXPECT_EQ(notes(30), "A C00004 25.00, B C00005 4.20") << transcript();
  EXPECT_EQ(series_lines(30), "A1 A0001 2, B1 A0002 1");
}

// Header records told apart by a copy number after a series the screen
// does not show either: a run on the note's number would join every
// series' note, so NUMCAB$ above 1 is refused as the definitions' fault.
TEST_F(DocHeaderSeries, SeveralHeaderRecordsAfterASeriesAreRefusedNotJoined) {
  edit_dictionary(folder_.path(), {{"04       001 Aserie\n", "04       001 Aserie\n04       002 Ncopia\n"},
                                   {"34<00010060033001>", "34<000100600330010034002>"}});
  sql("ALTER TABLE albaranes ADD COLUMN copia numeric(2); UPDATE albaranes SET copia = 1;"
      "DROP INDEX albaranes_ndx1; CREATE UNIQUE INDEX albaranes_ndx1 ON albaranes USING btree "
      "(numero NULLS FIRST, serie NULLS FIRST, copia NULLS FIRST);");
  screen_with("MAXLIN%=20:WRITECAB0$='serie{}=SERIE$'", "MAXLIN%=20:NUMCAB$=2:WRITECAB0$='serie{}=SERIE$;copia{}=_HNUM'");
  series("A");
  ASSERT_EQ(run_document("ALBARAN", "type 31\nkey Tab\nkey Tab\ntype C00004\nkey Tab\n" +
                                        typed_line("A0001", "2", "12.50") + "press Grabar\nanswer Ok\n"),
            0);
  expect_script_ok();
  std::string told = transcript().substr(transcript().find("> press Grabar"));
  EXPECT_NE(told.find("NUMCAB$=2"), std::string::npos) << told;
  EXPECT_EQ(notes(31), "");
  EXPECT_EQ(series_lines(31), "");
}

}  // namespace
