// Document windows on the sample's delivery notes (ALBARAN): a save that
// another user's change refuses, a save that fails half way and writes
// nothing, the line limit and the line alarm, and a model check of stock
// and balances over a run of random edits.
#include <map>
#include <random>
#include <sstream>

#include "tests/ui/maint/doc_fixture.h"

namespace {

using core::operator""_t;
using docwin::DocWindowTest;
using docwin::g_on_event;
using docwin::read_back;
using docwin::typed_line;

TEST_F(DocWindowTest, ASaveOfANoteAnotherUserChangedWritesNothingAndKeepsTheLines) {
  screen_with("HELP$=ALBARAN.HLP", "HELP$=ALBARAN.HLP:PRCNAME$=EVENTS");
  // Between reading note 1 and saving it, another user changes a line.
  g_on_event = [this](const std::string& event) {
    if (event == "CHECK") sql("UPDATE movimientos SET cantidad = 9 WHERE numero = 1 AND linea = 2;");
    return core::Status{0};
  };
  EXPECT_EQ(run_document("ALBARAN", read_back(1) + typed_line("A0002", "1", "4.20") +
                                        "press Grabar\nanswer Ok\nshow\n"),
            0);
  expect_script_ok();
  EXPECT_NE(transcript().find("Datos Cambiados. Grabaci"), std::string::npos) << transcript();
  EXPECT_EQ(lines(1), "1 A0001 2 25.00, 2 A0003 9 33.75");
  EXPECT_EQ(query("SELECT stock FROM articulos WHERE codigo = 'A0002';"), "50");
  EXPECT_EQ(query("SELECT saldo FROM clientes WHERE codigo = 'C00001';"), "74.35");
  // The window still holds the three lines the user had.
  std::string shown = window_after("Datos Cambiados");
  EXPECT_NE(shown.find("A0002"), std::string::npos) << shown;
  EXPECT_NE(shown.find(" 4 / 3"), std::string::npos) << shown;
}

TEST_F(DocWindowTest, ANoteDeletedByAnotherUserIsNotWrittenBackOnSave) {
  screen_with("HELP$=ALBARAN.HLP", "HELP$=ALBARAN.HLP:PRCNAME$=EVENTS");
  g_on_event = [this](const std::string& event) {
    if (event == "CHECK") sql("DELETE FROM albaranes WHERE numero = 2;");
    return core::Status{0};
  };
  EXPECT_EQ(run_document("ALBARAN", read_back(2) + typed_line("A0004", "1", "3.90") + "press Grabar\nanswer Ok\n"), 0);
  expect_script_ok();
  EXPECT_NE(transcript().find("Datos Cambiados"), std::string::npos) << transcript();
  EXPECT_EQ(query("SELECT count(*) FROM albaranes WHERE numero = 2;"), "0");
  EXPECT_EQ(lines(2), "1 A0005 3 72.00, 2 A0006 3 22.50");
}

TEST_F(DocWindowTest, ALineThatFailsHalfWayWritesNothingAndTheCorrectedNoteSaves) {
  sql("ALTER TABLE articulos ADD CONSTRAINT stock_left CHECK (stock >= 0);");
  screen_with("HELP$=ALBARAN.HLP", "HELP$=ALBARAN.HLP:PRCNAME$=EVENTS");
  std::vector<std::string> before_second_save;
  int checks = 0;
  g_on_event = [&](const std::string& event) {
    if (event != "CHECK" || ++checks != 2) return core::Status{0};
    // After the failed save: not the header, not the first line, not its stock.
    before_second_save = {query("SELECT count(*) FROM albaranes WHERE numero = 8;"), lines(8),
                          query("SELECT stock FROM articulos WHERE codigo = 'A0001';")};
    return core::Status{0};
  };
  std::string steps = "type 8\nkey Tab\nkey Tab\ntype C00002\nkey Tab\n" + typed_line("A0001", "1", "12.50") +
                      typed_line("A0005", "99", "24") + "press Grabar\nanswer Ok\nshow\n" +
                      "click #3200\nselect 2\nactivate\nkey Tab\ntype 2\nkey Tab\nkey Tab\npress Grabar\n";
  EXPECT_EQ(run_document("ALBARAN", steps), 0);
  expect_script_ok();
  EXPECT_NE(transcript().find("stock_left"), std::string::npos) << transcript();
  ASSERT_EQ(before_second_save.size(), 3u);
  EXPECT_EQ(before_second_save[0], "0");
  EXPECT_EQ(before_second_save[1], "");
  EXPECT_EQ(before_second_save[2], "38");
  // What was typed stayed in the window through the failure.
  std::string shown = window_after("stock_left");
  EXPECT_NE(shown.find("A0005"), std::string::npos) << shown;
  EXPECT_EQ(lines(8), "1 A0001 1 12.50, 2 A0005 2 48.00");
  EXPECT_EQ(query("SELECT total FROM albaranes WHERE numero = 8;"), "60.50");
  EXPECT_EQ(query("SELECT stock FROM articulos WHERE codigo IN ('A0001', 'A0005') ORDER BY codigo;"), "37\n15");
  EXPECT_EQ(query("SELECT saldo FROM clientes WHERE codigo = 'C00002';"), "102.50");
}

TEST_F(DocWindowTest, TheLineLimitAndTheLineAlarmRefuseALine) {
  screen_with("MAXLIN%=20", "MAXLIN%=2");
  std::string steps = "type 9\nkey Tab\nkey Tab\ntype C00005\nkey Tab\n" + typed_line("A0001", "0", "1") +
                      "answer Ok\nkey Tab\ntype 1\nkey Tab\nkey Tab\n" + typed_line("A0002", "1", "1") +
                      typed_line("A0003", "1", "1") + "answer Ok\npress Anular Lin.\npress Grabar\n";
  EXPECT_EQ(run_document("ALBARAN", steps), 0);
  expect_script_ok();
  // The alarm (a quantity of 0) and the limit (a third line) were told.
  EXPECT_NE(transcript().find("Datos incorrectos"), std::string::npos) << transcript();
  EXPECT_NE(transcript().find("DATAOUTBOUND"), std::string::npos) << transcript();
  EXPECT_EQ(lines(9), "1 A0001 1 1.00, 2 A0002 1 1.00");
}

TEST_F(DocWindowTest, ImportedLinesJoinTheNoteAndAreWrittenOnlyWithIt) {
  const std::string import = "press Importar\nselect 1\nactivate\ntype 2\nkey Enter\n";
  const std::string header = "type 12\nkey Tab\nkey Tab\ntype C00006\nkey Tab\n";
  // Imported, then the note is given up: nothing is written.
  EXPECT_EQ(run_document("ALBARAN", header + import + "key Esc\nanswer Yes\n"), 0);
  expect_script_ok();
  EXPECT_NE(transcript().find("+- Importar lineas de otro albaran"), std::string::npos) << transcript();
  EXPECT_EQ(lines(12), "");
  EXPECT_EQ(query("SELECT stock FROM articulos WHERE codigo = 'A0005';"), "17");
  // Imported and saved: the lines take the note's number and customer.
  EXPECT_EQ(run_document("ALBARAN", header + typed_line("A0001", "1", "12.50") + import + "press Grabar\n"), 0);
  expect_script_ok();
  EXPECT_EQ(lines(12), "1 A0001 1 12.50, 2 A0005 3 72.00, 3 A0006 3 22.50");
  EXPECT_EQ(query("SELECT count(*) FROM movimientos WHERE numero = 12 AND cliente = 'C00006';"), "3");
  EXPECT_EQ(query("SELECT total FROM albaranes WHERE numero = 12;"), "107.00");
  EXPECT_EQ(query("SELECT stock FROM articulos WHERE codigo = 'A0005';"), "14");
}

TEST_F(DocWindowTest, AnImportWhoseConditionFailsAddsNothing) {
  screen_with("RD_COND$='numero{movimientos}==IMPNUM#'", "RD_COND$='unidades{movimientos}>0'");
  EXPECT_EQ(run_document("ALBARAN", "type 12\nkey Tab\nkey Tab\ntype C00006\nkey Tab\n" + typed_line("A0001", "1", "1") +
                                        "press Importar\nselect 1\nactivate\ntype 2\nkey Enter\nanswer Ok\nshow\n"),
            0);
  expect_script_ok();
  std::string shown = last_window();
  EXPECT_EQ(shown.find("A0005"), std::string::npos) << shown;
  EXPECT_NE(shown.find(" 2 / 1"), std::string::npos) << shown;
}

TEST_F(DocWindowTest, TheKeyOfADocumentReadIsNotChangedBehindIt) {
  EXPECT_EQ(run_document("ALBARAN", "type 1\nkey Tab\nkey Shift+Tab\ntype 2\nkey Tab\nkey Tab\nkey Tab\nanswer Ok\n"
                                    "press Grabar\n"),
            0);
  expect_script_ok();
  EXPECT_NE(transcript().find("Modificaci\xC3\xB3n de Clave descartada"), std::string::npos) << transcript();
  EXPECT_EQ(lines(1), "1 A0001 2 25.00, 2 A0003 5 33.75");
  EXPECT_EQ(lines(2), "1 A0005 3 72.00, 2 A0006 3 22.50");
  EXPECT_EQ(query("SELECT cliente FROM albaranes WHERE numero = 2;"), "C00003");
}

TEST_F(DocWindowTest, AHeaderAloneIsSavedAsARecord) {
  screen_with("MAXLIN%=20", "MAXLIN%=20:MODE$=ALONE");
  EXPECT_EQ(run_document("ALBARAN", "type 13\nkey Tab\nkey Tab\ntype C00007\nkey Tab\npress Grabar\n"), 0);
  expect_script_ok();
  EXPECT_EQ(query("SELECT cliente FROM albaranes WHERE numero = 13;"), "C00007");
  EXPECT_EQ(lines(13), "");
}

TEST_F(DocWindowTest, ASaveWithoutLinesWritesNothing) {
  EXPECT_EQ(run_document("ALBARAN", "type 11\nkey Tab\nkey Tab\ntype C00005\nkey Tab\npress Grabar\nanswer Ok\n"), 0);
  expect_script_ok();
  EXPECT_EQ(query("SELECT count(*) FROM albaranes WHERE numero = 11;"), "0");
}

// A model of the notes (their lines in order) against the database after
// each of a run of random edits: new notes, changed quantities, deleted
// lines and deleted notes. Stock plus the quantities of the lines, the
// balance less their amounts, stay what they were; every total is the sum
// of its lines.
TEST_F(DocWindowTest, StockAndBalancesStayExactOverARunOfRandomEdits) {
  struct Line {
    std::string article;
    int quantity;
    int price;  // whole units, so amounts are exact
  };
  std::map<int, std::vector<Line>> notes;
  std::map<int, std::string> customers;
  std::mt19937 random(20240301);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::string stock_invariant =
      "SELECT string_agg(a.codigo || '=' || (a.stock + COALESCE((SELECT sum(cantidad) FROM movimientos m "
      "WHERE m.articulo = a.codigo), 0)), ' ' ORDER BY a.codigo) FROM articulos a;";
  const std::string balance_invariant =
      "SELECT string_agg(c.codigo || '=' || (c.saldo - COALESCE((SELECT sum(importe) FROM movimientos m "
      "WHERE m.cliente = c.codigo), 0)), ' ' ORDER BY c.codigo) FROM clientes c;";
  const std::string stock_before = query(stock_invariant), balance_before = query(balance_invariant);
  for (int round = 0; round < 14; ++round) {
    std::ostringstream steps;
    bool save = true;
    int op = notes.empty() ? 0 : pick(4);
    auto chosen = notes.begin();
    std::advance(chosen, notes.empty() ? 0 : pick(static_cast<int>(notes.size())));
    if (op == 0 && notes.size() < 5) {
      int note = 20 + round;
      std::string customer = "C0000" + std::to_string(1 + pick(7));
      steps << "type " << note << "\nkey Tab\nkey Tab\ntype " << customer << "\nkey Tab\n";
      std::vector<Line>& ls = notes[note];
      customers[note] = customer;
      for (int n = 1 + pick(4); n > 0; --n) {
        Line l{"A000" + std::to_string(1 + pick(6)), 1 + pick(9), 1 + pick(30)};
        ls.push_back(l);
        steps << typed_line(l.article, std::to_string(l.quantity), std::to_string(l.price));
      }
    } else if (op == 1 || (op == 0 && !notes.empty())) {
      int line = pick(static_cast<int>(chosen->second.size()));
      int quantity = 1 + pick(20);
      chosen->second[static_cast<size_t>(line)].quantity = quantity;
      steps << read_back(chosen->first) << "click #3200\nselect " << line + 1
            << "\nactivate\nkey Tab\ntype " << quantity << "\nkey Tab\nkey Tab\n";
    } else if (op == 2 && chosen->second.size() > 1) {
      int line = pick(static_cast<int>(chosen->second.size()));
      chosen->second.erase(chosen->second.begin() + line);
      steps << read_back(chosen->first) << "click #3200\nselect " << line + 1 << "\nkey Delete\n";
    } else {
      steps << read_back(chosen->first) << "press Anular Doc.\nanswer Yes\n";
      notes.erase(chosen);
      save = false;
    }
    if (save) steps << "press Grabar\n";
    ASSERT_EQ(run_document("ALBARAN", steps.str()), 0) << steps.str();
    expect_script_ok();
    for (const auto& [note, ls] : notes) {
      std::string expected;
      int total = 0;
      for (size_t i = 0; i < ls.size(); ++i) {
        int amount = ls[i].quantity * ls[i].price;
        total += amount;
        expected += (i == 0 ? "" : ", ") + std::to_string(i + 1) + " " + ls[i].article + " " +
                    std::to_string(ls[i].quantity) + " " + std::to_string(amount) + ".00";
      }
      ASSERT_EQ(lines(note), expected) << "round " << round << "\n" << steps.str();
      ASSERT_EQ(query("SELECT total || ' ' || cliente FROM albaranes WHERE numero = " + std::to_string(note) + ";"),
                std::to_string(total) + ".00 " + customers[note]);
    }
    ASSERT_EQ(query("SELECT count(*) FROM albaranes WHERE numero >= 20;"), std::to_string(notes.size()));
    ASSERT_EQ(query(stock_invariant), stock_before) << "round " << round;
    ASSERT_EQ(query(balance_invariant), balance_before) << "round " << round;
  }
}


TEST_F(DocWindowTest, SeveralHeaderRecordsOfAKeyTheScreenHoldsWholeAreToldAsTheDefinitionsFault) {
  // Key 1 of albaranes is the note's number alone, on the screen: a second
  // header record could only repeat it.
  screen_with("MAXLIN%=20", "MAXLIN%=20:NUMCAB$=2");
  EXPECT_EQ(run_document("ALBARAN", "type 9\nkey Tab\nkey Tab\ntype C00002\nkey Tab\n" +
                                        typed_line("A0001", "1", "12.50") + "press Grabar\nanswer Ok\n"),
            0);
  expect_script_ok();
  std::string told = transcript().substr(transcript().find("> press Grabar"));
  EXPECT_NE(told.find("NUMCAB$=2"), std::string::npos) << told;
  EXPECT_EQ(told.find("Clave incorrecta"), std::string::npos) << told;
  EXPECT_EQ(query("SELECT count(*) FROM albaranes WHERE numero = 9;"), "0");
  EXPECT_EQ(lines(9), "");
}

}  // namespace
