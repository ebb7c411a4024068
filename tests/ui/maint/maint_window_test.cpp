// Maintenance windows on the sample application's tables: opening, the
// index cycle, find by key, the guarded operations and their questions,
// leaving, runs of equal keys, new records with their relational totals,
// lookup windows, VOIDMODE% and the flags.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "formats/formats.h"
#include "tests/ui/maint/maint_fixture.h"
#include "script/eval.h"
#include "ui/forms.h"
#include "ui/maint.h"
#include "ui/platform/script.h"
#include "ui/screens.h"
#include "tests/support/file_text.h"

namespace {

using core::operator""_t;
using mainttest::MaintTest;

TEST_F(MaintTest, OpensSearchingOnTheFirstRecordWithSaveAndDeleteRefused) {
  EXPECT_EQ(run("CLIENTES", "key F1\nanswer Ok\nshow\n"), 0);
  expect_script_ok();
  // F1 is the help topic of the field: topic 1 of the screen's HELP$ file.
  EXPECT_NE(transcript().find("C\xC3\xB3" "digo de cliente"), std::string::npos) << transcript();
  std::string shown = last_window();
  EXPECT_NE(shown.find("+- Mantenimiento de Ficheros - Clientes"), std::string::npos) << shown;
  EXPECT_NE(shown.find("[C00001]"), std::string::npos) << shown;
  EXPECT_NE(shown.find("(Grabar) (Borrar) <[ 1 ]>"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Busqueda [AvPag - RePag] - Clientes"), std::string::npos) << shown;
  // Closing dropped the window's open-file set again.
  EXPECT_EQ(core::slot_count(33), 0);
}

TEST_F(MaintTest, TheIndexButtonAndAnEmptyKeyCycleThroughTheIndexes) {
  EXPECT_EQ(run("CLIENTES", "press [ 1 ]\nshow\npress [ 2 ]\nshow\nkey Backspace\nkey Enter\nshow\n"), 0);
  expect_script_ok();
  const std::string& t = transcript();
  size_t two = t.find("<[ 2 ]>"), three = t.find("<[ 3 ]>", two), one = t.find("<[ 1 ]>", three);
  EXPECT_NE(two, std::string::npos) << t;
  EXPECT_NE(three, std::string::npos) << t;
  EXPECT_NE(one, std::string::npos) << t;
  // On index 3 the city is the field searched by (focus on field 3).
  EXPECT_NE(t.find("focus: #2002", three), std::string::npos);
}

TEST_F(MaintTest, FindByKeyShowsTheRecordOrTellsWhyNotAndPutsTheTypedValuesBack) {
  EXPECT_EQ(run("CLIENTES",
                "type C00003\nkey Enter\nkey Esc\n"
                "type B\nkey Enter\nanswer Ok\nshow\n"
                "type D\nkey Enter\nanswer Ok\nshow\n"),
            0);
  expect_script_ok();
  std::string found = window_after("> key Enter");
  EXPECT_EQ(found.find("[Suministros Garcia"), found.find("[Suministros Garcia"));
  const std::string& t = transcript();
  size_t shown = t.find("[Suministros Garcia");
  ASSERT_NE(shown, std::string::npos) << t;
  EXPECT_NE(t.find("Edici\xC3\xB3n [AvPag - RePag] - Clientes", shown), std::string::npos);
  // At or after B lies C00001, which does not start with it: the typed
  // key stays, with the record shown before; after D there is nothing.
  size_t not_found = t.find("Clave no encontrada", shown);
  ASSERT_NE(not_found, std::string::npos) << t;
  std::string kept = window_after("> type B");
  EXPECT_NE(kept.find("[B     ]"), std::string::npos) << kept;
  EXPECT_NE(t.find("Fin de fichero", not_found), std::string::npos) << t;
  std::string last = last_window();
  EXPECT_NE(last.find("[D     ]"), std::string::npos) << last;
  EXPECT_NE(last.find("[Suministros Garcia"), std::string::npos) << last;
  EXPECT_NE(last.find("Busqueda"), std::string::npos) << last;
}

TEST_F(MaintTest, AChangedKeyIsPutBackWithMessage0024AndNothingIsWritten) {
  EXPECT_EQ(run("CLIENTES", "key PageDown\ntype C00099\npress Grabar\nanswer Ok\nshow\n"), 0);
  expect_script_ok();
  EXPECT_NE(transcript().find("Modificaci\xC3\xB3n de Clave descartada"), std::string::npos) << transcript();
  EXPECT_NE(last_window().find("[C00002]"), std::string::npos) << last_window();
  EXPECT_FALSE(sent_any("UPDATE"));
  EXPECT_EQ(query("SELECT count(*) FROM clientes WHERE codigo='C00099';"), "0");
}

TEST_F(MaintTest, AnEditedFieldIsSavedAndTheWindowSearchesAgain) {
  EXPECT_EQ(run("CLIENTES", "key PageDown\nkey Tab\ntype Bazar La Estrella SL\npress Grabar\nshow\n"), 0);
  expect_script_ok();
  EXPECT_EQ(query("SELECT nombre FROM clientes WHERE codigo='C00002';"), "Bazar La Estrella SL");
  EXPECT_NE(last_window().find("Busqueda"), std::string::npos);
  // Only the field that changed is written: the others, shown and read
  // back through their formats, stay as they were read.
  bool update = false;
  for (const std::string& s : sent()) {
    if (s.find("UPDATE") == std::string::npos) continue;
    update = true;
    EXPECT_NE(s.find("SET \"nombre\" = 'Bazar La Estrella SL' WHERE"), std::string::npos) << s;
  }
  EXPECT_TRUE(update);
}

TEST_F(MaintTest, DeleteAnsweredNoKeepsTheRecordAndYesDeletesIt) {
  EXPECT_EQ(run("CLIENTES", "type C00004\nkey Enter\npress Borrar\nanswer No\nshow\npress Borrar\nanswer Yes\nshow\n"), 0);
  expect_script_ok();
  const std::string& t = transcript();
  size_t asked = t.find("\xC2\xBF" "Anular Registro(s)?");
  ASSERT_NE(asked, std::string::npos) << t;
  EXPECT_NE(t.find("\xC2\xBF" "Anular Registro(s)?", asked + 1), std::string::npos);
  EXPECT_EQ(query("SELECT count(*) FROM clientes WHERE codigo='C00004';"), "0");
  // After the delete the window shows the record at or after the deleted key.
  EXPECT_NE(last_window().find("[C00005]"), std::string::npos) << last_window();
}

TEST_F(MaintTest, EscAfterEditingAsksMessage0018AndEscWhileSearchingCloses) {
  EXPECT_EQ(run("CLIENTES",
                "type C00005\nkey Enter\nkey Tab\ntype Otro nombre\nkey Esc\nanswer No\nshow\n"
                "key Esc\nanswer Yes\nshow\nkey Esc\n"),
            0);
  expect_script_ok();
  const std::string& t = transcript();
  size_t first = t.find("Posible perdida de datos");
  ASSERT_NE(first, std::string::npos) << t;
  size_t kept = t.find("[Otro nombre", first);
  EXPECT_NE(kept, std::string::npos) << t;
  EXPECT_NE(t.find("Posible perdida de datos", kept), std::string::npos);
  // The changes were dropped and the last Esc ended the window before the
  // script ran out.
  EXPECT_EQ(query("SELECT nombre FROM clientes WHERE codigo='C00005';"), "Hogar y Jardin");
  EXPECT_EQ(t.find("(end of input"), std::string::npos) << t;
  EXPECT_EQ(ui::window_count(), 0);
}

TEST_F(MaintTest, ANarrowScreenHasTheShortLabels) {
  write("ESTRECHO.PPN", "01 SCREENSIZE$=24,1:OPEN$=clientes:FD$=codigo\n");
  write("ESTRECHO.PAN", " 0100101C\xF3" "d:|\n 0110106000006A|\n");
  EXPECT_EQ(run("ESTRECHO", "show\n"), 0);
  std::string shown = last_window();
  EXPECT_NE(shown.find("</ / />"), std::string::npos) << shown;
  EXPECT_NE(shown.find("<<<>"), std::string::npos) << shown;
  EXPECT_NE(shown.find("([x])(X)"), std::string::npos) << shown;
}

TEST_F(MaintTest, ARunOfEqualKeysIsWalkedThroughAScrollCursor) {
  EXPECT_EQ(run("CLIENTES",
                "press [ 1 ]\npress [ 2 ]\ntype Madrid\nkey Enter\nshow\n"
                "key PageDown\nkey PageDown\nkey PageDown\nkey PageUp\nshow\n"),
            0);
  expect_script_ok();
  // Three customers live in Madrid, then come those of Sevilla.
  std::vector<std::string> cities;
  for (const std::string& w : windows_after("> key Page")) {
    size_t city = w.find("Ciudad:");
    if (city != std::string::npos) cities.push_back(w.substr(w.find('[', city) + 1, 7));
  }
  EXPECT_NE(window_after("> key Enter").find("[Madrid "), std::string::npos) << transcript();
  EXPECT_EQ(cities, (std::vector<std::string>{"Madrid ", "Madrid ", "Sevilla", "Madrid "})) << transcript();
  bool declared = false, fetched = false;
  for (const std::string& s : sent()) {
    declared |= s.find("DECLARE") != std::string::npos;
    fetched |= s.find("FETCH") != std::string::npos;
  }
  EXPECT_TRUE(declared);
  EXPECT_TRUE(fetched);
}

TEST_F(MaintTest, ANewLineIsInsertedAndItsDeleteTakesTheRulesBack) {
  EXPECT_EQ(run("MOVIMIENTOS",
                "press Nuevo\ntype 5\nkey Tab\ntype 1\nkey Tab\ntype 010324\nkey Tab\ntype C00004\nkey Tab\n"
                "type A0005\nkey Tab\ntype 2\nkey Tab\ntype 24\npress Grabar\nshow\n"),
            0);
  expect_script_ok();
  EXPECT_EQ(query("SELECT fecha, cliente, articulo, cantidad, importe FROM movimientos WHERE numero=5 AND linea=1;"),
            "20240301|C00004|A0005|2|48.00");
  EXPECT_EQ(query("SELECT stock FROM articulos WHERE codigo='A0005';"), "15");
  EXPECT_EQ(query("SELECT saldo FROM clientes WHERE codigo='C00004';"), "48.00");
  // After the save the window takes the next new line.
  EXPECT_NE(last_window().find("Modificaci\xC3\xB3n - Lineas de albaran"), std::string::npos);

  EXPECT_EQ(run("MOVIMIENTOS", "type 5\nkey Tab\ntype 1\nkey Enter\nshow\npress Borrar\nanswer Yes\n"), 0);
  expect_script_ok();
  EXPECT_NE(transcript().find("[C00004]"), std::string::npos);
  EXPECT_EQ(query("SELECT count(*) FROM movimientos WHERE numero=5;"), "0");
  EXPECT_EQ(query("SELECT stock FROM articulos WHERE codigo='A0005';"), "17");
  EXPECT_EQ(query("SELECT saldo FROM clientes WHERE codigo='C00004';"), "0.00");
}

TEST_F(MaintTest, ALineWhoseRuleFailsIsNotSavedAndKeepsWhatWasTyped) {
  // The customer's balance may not pass 1,000: the rule's second write
  // fails after the line and the stock were written.
  query("ALTER TABLE clientes ADD CONSTRAINT saldo_max CHECK (saldo <= 1000);");
  EXPECT_EQ(run("MOVIMIENTOS",
                "press Nuevo\ntype 5\nkey Tab\ntype 1\nkey Tab\ntype 010324\nkey Tab\ntype C00004\nkey Tab\n"
                "type A0005\nkey Tab\ntype 50\nkey Tab\ntype 24\npress Grabar\nanswer Ok\nshow\n"
                "key Shift+Tab\ntype 2\npress Grabar\nshow\n"),
            0);
  // The first save: an error box that names the file and the rule, nothing
  // written, and the window still in its new-line mode with the typed values.
  std::string box = transcript().substr(transcript().find("> press Grabar"));
  EXPECT_NE(box.find("saldo_max"), std::string::npos) << box.substr(0, 2000);
  EXPECT_NE(box.find("File movimientos, rule:"), std::string::npos) << box.substr(0, 2000);
  std::vector<std::string> after = windows_after("-> Ok");
  ASSERT_EQ(after.size(), 1u) << transcript().substr(transcript().find("> press Grabar"));
  EXPECT_NE(after[0].find("Cantidad:  [    50]"), std::string::npos) << after[0];
  EXPECT_NE(after[0].find("[C00004]"), std::string::npos) << after[0];
  EXPECT_EQ(after[0].find("Busqueda"), std::string::npos) << after[0];
  // Corrected, the same line is saved with its effects, once.
  expect_script_ok();
  EXPECT_EQ(query("SELECT cantidad, importe FROM movimientos WHERE numero=5;"), "2|48.00");
  EXPECT_EQ(query("SELECT stock FROM articulos WHERE codigo='A0005';"), "15");
  EXPECT_EQ(query("SELECT saldo FROM clientes WHERE codigo='C00004';"), "48.00");

  // Editing the saved line: a save that fails leaves the window editing,
  // not searching, with the typed quantity.
  EXPECT_EQ(run("MOVIMIENTOS", "type 5\nkey Tab\ntype 1\nkey Enter\nkey Tab\nkey Tab\nkey Tab\nkey Tab\n"
                               "key Tab\ntype 60\npress Grabar\nanswer Ok\nshow\n"),
            0);
  std::string edited = window_after("-> Ok");
  EXPECT_NE(edited.find("Cantidad:  [    60]"), std::string::npos) << edited;
  EXPECT_EQ(edited.find("Busqueda"), std::string::npos) << edited;
  EXPECT_EQ(query("SELECT cantidad FROM movimientos WHERE numero=5;"), "2");
  EXPECT_EQ(query("SELECT stock FROM articulos WHERE codigo='A0005';"), "15");
}

// The steps of a new delivery-note line from its date field on: the date
// typed (or left as the window shows it when nullptr), the other fields,
// and the Grabar button.
std::string new_line_after_date(const char* date) {
  std::string steps = date != nullptr ? std::string("type ") + date + "\n" : std::string();
  return steps + "key Tab\ntype C00004\nkey Tab\ntype A0005\nkey Tab\ntype 1\nkey Tab\ntype 24\npress Grabar\n";
}

// A new line of note 7.
std::string new_line(int line, const char* date) {
  return "press Nuevo\ntype 7\nkey Tab\ntype " + std::to_string(line) + "\nkey Tab\n" + new_line_after_date(date);
}

TEST_F(MaintTest, ANewLineStoresTheDateItShowsWhenTheFieldIsLeftAlone) {
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, datatest::txt("EN")), 0);
  formats::formats_today_set_for_test("20261208");
  EXPECT_EQ(run("MOVIMIENTOS", new_line(1, nullptr)), 0);
  formats::formats_today_set_for_test(nullptr);
  expect_script_ok();
  std::string shown = window_after("> type 24");
  EXPECT_NE(shown.find("[12-08-26]"), std::string::npos) << shown;
  EXPECT_EQ(query("SELECT fecha FROM movimientos WHERE numero=7 AND linea=1;"), "20261208");
  // A record only looked at keeps its empty date: nothing is written.
  sql("UPDATE movimientos SET fecha=NULL WHERE numero=7;");
  sent();
  EXPECT_EQ(run("MOVIMIENTOS", "type 7\nkey Tab\ntype 1\nkey Enter\nkey PageDown\n"), 0);
  EXPECT_FALSE(sent_any("UPDATE"));
  EXPECT_EQ(query("SELECT coalesce(fecha, 'NULL') FROM movimientos WHERE numero=7;"), "NULL");
}

TEST_F(MaintTest, ADateIsStoredInEveryFormItIsTypedInWithTheLanguagesOrder) {
  struct Case {
    const char* lang;
    const char* typed;
    const char* stored;
  };
  // The field is eight characters wide: a four-digit year must still fit.
  const Case cases[] = {
      {"ES", "08/12/2026", "20261208"}, {"EN", "08/12/2026", "20260812"}, {"ES", "8.12.26", "20261208"},
      {"EN", "12.8.26", "20261208"},    {"ES", "08-12-26", "20261208"},   {"EN", "12-08-26", "20261208"},
      {"ES", "081226", "20261208"},     {"EN", "081226", "20261208"},     {"ES", "20261209", "20261209"},
      {"EN", "20261210", "20261210"},
  };
  int line = 0;
  for (const Case& c : cases) {
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, datatest::txt(c.lang)), 0);
    EXPECT_EQ(run("MOVIMIENTOS", new_line(++line, c.typed)), 0);
    expect_script_ok();
    EXPECT_EQ(query("SELECT fecha FROM movimientos WHERE numero=7 AND linea=" + std::to_string(line) + ";"), c.stored)
        << c.lang << " " << c.typed;
  }
}

TEST_F(MaintTest, ADateThatIsNoDayIsRefusedAndTheFieldKeepsTheFocus) {
  const char* langs[] = {"ES", "EN"};
  // Each refused text is typed: Tab is refused, so is the save with the
  // Grabar button, and the field stays current with the text as typed.
  const char* bad[][2] = {{"31-02-26", "02-31-26"}, {"08122026", "08122026"}, {"abc", "abc"}, {"08/12", "12/08"}};
  for (int l = 0; l < 2; ++l) {
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, datatest::txt(langs[l])), 0);
    for (const auto& b : bad) {
      std::string text = b[l];
      size_t start = transcript().size();
      EXPECT_EQ(run("MOVIMIENTOS", "press Nuevo\ntype 7\nkey Tab\ntype 1\nkey Tab\ntype " + text +
                                       "\nkey Tab\nanswer Ok\npress Grabar\nanswer Ok\nshow\n"),
                0);
      expect_script_ok();
      std::string t = transcript().substr(start);
      size_t box = t.find("\"Mensaje Informativo\" [warning; Ok]\n   Datos incorrectos");
      ASSERT_NE(box, std::string::npos) << t;
      EXPECT_NE(t.find("Datos incorrectos", t.find("> press Grabar")), std::string::npos) << t;
      EXPECT_EQ(t.rfind("focus: #"), t.rfind("focus: #2002")) << t;
      EXPECT_NE(last_window().find("[" + text), std::string::npos) << last_window();
      EXPECT_EQ(query("SELECT count(*) FROM movimientos WHERE numero=7;"), "0") << langs[l] << " " << text;
    }
  }
  // Corrected, the line is saved.
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, datatest::txt("ES")), 0);
  EXPECT_EQ(run("MOVIMIENTOS", "press Nuevo\ntype 7\nkey Tab\ntype 1\nkey Tab\ntype 31-02-26\nkey Tab\nanswer Ok\n" +
                                   new_line_after_date("28-02-26")),
            0);
  expect_script_ok();
  EXPECT_EQ(query("SELECT fecha FROM movimientos WHERE numero=7;"), "20260228");
}

// A typed zero is a quantity of 0, not an empty one.
TEST_F(MaintTest, ATypedZeroIsStoredAsZero) {
  EXPECT_EQ(run("MOVIMIENTOS", "press Nuevo\ntype 7\nkey Tab\ntype 1\nkey Tab\ntype 081226\nkey Tab\ntype C00004\nkey Tab\n"
                               "type A0005\nkey Tab\ntype 0\nkey Tab\ntype 00\npress Grabar\n"),
            0);
  expect_script_ok();
  EXPECT_EQ(query("SELECT coalesce(cantidad::text, 'NULL') || ' ' || coalesce(importe::text, 'NULL') FROM movimientos "
                  "WHERE numero=7;"),
            "0 0.00");
}

// A form whose date field has a data field as its target stores the day
// the field shows, in the language's order.
TEST_F(MaintTest, AFormsDateTargetStoresTheTypedDayInTheRecord) {
  ASSERT_EQ(script::expr_status("FILELOCATE('TOP';'movimientos')"_t), 0);
  struct Case {
    const char* lang;
    const char* typed;
    const char* stored;
  };
  const Case cases[] = {{"ES", "08/12/2026", "20261208"}, {"EN", "08/12/2026", "20260812"}, {"ES", "9.12.26", "20261209"},
                        {"EN", "12-10-26", "20261210"},   {"EN", "111226", "20261211"},     {"ES", "20261212", "20261212"}};
  for (const Case& c : cases) {
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, datatest::txt(c.lang)), 0);
    std::vector<ui::platform::ScriptStep> steps;
    std::string error;
    ASSERT_TRUE(ui::platform::script_parse(std::string("type ") + c.typed + "\nkey Enter\n", &steps, &error));
    tk_->script_set(std::move(steps));
    ui::FormRequest request;
    request.fields = "'Fecha:':'D8':::fecha{movimientos}"_t;
    ui::FormResult result;
    ASSERT_EQ(ui::form_run(request, &result), 0) << c.typed;
    core::ArenaScope scope;
    EXPECT_EQ(datatest::str(script::expr_text("fecha{movimientos}"_t)), c.stored) << c.lang << " " << c.typed;
  }
  expect_script_ok();
}

TEST_F(MaintTest, ALookupWindowStartsAtTheFieldsTextAndHandsBackItsRecord) {
  EXPECT_EQ(run("MOVIMIENTOS",
                "press Nuevo\nkey Tab\nkey Tab\nkey Tab\ntype C00002\nkey Enter\nshow\n"
                "key PageDown\nkey Esc\nkey Esc\nshow\n"),
            0);
  expect_script_ok();
  const std::string& t = transcript();
  size_t lookup = t.find("+- Mantenimiento de Ficheros - Clientes");
  ASSERT_NE(lookup, std::string::npos) << t;
  EXPECT_NE(t.find("[Bazar La Estrella", lookup), std::string::npos);
  std::string back = last_window();
  EXPECT_NE(back.find("Lineas de albaran"), std::string::npos) << back;
  EXPECT_NE(back.find("[C00003]"), std::string::npos) << back;
}

TEST_F(MaintTest, VoidModeTakesTheWritesOutAndFlag8RemovesTheScreenFile) {
  write("VER.PPN", "01 OPEN$=clientes:FD$=codigo,nombre:VOIDMODE%=3840\n");
  write("VER.PAN", " 0110101000006A|\n 0110201000030A|\n");
  EXPECT_EQ(run("VER,1,,,,,0x5E", "key PageDown\nkey Tab\ntype Nadie\npress Grabar\n"), 0);
  expect_script_ok();
  EXPECT_EQ(query("SELECT nombre FROM clientes WHERE codigo='C00002';"), "Bazar La Estrella");
  EXPECT_FALSE(sent_any("UPDATE"));
  EXPECT_FALSE(std::filesystem::exists(folder_.path() + "/VER.PAN"));
  EXPECT_TRUE(std::filesystem::exists(folder_.path() + "/VER.PPN"));
}

// Two failed saves in a row, of two tables: each box tells its own
// failure, and nothing of the first is left pending once it was shown.
TEST_F(MaintTest, EachFailedSaveShowsItsOwnErrorOnly) {
  // Two tables whose saves the server refuses, each for a reason of its own.
  query("ALTER TABLE clientes ADD CONSTRAINT nombre_corto CHECK (length(nombre) < 3) NOT VALID;");
  query("ALTER TABLE articulos ADD CONSTRAINT descripcion_corta CHECK (length(descripcion) < 3) NOT VALID;");
  EXPECT_EQ(run("CLIENTES", "press Nuevo\ntype C00099\nkey Tab\ntype Otro\npress Grabar\nanswer Ok\n"), 0);
  expect_script_ok();
  EXPECT_NE(transcript().find("nombre_corto"), std::string::npos) << transcript();
  EXPECT_EQ(core::error_last().code, 0);
  EXPECT_EQ(datatest::str(core::error_detail()), "");
  EXPECT_EQ(run("ARTICULOS", "press Nuevo\ntype A0099\nkey Tab\ntype Otro\npress Grabar\nanswer Ok\n"), 0);
  expect_script_ok();
  const std::string& t = transcript();
  size_t box = t.find("** message box", t.find("Articulos"));
  ASSERT_NE(box, std::string::npos) << t;
  std::string shown = t.substr(box, t.find("-> Ok", box) - box);
  EXPECT_NE(shown.find("descripcion_corta"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("nombre_corto"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("C00099"), std::string::npos) << shown;
}

TEST_F(MaintTest, AScreenThatCannotOpenGivesItsCodeAndLeavesNothingOpen) {
  core::error_clear();
  EXPECT_EQ(run("NOHAY", ""), core::FILENOTFOUND);
  // The error names the file the screen needs.
  EXPECT_NE(datatest::str(core::error_detail()).find("NOHAY"), std::string::npos)
      << datatest::str(core::error_detail());
  write("MALA.PPN", "01 OPEN$=nohay\n");
  write("MALA.PAN", " 0110101000006A|\n");
  EXPECT_EQ(run("MALA", ""), core::FILESOPEN);
  // An opening expression that fails keeps the window from opening.
  write("MAL2.PPN", "01 OPEN$=clientes:FD$=codigo:PERFORM$=\"FILESEL('nohay')\"\n");
  write("MAL2.PAN", " 0110101000006A|\n");
  EXPECT_EQ(run("MAL2", ""), core::FILESOPEN);
  EXPECT_EQ(core::slot_count(33), 0);  // its open-file set went again
  EXPECT_EQ(ui::window_count(), 0);
  EXPECT_EQ(ui::screen_count(), 0);
  EXPECT_EQ(core::slot_count(31), 0);  // the definition stack
}

// The sample's SQL creates every index the keyed access wants, in the form
// it reads them in.
TEST_F(MaintTest, TheSampleTablesHaveTheIndexesOfTheirKeys) {
  std::string text = testsupport::file_text(std::string(TEST_SOURCE_DIR) + "/../examples/tienda/tienda.sql");
  for (uint16_t file = 1; file <= data::dict_file_count(); ++file) {
    data::FileItem item;
    ASSERT_EQ(data::dict_file_attr(file, &item), 0);
    for (uint16_t key = 1; key <= item.key_count; ++key) {
      core::ArenaScope scope;
      std::string wanted = datatest::str(data::access_index_definition(file, key, key == 1));
      // Several statements of one key stand on lines of their own.
      size_t from = 0;
      for (size_t end = wanted.find("; ", from); from < wanted.size(); end = wanted.find("; ", from)) {
        std::string one = wanted.substr(from, end == std::string::npos ? std::string::npos : end - from + 1);
        EXPECT_NE(text.find(one), std::string::npos) << "tienda.sql lacks: " << one;
        if (end == std::string::npos) break;
        from = end + 2;
      }
    }
  }
}

}  // namespace
