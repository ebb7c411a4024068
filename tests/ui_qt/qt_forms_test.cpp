// The Qt backend on the offscreen platform: the forms of forms.test through
// real widgets to the same results as headless, the log-in form typed into,
// and pictures of it and of the progress window under the build folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <string>

#include "core/context.h"
#include "core/messages.h"
#include "core/slots.h"
#include "formats/formats.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "tests/ui/ui_hooks.h"
#include "tests/ui_qt/qt_runtime.h"
#include "tests/runner/datafile.h"
#include "tests/ui/form_cases.h"
#include "ui/dialogs.h"
#include "ui/forms.h"
#include "ui/qt/qt_internal.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/screens.h"
#include "ui/windows.h"

namespace {

using core::operator""_t;

std::string pictures() {
  std::string dir = std::string(TEST_BUILD_DIR) + "/screenshots";
  std::filesystem::create_directories(dir);
  return dir;
}

using qttest::QtRuntime;

std::string login_list() { return uitest::login_list("'localhost'", "'ventas'", "'ana'", "''"); }

TEST(QtForms, TheCasesOfTheHeadlessFormsGiveTheSameResults) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    QtRuntime runtime;
    return uitest::run_form_case(c, runtime.tk_);
  };
  testrunner::DataCommands commands(handler, {"form"});
  testrunner::datafile_run("ui/forms.test");
}

TEST(QtForms, TheLoginFormIsTypedIntoThroughItsWidgets) {
  QtRuntime rt;
  std::string login = pictures() + "/login_form.png";
  std::filesystem::remove(login);
  rt.input("key Tab\nkey Tab\nkey Tab\ntype s3cr\xC3\xA9t\nkey Tab\ntype 1\nshot " + login +
           "\nkey Enter\n");
  ui::FormRequest request;
  request.title = core::message_text_c("0090");
  std::string list = login_list();
  request.fields = core::text_view(list.data(), list.size());
  ui::FormResult result;
  ASSERT_EQ(ui::form_run(request, &result), 0);
  // The password typed in UTF-8 arrives as Windows-1252 bytes.
  EXPECT_EQ(result.values, "'localhost','ventas','ana','s3cr\xE9t','1'");
  QImage picture(QString::fromStdString(login));
  ASSERT_FALSE(picture.isNull()) << login;
  EXPECT_GT(picture.width(), 300);
  EXPECT_GT(picture.height(), 100);
}

TEST(QtForms, ThePasswordFieldHidesItsCharacters) {
  QtRuntime rt;
  rt.input("key Tab\nkey Tab\nkey Tab\ntype secreto\nwait\npress Ok\n");
  ui::FormRequest request;
  request.title = "Acceso"_t;
  std::string list = login_list();
  request.fields = core::text_view(list.data(), list.size());
  // The edit of field 4 is the one in password mode; its text is there but
  // not what it shows.
  int hidden = 0;
  QTimer::singleShot(0, [&hidden]() {
    for (QWidget* w : QApplication::allWidgets()) {
      auto* edit = qobject_cast<QLineEdit*>(w);
      if (edit != nullptr && edit->echoMode() == QLineEdit::Password) ++hidden;
    }
  });
  ui::FormResult result;
  ASSERT_EQ(ui::form_run(request, &result), 0);
  EXPECT_EQ(hidden, 1);
  EXPECT_EQ(result.values, "'localhost','ventas','ana','secreto',''");
}

TEST(QtProgress, ThePictureOfTheProgressWindow) {
  QtRuntime rt;
  ui::progress_open(0, 100, false);
  for (int i = 0; i < 40; ++i) ASSERT_EQ(ui::progress_step(1), 0);
  std::string path = pictures() + "/progress.png";
  ASSERT_TRUE(qtui::save_picture(rt.tk_, ui::window_top(), path));
  QImage picture(QString::fromStdString(path));
  EXPECT_FALSE(picture.isNull());
  ui::ProgressInfo info = ui::progress_info();
  EXPECT_EQ(info.position, 40);
  // The cancel button through the real widget, seen at the next step.
  rt.input("press Cancelar\n");
  EXPECT_EQ(ui::progress_step(1), core::CANCELLED);
  ui::progress_close();
}

TEST(QtDialogs, BoxesAndFileDialogsAreAnsweredThroughTheirButtons) {
  QtRuntime rt;
  rt.input("answer No\nanswer Yes\nfile /tmp/salida.pdf\nfile\n");
  EXPECT_EQ(ui::message_box("Seguro?"_t, ""_t, ui::kBoxYesNo), 'N');
  EXPECT_TRUE(ui::ask("Cerrar?"_t));
  core::Text saved = ui::file_dialog(true, 7);
  EXPECT_EQ(std::string(saved.ptr, saved.len), "/tmp/salida.pdf");
  EXPECT_EQ(ui::file_dialog(false, 7).len, 0) << "an empty answer cancels";
}

// A shot taken while a box is open pictures the box over its window and
// leaves the box for the answer after it.
TEST(QtDialogs, AShotWhileABoxIsOpenPicturesTheBoxOverItsWindow) {
  QtRuntime rt;
  std::string before = pictures() + "/form_before_box.png",
              with_box = pictures() + "/form_with_box.png";
  std::filesystem::remove(with_box);
  rt.input("type 7\nshot " + before + "\nkey Ctrl+End\nshot " + with_box +
           "\nanswer Ok\nkey Esc\n");
  ui::FormRequest request;
  request.title = "Pedido"_t;
  request.fields =
      "'Unidades:':'N5','Notas:':'A60','Portes:':'A60','Entrega:':'A60' /ON_CONFIRM$='_X#=(1'"_t;
  ui::FormResult result;
  EXPECT_EQ(ui::form_run(request, &result), core::CANCELLED);
  EXPECT_EQ(result.form_code, ui::kFormEndEscape) << "the shot did not answer the box";
  EXPECT_TRUE(rt.tk_->script_done());
  QImage form(QString::fromStdString(before)), boxed(QString::fromStdString(with_box));
  ASSERT_FALSE(boxed.isNull()) << with_box;
  ASSERT_FALSE(form.isNull()) << before;
  // The box covers the middle of the form's picture; the form shows round it.
  ASSERT_EQ(boxed.size(), form.size());
  QPoint middle(boxed.width() / 2, boxed.height() / 2), corner(4, boxed.height() - 4);
  EXPECT_NE(form.pixel(middle), boxed.pixel(middle));
  EXPECT_EQ(form.pixel(corner), boxed.pixel(corner));
}

TEST(QtDialogs, TheSelectionWindowChoosesByButtonAndList) {
  QtRuntime rt;
  rt.input("key Down\nkey Enter\n");
  EXPECT_EQ(ui::selection_run("Elegir"_t, "Alfa,Beta,Gamma"_t, 0), 2);
  rt.input("select 3\nkey Enter\n");
  EXPECT_EQ(ui::selection_run("Elegir"_t, "Alfa,Beta,Gamma"_t, ui::kSelectListBox), 3);
}

}  // namespace

namespace {

std::vector<int> g_actions;
int record(void*, int action) {
  g_actions.push_back(action);
  return 0;
}

TEST(QtMenus, AMenuBarItemTriggeredBecomesTheMenuAction) {
  QtRuntime rt;
  ui::platform::Handle bar = rt.tk_->menu_create(false);
  ui::platform::Handle sub = rt.tk_->menu_create(true);
  rt.tk_->menu_add_item(sub, 1500, "Clientes"_t);
  rt.tk_->menu_add_item(sub, 1501, "Proveedores"_t);
  rt.tk_->menu_add_submenu(bar, sub, "Ficheros"_t);
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameApp, 0, "Menu"_t, bar, 40, 10, nullptr, &w), 0);
  ASSERT_GE(ui::screen_window_open(ui::screen_add(ui::Screen{}), w, 0), 0);
  g_actions.clear();
  ASSERT_EQ(ui::action_set_install({&record, nullptr, nullptr, nullptr}), 0);
  rt.input("menu Proveedores\nclose\n");
  ui::main_loop();
  EXPECT_EQ(g_actions, (std::vector<int>{ui::action_word(16, 1), ui::kActClose}));
  rt.tk_->menu_destroy(bar);
}

}  // namespace

namespace {

// Labels on the main window's dark background picture stay legible: light
// letters in a dark outline, where plain labels would be black on dark blue.
TEST(QtWindows, LabelsOverABackgroundPictureAreOutlined) {
  QtRuntime rt;
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameApp, 0, "Principal"_t, ui::kNone, 60, 12, nullptr, &w), 0);
  ui::platform::Size client = rt.tk_->window_client(w);
  ui::platform::ControlSpec picture;
  picture.kind = ui::platform::ControlKind::Picture;
  picture.id = 3500;
  picture.rect = {0, 0, client.w, client.h};
  picture.text = std::string(TEST_SOURCE_DIR) + "/../apprun/background.png";
  ASSERT_TRUE(rt.tk_->control_create(w, picture));
  ui::platform::ControlSpec label;
  label.kind = ui::platform::ControlKind::Static;
  label.id = 4001;
  label.rect = {16, 16, 320, 24};
  label.text = "Tienda de ejemplo - Ventas";
  ASSERT_TRUE(rt.tk_->control_create(w, label));
  std::string path = pictures() + "/main_window_labels.png";
  ASSERT_TRUE(qtui::save_picture(rt.tk_, w, path));
  QImage shot(QString::fromStdString(path));
  ASSERT_FALSE(shot.isNull());
  // The label's cells (below the picture's title bar): both near-white
  // letters and near-black outline, whatever the picture under them.
  int bar = shot.height() - client.h, light = 0, dark = 0;
  for (int y = bar + 16; y < bar + 40; ++y) {
    for (int x = 16; x < 336; ++x) {
      int v = qGray(shot.pixel(x, y));
      light += v > 220 ? 1 : 0;
      dark += v < 40 ? 1 : 0;
    }
  }
  EXPECT_GT(light, 100);
  EXPECT_GT(dark, 100);
  ui::window_destroy(w);
}

// Edits on consecutive rows keep a gap between them and stand higher than
// their text by an inner margin; the cells (what the runtime lays out by)
// stay the grid, and the row grows with the font.
TEST(QtWindows, EditsOnConsecutiveRowsKeepAGapAndAnInnerMargin) {
  QtRuntime rt;
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameDialog, 0, "Filas"_t, ui::kNone, 30, 4, nullptr, &w), 0);
  QLineEdit* edits[2] = {};
  for (int row = 1; row <= 2; ++row) {
    ui::platform::ControlSpec c;
    c.kind = ui::platform::ControlKind::Edit;
    c.id = 2000 + row;
    c.rect = ui::cell_rect(row, 5, 10);
    ASSERT_TRUE(rt.tk_->control_create(w, c));
    EXPECT_EQ(rt.tk_->control_rect(w, c.id).y, c.rect.y);
    EXPECT_EQ(rt.tk_->control_rect(w, c.id).h, c.rect.h);
  }
  for (QWidget* widget : QApplication::allWidgets()) {
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (edit == nullptr || edit->window()->windowTitle() != "Filas") continue;
    QRect cells = edit->property("cells").toRect();
    if (cells.isValid()) edits[cells.y() == ui::cell_rect(1, 5, 10).y ? 0 : 1] = edit;
  }
  ASSERT_NE(edits[0], nullptr);
  ASSERT_NE(edits[1], nullptr);
  int text = edits[0]->fontMetrics().height();
  EXPECT_GE(edits[1]->geometry().top() - edits[0]->geometry().bottom() - 1, 2) << "the edits touch";
  EXPECT_GE(edits[0]->height(), text + 4) << "no inner margin";
  EXPECT_EQ(edits[1]->geometry().top() - edits[0]->geometry().top(), ui::font_cell().h);
  ui::window_destroy(w);

  qtui::RowMetrics normal = qtui::row_metrics(19), large = qtui::row_metrics(38);
  EXPECT_GE(normal.pitch, 19 + 2 * 2 + 2);
  EXPECT_NEAR(large.pitch, 2 * normal.pitch, 3);  // the margins are whole pixels
}

TEST(QtWindows, AWindowOutlivesTheWindowThatOwnsIt) {
  QtRuntime rt;
  ui::Handle owner = ui::kNone, owned = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameMant, 0, "Owner"_t, ui::kNone, 20, 4, nullptr, &owner), 0);
  ASSERT_EQ(ui::window_create(ui::kFrameMant, 0, "Owned"_t, ui::kNone, 20, 4, nullptr, &owned), 0);
  ui::window_destroy(owner);
  EXPECT_EQ(ui::window_top(), owned);
  rt.tk_->window_title(owned, "Still here"_t);
  ui::window_destroy(owned);
  EXPECT_EQ(ui::window_count(), 0);
}

}  // namespace
