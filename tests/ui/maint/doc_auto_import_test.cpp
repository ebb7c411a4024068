// The automatic import of a document window (AUTO_IMPORT$): the sample's
// import set (the lines of another note, IMPNUM#) run by itself when the
// user first enters the lines of a new note, once in a window.
#include "core/status_words.h"
#include "script/variables.h"
#include "tests/ui/maint/doc_fixture.h"

namespace {

using core::operator""_t;
using docwin::read_back;
using docwin::typed_line;

constexpr int16_t kAutoImported = 32;  // bit of status word 21

class DocAutoImport : public docwin::DocWindowTest {
 protected:
  void SetUp() override {
    DocWindowTest::SetUp();
    // What the set's form would ask: the note whose lines are copied.
    ASSERT_EQ(script::var_set("IMPNUM#"_t, "2"_t), 0);
  }
  void auto_import(const std::string& name) {
    screen_with("LOAD_IMPORT$='ALBARAN,3'", "LOAD_IMPORT$='ALBARAN,3':AUTO_IMPORT$='" + name + "'");
  }
  static std::string new_note(int note) {
    return "type " + std::to_string(note) + "\nkey Tab\nkey Tab\ntype C00006\nkey Tab\n";
  }
  static int16_t scrstat() { return script::var_get_int(core::kSwScrStat); }
};

const char kNoteTwo[] = "1 A0005 3 72.00, 2 A0006 3 22.50";

TEST_F(DocAutoImport, TheFirstNewNotesLinesAreImportedOnceInTheWindow) {
  auto_import("Lineas de otro albaran");
  EXPECT_EQ(run_document("ALBARAN", new_note(50) + "show\npress Grabar\n" + new_note(51) +
                                        typed_line("A0001", "1", "12.50") + "press Grabar\n"),
            0);
  expect_script_ok();
  // Imported on entering the lines, shown from line 1.
  const std::string& t = transcript();
  size_t from = t.find("> type C00006");
  std::string shown = t.substr(from, t.find("> press Grabar") - from);
  shown = shown.substr(shown.rfind("\n+- "));
  EXPECT_NE(shown.find("A0006"), std::string::npos) << shown;
  EXPECT_NE(shown.find(" 1 / 2"), std::string::npos) << shown;
  EXPECT_NE(shown.find("[A0005   ]"), std::string::npos) << shown;
  EXPECT_EQ(lines(50), kNoteTwo);
  EXPECT_EQ(query("SELECT total FROM albaranes WHERE numero = 50;"), "94.50");
  // The window's second note was not imported into.
  EXPECT_EQ(lines(51), "1 A0001 1 12.50");
}

TEST_F(DocAutoImport, AnApplicationThatClearsTheBitAfterASaveImportsIntoEveryNewNote) {
  screen_with("LOAD_IMPORT$='ALBARAN,3'",
              "LOAD_IMPORT$='ALBARAN,3':AUTO_IMPORT$=1:SAVED$='_SCRSTAT=_SCRSTAT-(_SCRSTAT&32)'");
  EXPECT_EQ(run_document("ALBARAN", new_note(57) + "press Grabar\n" + new_note(58) + "press Grabar\n"), 0);
  expect_script_ok();
  EXPECT_EQ(lines(57), kNoteTwo);
  EXPECT_EQ(lines(58), kNoteTwo);
}

TEST_F(DocAutoImport, ANoteReadFromTheFileIsNotImportedIntoAndEachWindowImportsOnce) {
  auto_import("1");
  // Note 1 read and saved as it was; then a new note takes the import.
  EXPECT_EQ(run_document("ALBARAN", read_back(1) + "press Grabar\n" + new_note(52) + "press Grabar\n"), 0);
  expect_script_ok();
  EXPECT_EQ(lines(1), "1 A0001 2 25.00, 2 A0003 5 33.75");
  EXPECT_EQ(lines(52), kNoteTwo);
  EXPECT_EQ(scrstat() & kAutoImported, 0);
  // A window of its own imports again, whatever an outer window had done,
  // and leaves the bit as it found it.
  script::var_set_int(core::kSwScrStat, static_cast<int16_t>(scrstat() | kAutoImported));
  EXPECT_EQ(run_document("ALBARAN", new_note(53) + "press Grabar\n"), 0);
  expect_script_ok();
  EXPECT_EQ(lines(53), kNoteTwo);
  EXPECT_NE(scrstat() & kAutoImported, 0);
}

TEST_F(DocAutoImport, ASetThatIsNotThereIsToldOnceAndTheNoteIsTypedAsUsual) {
  auto_import("Otra cosa");
  EXPECT_EQ(run_document("ALBARAN", new_note(54) + "answer Ok\n" + typed_line("A0001", "1", "12.50") +
                                        "press Grabar\n" + new_note(55) + typed_line("A0002", "1", "4.20") +
                                        "press Grabar\n"),
            0);
  expect_script_ok();
  const std::string& t = transcript();
  size_t told = t.find("AUTO_IMPORT$=Otra cosa");
  ASSERT_NE(told, std::string::npos) << t;
  EXPECT_EQ(t.find("AUTO_IMPORT$=Otra cosa", told + 1), std::string::npos) << t;
  EXPECT_EQ(lines(54), "1 A0001 1 12.50");
  EXPECT_EQ(lines(55), "1 A0002 1 4.20");
  // A set number past the sets: nothing copied from the lines' file.
  auto_import("7");
  EXPECT_EQ(run_document("ALBARAN", new_note(56) + "answer Ok\n" + typed_line("A0001", "1", "12.50") +
                                        "press Grabar\n"),
            0);
  expect_script_ok();
  EXPECT_NE(transcript().find("DATAOUTBOUND"), std::string::npos) << transcript();
  EXPECT_EQ(lines(56), "1 A0001 1 12.50");
}

TEST_F(DocAutoImport, ANavigationWindowImportsIntoTheNoteWhoseKeyIsTypedAfterItOpens) {
  // The window opens in the lines, before any note has a key; the import
  // goes into the note whose key is typed then.
  screen_with("LOAD_IMPORT$='ALBARAN,3'", "LOAD_IMPORT$='ALBARAN,3':AUTO_IMPORT$=1:MODE$=NAVIGATION");
  EXPECT_EQ(run_document("ALBARAN", "press Modo\n" + new_note(64) + "show\n"), 0);
  expect_script_ok();
  const std::string shown = last_window();
  EXPECT_NE(shown.find("[    64]"), std::string::npos) << shown;
  EXPECT_NE(shown.find("A0006"), std::string::npos) << shown;
  EXPECT_NE(shown.find(" 1 / 2"), std::string::npos) << shown;
}

}  // namespace
