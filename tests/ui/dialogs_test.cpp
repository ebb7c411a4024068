// The shared dialogs over the headless backend: message boxes and their
// answers, the selection window, the font choice, the progress window with
// its cancel, and the file dialogs.
#include <chrono>
#include <thread>

#include "core/messages.h"
#include "script/procedures.h"
#include "tests/support/file_text.h"
#include "tests/ui/ui_fixture.h"
#include "ui/dialogs.h"

namespace {

using namespace uitest;

class Dialogs : public UiTest {};

TEST_F(Dialogs, MessageBoxesAnswerWithTheLettersOfMessage0011) {
  input("answer Yes\nanswer No\nanswer Close\nanswer Retry\nanswer Cancel\n");
  EXPECT_EQ(ui::message_box("Seguro?"_t, ""_t, ui::kBoxYesNo), 'S');
  EXPECT_EQ(ui::message_box("Seguro?"_t, ""_t, ui::kBoxYesNo), 'N');
  EXPECT_EQ(ui::message_box("Seguro?"_t, ""_t, ui::kBoxYesNo), ui::kAnswerOther);
  EXPECT_EQ(ui::message_box("Otra vez"_t, ""_t, ui::kBoxRetryCancel), 'S');
  EXPECT_EQ(ui::message_box("Otra vez"_t, ""_t, ui::kBoxRetryCancel), ui::kAnswerOther);
  // Without an answer in the script a box takes its first button.
  EXPECT_EQ(ui::message_box("Hecho"_t, ""_t, ui::kBoxInfo), 'S');
  expect_script_ok();
  const std::string& t = tk_->transcript();
  EXPECT_NE(t.find("\"Solicitud de Información\" [information; Yes No]"), std::string::npos) << t;
  EXPECT_NE(t.find("\"Mensaje Informativo\" [error; Retry Cancel]"), std::string::npos) << t;
  EXPECT_NE(t.find("-> Ok (no answer in the script)"), std::string::npos) << t;
}

// Looking at a box (show, shot) leaves it open for the answer after them.
TEST_F(Dialogs, ShowAndShotPictureAnOpenBoxWithoutAnsweringIt) {
  std::string shot = folder_ + "/box.txt";
  input("show\nshot " + shot + "\nanswer No\n");
  EXPECT_EQ(ui::message_box("\xBFSalir de la aplicaci\xF3n?"_t, "Cerrar"_t, ui::kBoxYesNo), 'N');
  EXPECT_TRUE(tk_->script_done());
  expect_script_ok();
  const std::string picture =
      "+- Cerrar -------------------+\n"
      "|  ¿Salir de la aplicación?  |\n"
      "|                            |\n"
      "|         <Yes> <No>         |\n"
      "+----------------------------+";
  const std::string& t = tk_->transcript();
  size_t shown = t.find(picture);
  EXPECT_NE(shown, std::string::npos) << t;
  EXPECT_LT(shown, t.find("-> No")) << t;
  EXPECT_EQ(testsupport::file_text(shot), picture + "\n");
}

TEST_F(Dialogs, KindsCarryTheirButtonsIconsAndCaptions) {
  struct Case {
    int kind;
    const char* shown;
  };
  const Case cases[] = {{0, "\"Solicitud de Información\" [information; Ok]"},
                        {1, "\"Mensaje Informativo\" [warning; Ok]"},
                        {2, "\"Solicitud de Información\" [information; Ok Cancel]"},
                        {3, "\"Alerta de Mensaje Fatal\" [error; Ok]"},
                        {6, "\"Solicitud de Información\" [information; Yes No Cancel]"},
                        {9, "\"Solicitud de Información\" [information; Ok]"}};
  for (const Case& c : cases) {
    ui::message_box("x"_t, ""_t, c.kind);
    EXPECT_NE(tk_->transcript().find(c.shown), std::string::npos) << c.kind << "\n" << tk_->transcript();
  }
  ui::info_box("Propio"_t, "texto"_t);
  EXPECT_NE(tk_->transcript().find("\"Propio\" [information; Ok]"), std::string::npos);
  // A box may not be answered with a button it does not have.
  input("answer No\n");
  EXPECT_EQ(ui::message_box("x"_t, ""_t, ui::kBoxInfo), 'S');
  EXPECT_EQ(tk_->script_errors().size(), 1u);
}

TEST_F(Dialogs, QuestionsCountAsYesOnlyWhenAnsweredYes) {
  input("answer Yes\nanswer No\nanswer Close\n");
  EXPECT_TRUE(ui::ask("Cerrar?"_t));
  EXPECT_FALSE(ui::ask("Cerrar?"_t));
  EXPECT_FALSE(ui::ask("Cerrar?"_t));
}

TEST_F(Dialogs, TheCoreShowsItsErrorsInRealBoxes) {
  core::report_detail(core::FILENOTFOUND, "DICC.DAT"_t, false);
  core::error_record(core::kRecord, core::Context::LOADFILESTR, core::FILENOTFOUND, 0);
  core::error_box(core::FILENOTFOUND);
  core::done_box(true, ""_t);
  const std::string& t = tk_->transcript();
  EXPECT_NE(t.find("\"Alerta de Mensaje Fatal\" [error; Ok]"), std::string::npos) << t;
  EXPECT_NE(t.find("Error Fichero no encontrado"), std::string::npos) << t;
  EXPECT_NE(t.find("DICC.DAT"), std::string::npos) << t;
  EXPECT_NE(t.find("\"Mensaje Informativo\" [warning; Ok]"), std::string::npos) << t;
  EXPECT_NE(t.find("Proceso Completado Satisfactoriamente"), std::string::npos) << t;
}

TEST_F(Dialogs, TheListFormOffersTheItemsWithoutQuotes) {
  input("select 2\nkey Enter\n");
  EXPECT_EQ(ui::selection_run("Elegir"_t, "'Uno',\"Dos, tres\",Cuatro"_t, ui::kSelectListBox), 2);
  EXPECT_EQ(script::var_get_int(core::kSwStat), 2);
  EXPECT_NE(tk_->transcript().find(">Dos, tres"), std::string::npos) << tk_->transcript();
  EXPECT_EQ(ui::window_count(), 0);
  input("select 3\nactivate\n");
  EXPECT_EQ(ui::selection_run("Elegir"_t, "a,b,c"_t, ui::kSelectListBox), 3);
  input("key Esc\n");
  EXPECT_EQ(ui::selection_run("Elegir"_t, "a,b,c"_t, ui::kSelectListBox), 0);
  expect_script_ok();
}

TEST_F(Dialogs, TheButtonFormChoosesByClickEnterAndArrows) {
  input("press Beta\n");
  EXPECT_EQ(ui::selection_run("Elegir"_t, "Alfa,Beta,Gamma"_t, 0), 2);
  // Down moves from the first to the second and wraps from the last.
  input("key Down\nkey Down\nkey Down\nkey Enter\n");
  EXPECT_EQ(ui::selection_run("Elegir"_t, "Alfa,Beta,Gamma"_t, 0), 1);
  input("key Up\nkey Enter\n");
  EXPECT_EQ(ui::selection_run("Elegir"_t, "Alfa,Beta,Gamma"_t, 0), 3);
  input("close\n");
  EXPECT_EQ(ui::selection_run("Elegir"_t, "Alfa,Beta,Gamma"_t, 0), 0);
  expect_script_ok();
  // The screen font is back after the smaller buttons.
  EXPECT_EQ(ui::font_cell().h, tk_->font_set(ui::font_current()).h);
}

TEST_F(Dialogs, ButtonsFallIntoColumnsWhenTheyDoNotFitTheScreen) {
  int rows = 0, columns = 0;
  ui::selection_button_layout(10, 8, 40, &rows, &columns);
  EXPECT_EQ(rows, 10);
  EXPECT_EQ(columns, 15);
  // Sixty buttons of two rows each in a screen of 40 rows: halved twice.
  ui::selection_button_layout(60, 8, 40, &rows, &columns);
  EXPECT_EQ(rows, 15);
  int w = 15;
  w = w * 4 - w / 2 - w / 4 - w / 8;
  w = w * 4 - w / 2 - w / 4 - w / 8;
  EXPECT_EQ(columns, w);
}

TEST_F(Dialogs, TheFontChoiceMovesTheChosenLineToTheFront) {
  write("QVFONT.PPN", "16;0;NORMAL;Courier New\r\n20;11;BOLD;Lucida Console\r\n");
  ASSERT_EQ(ui::font_load(), 0);
  EXPECT_EQ(ui::font_current().height, 16);
  EXPECT_FALSE(ui::font_current().bold);
  input("show\nselect 2\nkey Enter\n");
  ASSERT_EQ(ui::font_choose(), 0);
  EXPECT_EQ(read("QVFONT.PPN"), "20;11;BOLD;Lucida Console\r\n16;0;NORMAL;Courier New\r\n");
  // The list names each font by its face and size, not by its raw line.
  const std::string& t = tk_->transcript();
  EXPECT_NE(t.find("Courier New, 16 px"), std::string::npos) << t;
  EXPECT_NE(t.find("Lucida Console, 20 x 11 px, Bold"), std::string::npos) << t;
  EXPECT_EQ(t.find("NORMAL;"), std::string::npos) << t;
  EXPECT_EQ(ui::font_current().height, 20);
  EXPECT_EQ(ui::font_current().width, 11);
  EXPECT_TRUE(ui::font_current().bold);
  EXPECT_EQ(ui::font_current().face, "Lucida Console");
  EXPECT_EQ(ui::font_cell().w, 11);
  // Nothing chosen leaves the list as it is.
  input("key Esc\n");
  ASSERT_EQ(ui::font_choose(), 0);
  EXPECT_EQ(read("QVFONT.PPN"), "20;11;BOLD;Lucida Console\r\n16;0;NORMAL;Courier New\r\n");
  std::filesystem::remove(folder_ + "/QVFONT.PPN");
  EXPECT_EQ(ui::font_choose(), core::FILENOTFOUND);
}

TEST_F(Dialogs, FontCaptionsLeaveOutWhatTheLineDoesNotSay) {
  EXPECT_EQ(ui::font_caption(ui::font_parse("14;0;NORMAL;DejaVu Sans Mono"_t)), "DejaVu Sans Mono, 14 px");
  EXPECT_EQ(ui::font_caption(ui::font_parse("-18;0;bold;"_t)), "18 px, Bold");
}

// Box buttons take their captions from the language: the built-in Spanish
// words, then the English module's.
TEST_F(Dialogs, BoxButtonCaptionsFollowTheLanguage) {
  ui::platform::BoxLabels es = ui::box_labels();
  EXPECT_EQ(es.yes, "Si");
  EXPECT_EQ(es.no, "No");
  EXPECT_EQ(es.cancel, "Cancelar");
  EXPECT_EQ(es.ok, "OK");
  EXPECT_EQ(es.retry, "");
  write("QV_LANG_EN.MSJ", "0019 .,'0123456789.-D',' NY','  ,NO,YES'\r\n0020 Cancel\r\n");
  ASSERT_EQ(core::language_set("EN"_t), 0);
  ASSERT_EQ(formats::locale_build(), 0);
  ui::platform::BoxLabels en = ui::box_labels();
  EXPECT_EQ(en.yes, "Yes");
  EXPECT_EQ(en.no, "No");
  EXPECT_EQ(en.cancel, "Cancel");
  // Words with accented capitals (Windows-1252) are put in title case too:
  // Italian's "S\xCC" is "S\xEC" on its button.
  write("QV_LANG_IT.MSJ", "0019 ,.'0123456789,-D',' NS','  ,NO,S\xCC'\r\n0020 Annulla\r\n");
  ASSERT_EQ(core::language_set("IT"_t), 0);
  ASSERT_EQ(formats::locale_build(), 0);
  ui::platform::BoxLabels it = ui::box_labels();
  EXPECT_EQ(it.yes, "S\xEC");
  EXPECT_EQ(it.no, "No");
  EXPECT_EQ(it.cancel, "Annulla");
}

TEST_F(Dialogs, ALongScanIsScaledToTheBarsRange) {
  ui::progress_open(0, 100000, false);
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(ui::progress_step(1), 0);
  ui::ProgressInfo info = ui::progress_info();
  EXPECT_EQ(info.range, 50000);
  EXPECT_EQ(info.divisor, 2);
  EXPECT_EQ(info.position, 50000);
  EXPECT_FALSE(info.cyclic);
  ui::progress_close();
  EXPECT_FALSE(ui::progress_info().open);
  // Steps of several units keep their remainder.
  ui::progress_open(0, 200000, false);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(ui::progress_step(3), 0);
  EXPECT_EQ(ui::progress_info().divisor, 4);
  EXPECT_EQ(ui::progress_info().position, 7);
  ui::progress_close();
}

TEST_F(Dialogs, AnUnknownTotalRunsACyclicBar) {
  for (int i = 0; i < 205; ++i) ASSERT_EQ(ui::progress_step(1), 0);
  ui::ProgressInfo info = ui::progress_info();
  EXPECT_TRUE(info.open);
  EXPECT_TRUE(info.cyclic);
  EXPECT_EQ(info.range, 200);
  EXPECT_EQ(info.position, 5);
  EXPECT_NE(tk_->render(ui::window_top()).find("Proceso en progreso"), std::string::npos);
  EXPECT_NE(tk_->render(ui::window_top()).find("<Cancelar>"), std::string::npos);
  ui::progress_close();
}

TEST_F(Dialogs, EscapeOrTheCancelButtonIsSeenAtTheNextStep) {
  ui::progress_open(0, 10, false);
  input("key Esc\n");
  EXPECT_EQ(ui::progress_step(1), core::CANCELLED);
  ui::progress_close();
  ui::progress_open(0, 10, false);
  input("wait\npress Cancelar\n");
  EXPECT_EQ(ui::progress_step(1), 0);
  EXPECT_EQ(ui::progress_step(1), core::CANCELLED);
  EXPECT_EQ(ui::progress_text("aun"_t), core::CANCELLED);
  ui::progress_close();
  EXPECT_EQ(ui::progress_step(1), 0) << "a new window starts uncancelled";
  ui::progress_close();
}

TEST_F(Dialogs, TheTextFormShowsTheText) {
  ASSERT_EQ(ui::progress_text("Leyendo CLIENTES"_t), 0);
  EXPECT_NE(tk_->render(ui::window_top()).find("Leyendo CLIENTES"), std::string::npos);
  ui::progress_close();
}

TEST_F(Dialogs, TheTickAdvancesAtMostEvery32Milliseconds) {
  ui::progress_open(0, 100, false);
  ASSERT_EQ(ui::progress_tick(0), 0);
  ASSERT_EQ(ui::progress_tick(2), 0);
  EXPECT_EQ(ui::progress_info().position, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  ASSERT_EQ(ui::progress_tick(2), 0);
  EXPECT_EQ(ui::progress_info().position, 1);
  ui::progress_close();
}

TEST_F(Dialogs, AProcedureStopsWhenItsProgressWindowIsCancelled) {
  write("LOOP.PRX", "_N#=0\nDO\n_N#=_N#+1\nLOOP\n");
  script::proc_pump_hook_set(ui::procedures_pump);
  ui::progress_open(0, 0, false);
  input("wait\npress Cancelar\n");
  EXPECT_EQ(script::proc_call(""_t, "LOOP.PRX"_t, ""_t, false), core::CANCELLED);
  ui::progress_close();
  expect_script_ok();
}

TEST_F(Dialogs, FileDialogsFilterByType) {
  EXPECT_EQ(str(ui::file_filter(7)), "Ficheros PDF (*.PDF),*.PDF,Todos (*.*),*.*");
  EXPECT_EQ(str(ui::file_filter(2)), "Ficheros de Pantalla (*.PAN),*.PAN,Todos (*.*),*.*");
  EXPECT_EQ(str(ui::file_filter(10)), "Ficheros de Estructura (*.DAT),*.DAT,Todos (*.*),*.*");
  EXPECT_EQ(str(ui::file_filter(9)), "Todos (*.*),*.*");
  EXPECT_EQ(str(ui::file_offered_name(7)), "*.PDF");
  EXPECT_EQ(str(ui::file_offered_name(7 | ui::kFilePrefix)), "KA*.PDF");
  EXPECT_EQ(str(ui::file_offered_name(1 | ui::kFilePrefix)), "KADICC.DAT");
  EXPECT_EQ(str(ui::file_offered_name(6)), "??MENU.PPN");
  input("file /tmp/informe.pdf\nfile\n");
  EXPECT_EQ(str(ui::file_dialog(true, 7)), "/tmp/informe.pdf");
  EXPECT_EQ(str(ui::file_dialog(false, 7)), "");
  EXPECT_NE(tk_->transcript().find("** file dialog (save) offering \"*.PDF\""), std::string::npos);
  EXPECT_NE(tk_->transcript().find("** file dialog (open)"), std::string::npos);
  expect_script_ok();
}

}  // namespace
