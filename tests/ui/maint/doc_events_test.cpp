// The events of a document window answered by the window's own procedure
// (ALBARAN.PRX beside ALBARAN.PPN): an entry named after an event runs at
// it instead of PRCNAME$; a handler refuses the operation by giving
// DOCALARM$ its reason, and an error in it stops the operation too.
#include "script/numbers.h"
#include "script/variables.h"
#include "tests/ui/maint/doc_fixture.h"

namespace {

using core::operator""_t;
using docwin::g_on_event;
using docwin::read_back;
using docwin::typed_line;

class DocEvents : public docwin::DocWindowTest {
 protected:
  void SetUp() override {
    DocWindowTest::SetUp();
    screen_with("HELP$=ALBARAN.HLP", "HELP$=ALBARAN.HLP:PRCNAME$=EVENTS");
    g_on_event = [this](const std::string& event) {
      named_.push_back(event);
      return core::Status{0};
    };
  }
  std::string count(const std::string& table, int note) {
    return query("SELECT count(*) FROM " + table + " WHERE numero = " + std::to_string(note) + ";");
  }
  // A variable's value as text.
  static std::string var(const char* name) {
    script::Value v;
    if (script::var_get_value(core::text_from_c(name), &v) != 0) return "?";
    return v.is_text() ? datatest::str(v.text) : datatest::str(script::number_to_text(v.number));
  }
  static int64_t saves() {
    script::Value v;
    EXPECT_EQ(script::var_get_value("SAVES"_t, &v), 0);
    return script::number_to_int(v.number);
  }
  std::vector<std::string> named_;  // the events PRCNAME$ ran at
};

TEST_F(DocEvents, TheOwnProceduresEntriesAnswerTheirEventsAndCanRefuseASave) {
  write("ALBARAN.PRX",
        "; The notes' own events.\n"
        "DEF_FN CHECK\n"
        "IF FN$TRIM(cliente{albaranes})=='C00007'\n"
        "DOCALARM$='No se sirve a este cliente'\n"
        "ENDIF\n"
        "END\n"
        "DEF_FN SAVE\n"
        "SAVES=SAVES+1\n"
        "END\n");
  ASSERT_EQ(script::var_set("SAVES"_t, "0"_t), 0);
  std::string steps = "type 60\nkey Tab\nkey Tab\ntype C00007\nkey Tab\n" + typed_line("A0001", "1", "12.50") +
                      "press Grabar\nanswer Ok\nkey Esc\nanswer Yes\n";
  EXPECT_EQ(run_document("ALBARAN", steps), 0);
  expect_script_ok();
  EXPECT_NE(transcript().find("No se sirve a este cliente"), std::string::npos) << transcript();
  EXPECT_EQ(count("albaranes", 60), "0");
  EXPECT_EQ(lines(60), "");
  EXPECT_EQ(saves(), 0);
  // Another customer's note saves, and SAVE is answered once.
  EXPECT_EQ(run_document("ALBARAN", "type 61\nkey Tab\nkey Tab\ntype C00006\nkey Tab\n" +
                                        typed_line("A0001", "1", "12.50") + "press Grabar\n"),
            0);
  expect_script_ok();
  EXPECT_EQ(lines(61), "1 A0001 1 12.50");
  EXPECT_EQ(saves(), 1);
  // PRCNAME$ ran only at the events the procedure has no entry for.
  EXPECT_EQ(named_, (std::vector<std::string>{"INIT", "INIT"}));
}

TEST_F(DocEvents, AHandlersLookupOfAnotherFileHoldsAndTheNoteComesBack) {
  // LOAD looks a customer up and moves the header's file; CHECK reads both.
  write("ALBARAN.PRX",
        "DEF_FN LOAD\n"
        "S=FILEFIND('C00003';'clientes';1)\n"
        "S=FILEFIND('';'albaranes';1;2)\n"
        "END\n"
        "DEF_FN CHECK\n"
        "LOOKED$=FN$TRIM(nombre{clientes})\n"
        "NOTE#=numero{albaranes}\n"
        "END\n");
  EXPECT_EQ(run_document("ALBARAN", read_back(1) + "press Grabar\n"), 0);
  expect_script_ok();
  EXPECT_EQ(var("LOOKED$"), "Suministros Garcia");
  EXPECT_EQ(var("NOTE#"), "1") << "the header's file is back on the note shown";
}

TEST_F(DocEvents, ANoteWhoseLoadIsRefusedIsNotKeptInTheWindow) {
  write("ALBARAN.PRX",
        "DEF_FN LOAD\n"
        "IF numero{albaranes}==2\n"
        "DOCALARM$='Albaran cerrado'\n"
        "ENDIF\n"
        "END\n");
  EXPECT_EQ(run_document("ALBARAN", "type 2\nkey Tab\nanswer Ok\nshow\n" + read_back(1) + "show\n"), 0);
  expect_script_ok();
  std::string refused = window_after("-> Ok");
  EXPECT_NE(transcript().find("Albaran cerrado"), std::string::npos) << transcript();
  EXPECT_NE(refused.find("Nueva alta"), std::string::npos) << refused;
  EXPECT_EQ(refused.find("A0005"), std::string::npos) << refused;
  // Note 1 is read as usual afterwards.
  EXPECT_NE(last_window().find("A0003"), std::string::npos) << last_window();
  // The entry answered both loads, the refused one and the kept one.
  EXPECT_EQ(named_, (std::vector<std::string>{"INIT"}));
}

TEST_F(DocEvents, AHandlersVariablesStayAndTheFilesItMovesComeBack) {
  // INIT says which note the automatic import copies; CHECK looks the
  // first note of the file up, which loads it into the buffers that hold
  // the note typed.
  write("ALBARAN.PRX",
        "DEF_FN INIT\n"
        "IMPNUM#=2\n"
        "END\n"
        "DEF_FN CHECK\n"
        "S=FILEFIND('';'albaranes';1;2)\n"
        "FIRST$=cliente{albaranes}\n"
        "END\n");
  screen_with("LOAD_IMPORT$='ALBARAN,3'", "LOAD_IMPORT$='ALBARAN,3':AUTO_IMPORT$=1");
  EXPECT_EQ(run_document("ALBARAN", "type 62\nkey Tab\nkey Tab\ntype C00006\nkey Tab\npress Grabar\n"), 0);
  expect_script_ok();
  EXPECT_EQ(lines(62), "1 A0005 3 72.00, 2 A0006 3 22.50") << transcript();
  EXPECT_EQ(query("SELECT cliente || ' ' || total FROM albaranes WHERE numero = 62;"), "C00006 94.50");
  EXPECT_EQ(query("SELECT cliente || ' ' || total FROM albaranes WHERE numero = 1;"), "C00001 58.75");
  script::Value first;
  ASSERT_EQ(script::var_get_value("FIRST$"_t, &first), 0);
  EXPECT_EQ(datatest::str(first.text), "C00001");
}

std::vector<std::string> g_printed;  // the documents' keys printed

core::Status printer(const ui::DocumentPrint& print) {
  g_printed.push_back(datatest::str(print.value));
  return 0;
}

TEST_F(DocEvents, ASaveHandlersRefusalKeepsTheSavedNoteFromPrinting) {
  write("ALBARAN.PRX",
        "DEF_FN SAVE\n"
        "IF numero{albaranes}==71\n"
        "DOCALARM$='Sin copia impresa'\n"
        "ENDIF\n"
        "END\n");
  g_printed.clear();
  ui::hooks_install({docwin::runner, printer, {}});
  std::string steps = "press Modo Impr.\n";
  for (int note : {70, 71}) {
    steps += "type " + std::to_string(note) + "\nkey Tab\nkey Tab\ntype C00006\nkey Tab\n" +
             typed_line("A0001", "1", "12.50") + "press Grabar\n";
  }
  EXPECT_EQ(run_document("ALBARAN", steps + "answer Ok\n"), 0);
  ui::hooks_install({docwin::runner, nullptr, {}});
  expect_script_ok();
  // Both written, the refused one told and not printed.
  EXPECT_EQ(lines(70), "1 A0001 1 12.50");
  EXPECT_EQ(lines(71), "1 A0001 1 12.50");
  EXPECT_NE(transcript().find("Sin copia impresa"), std::string::npos) << transcript();
  EXPECT_EQ(g_printed, (std::vector<std::string>{"    70"}));
}

TEST_F(DocEvents, AnErrorInAHandlerIsShownAndStopsTheDelete) {
  write("ALBARAN.PRX",
        "DEF_FN DELETE\n"
        "X=FN$MIDS('abc')\n"
        "END\n");
  EXPECT_EQ(run_document("ALBARAN", read_back(1) + "press Anular Doc.\nanswer Yes\nanswer Ok\n"), 0);
  expect_script_ok();
  EXPECT_NE(transcript().find("FN$MIDS"), std::string::npos) << "the box names what failed: " << transcript();
  EXPECT_EQ(count("albaranes", 1), "1");
  EXPECT_EQ(lines(1), "1 A0001 2 25.00, 2 A0003 5 33.75");
}


TEST_F(DocEvents, AHandlerThatFailsAfterALookupLeavesTheTypedNoteToSave) {
  // The first CHECK looks note 2 up and then fails; the second passes.
  write("ALBARAN.PRX",
        "DEF_FN CHECK\n"
        "IF TRIES==0\n"
        "TRIES=1\n"
        "S=FILEFIND('';'albaranes';1;2)\n"
        "X=FN$MIDS('abc')\n"
        "ENDIF\n"
        "END\n");
  ASSERT_EQ(script::var_set("TRIES"_t, "0"_t), 0);
  EXPECT_EQ(run_document("ALBARAN", "type 63\nkey Tab\nkey Tab\ntype C00006\nkey Tab\n" +
                                        typed_line("A0001", "1", "12.50") + "press Grabar\nanswer Ok\npress Grabar\n"),
            0);
  expect_script_ok();
  // The note typed is saved as typed; note 2 is as it was.
  EXPECT_EQ(query("SELECT cliente || ' ' || total FROM albaranes WHERE numero = 63;"), "C00006 12.50") << transcript();
  EXPECT_EQ(lines(63), "1 A0001 1 12.50");
  EXPECT_EQ(count("albaranes", 2), "1");
}


TEST_F(DocEvents, AnOwnProcedureThatDoesNotCompileKeepsTheWindowFromOpening) {
  // Its CHECK would refuse every note; it must not be passed over.
  write("ALBARAN.PRX",
        "DEF_FN CHECK\n"
        "DOCALARM$='Cerrado'\n"
        "END\n"
        "ENDIF\n");
  EXPECT_NE(run_document("ALBARAN", "answer Ok\ntype 65\nkey Tab\nkey Tab\ntype C00006\nkey Tab\n" +
                                        typed_line("A0001", "1", "12.50") + "press Grabar\n"),
            0);
  EXPECT_NE(transcript().find("ALBARAN.PRX, line 4"), std::string::npos) << transcript();
  EXPECT_EQ(count("albaranes", 65), "0") << transcript();
  EXPECT_EQ(lines(65), "");
  // Nor does PRCNAME$ answer for it.
  EXPECT_EQ(named_, std::vector<std::string>{});
}

}  // namespace
