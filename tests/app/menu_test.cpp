// The menu and the main window over the headless backend: menu files of
// both formats, the main window's title, menu bar and items run through the
// dispatcher, the close request, help pages, topics and the About box, and
// the start menu.
#include "app/menu.h"

#include <string>
#include <vector>

#include "app/app.h"
#include "core/files.h"
#include "core/messages.h"
#include "definitions/definitions.h"
#include "script/functions.h"
#include "paths/paths.h"
#include "tests/runner/datafile.h"
#include "tests/support/fake_viewer.h"
#include "tests/ui/ui_fixture.h"
#include "ui/dialogs.h"
#include "ui/screens.h"

namespace {

using namespace uitest;

void show_tree(const app::MenuNode& node, int depth, std::string* out) {
  for (const app::MenuNode& child : node.children) {
    if (!out->empty()) *out += "\n";
    *out += std::string(static_cast<size_t>(depth) * 2, ' ');
    *out += child.submenu ? "[" + child.caption + "]"
                          : std::to_string(child.id) + " " + child.caption + " -> " + child.process;
    if (child.submenu) show_tree(child, depth + 1, out);
  }
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from <= text.size()) {
    size_t to = text.find('\n', from);
    if (to == std::string::npos) to = text.size();
    lines.push_back(text.substr(from, to - from));
    from = to + 1;
  }
  return lines;
}

// What the dispatcher was asked to run.
std::vector<std::string> g_dispatched;
core::Status record_dispatch(uint16_t kind, core::Text argument) {
  g_dispatched.push_back(std::to_string(kind) + ":" + str(argument));
  return kind == app::kPkReport ? core::FILENOTFOUND : 0;
}

void count_windows(int* screens, int* windows) {
  *screens = ui::screen_count();
  *windows = ui::screen_window_count();
}
bool ask_hook(core::Text caption, core::Text text) { return ui::ask(text, caption); }

class Menu : public UiTest {
 protected:
  Menu() {
    core::file_name_resolver_set(paths::path_real_name);
    script::settings_saver_set(defs::settings_save);
    app::dispatcher_set(record_dispatch);
    app::WindowHooks hooks;
    hooks.count_windows = count_windows;
    hooks.ask = ask_hook;
    app::window_hooks_set(hooks);
    g_dispatched.clear();
  }
  ~Menu() override {
    app::dispatcher_set(nullptr);
    app::window_hooks_set(app::WindowHooks{});
  }
  void run_loop() { ui::main_loop(); }
  static constexpr const char* kPmt =
      "Ficheros\r\n\tClientes,MantMain CLIENTES\r\n\tArticulos,MantMain ARTICULOS\r\n"
      "Listados\r\n\tStock,Report STOCK\r\nAyuda,Help\r\n";
};

TEST_F(Menu, DataFileCases) {
  const testrunner::Handler handler = [this](const testrunner::DataCase& c) {
    std::string out;
    if (c.command == "tree") {
      show_tree(app::menu_tree(app::menu_lines_parse(split_lines(c.input))), 0, &out);
      return out;
    }
    if (c.command == "ppn" || c.command == "ppn-compat") {
      write("CASE.PPN", c.input + "\n");
      script::var_set_int(core::kSwCompat, c.command == "ppn-compat" ? app::kCompatMenuKeys : 0);
      std::vector<app::MenuLine> lines;
      core::Status st =
          app::menu_ppn_lines(txt(folder_ + "/CASE.PPN"), std::stoi(c.args.at(0)), &lines);
      script::var_set_int(core::kSwCompat, 0);
      if (st != 0) return "error " + std::to_string(st);
      for (const app::MenuLine& line : lines)
        out += (out.empty() ? "" : "\n") + app::menu_line_text(line);
      return out;
    }
    return "unknown command " + c.command;
  };
  testrunner::DataCommands commands(handler, {"tree", "ppn", "ppn-compat"});
  testrunner::datafile_run("app/menus.test");
}

TEST_F(Menu, LinesReadBackAsTheyWereWritten) {
  std::vector<std::string> text = {"Ficheros", "\t'Altas, bajas',MantMain CLIENTES", "\tSub",
                                   "\t\tUno,Help"};
  std::vector<app::MenuLine> lines = app::menu_lines_parse(text);
  ASSERT_EQ(lines.size(), 4u);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(app::menu_line_text(lines[i]), text[i]);
}

TEST_F(Menu, MoreThan200ItemsKeepTheFirst200) {
  std::vector<std::string> text;
  for (int i = 0; i < 210; ++i) text.push_back("I" + std::to_string(i) + ",Help");
  app::MenuNode bar = app::menu_tree(app::menu_lines_parse(text));
  ASSERT_EQ(bar.children.size(), 200u);
  EXPECT_EQ(bar.children.back().id, 1699);
  EXPECT_EQ(bar.children.back().caption, "I199");
}

TEST_F(Menu, BuildStoresEachItemsProcessInGroup5AndPrefersThePmtFile) {
  write("DBMENU.PMT", kPmt);
  write("DBMENU.PPN", "01 MENU$='Otro,Uno':EXEC$=Help\r\n");
  core::ArenaScope scope;
  ui::Handle menu = app::menu_build("DBMENU,1"_t);
  ASSERT_NE(menu, ui::kNone);
  EXPECT_EQ(str(app::menu_item_process(0)), "MantMain CLIENTES");
  EXPECT_EQ(str(app::menu_item_process(1)), "MantMain ARTICULOS");
  EXPECT_EQ(str(app::menu_item_process(3)), "Help");
  EXPECT_EQ(str(app::menu_item_process(4)), "");
  EXPECT_EQ(str(core::slot_get(core::kGroupMenuItems, 2)), "Report STOCK");
  tk_->menu_destroy(menu);
  // Without the PMT file the PPN file serves; without either, no menu.
  std::filesystem::remove(folder_ + "/DBMENU.PMT");
  menu = app::menu_build("DBMENU,1"_t);
  ASSERT_NE(menu, ui::kNone);
  EXPECT_EQ(str(app::menu_item_process(0)), "Help");
  tk_->menu_destroy(menu);
  EXPECT_EQ(app::menu_build("NADA,1"_t), ui::kNone);
}

TEST_F(Menu, TheMainWindowRunsItsItemsThroughTheDispatcher) {
  write("DBMENU.PMT", kPmt);
  (void)core::slot_set(core::kGroupEnv, core::kEnvApDescrip, "Ventas de prueba"_t);
  input("menu Clientes\nmenu Stock\nanswer Ok\nshow\nclose\nanswer Yes\n");
  ASSERT_EQ(app::main_window_open("DBMENU,1"_t), 0);
  EXPECT_NE(script::var_get_int(core::kSwScrStat) & 2, 0);
  run_loop();
  expect_script_ok();
  ASSERT_EQ(g_dispatched.size(), 2u);
  EXPECT_EQ(g_dispatched[0], std::to_string(app::kPkMantMain) + ":CLIENTES");
  EXPECT_EQ(g_dispatched[1], std::to_string(app::kPkReport) + ":STOCK");
  const std::string& t = tk_->transcript();
  // The title is the status line; the bar shows the menus and the level-0 item.
  EXPECT_NE(t.find("+-  Ventas de prueba  |  "), std::string::npos) << t;
  EXPECT_NE(t.find("|  apprun.example.org  "), std::string::npos) << t;
  EXPECT_NE(t.find("| Ficheros  Listados  Ayuda "), std::string::npos) << t;
  // An item whose process fails shows its error.
  EXPECT_NE(t.find("Fichero no encontrado"), std::string::npos) << t;
  // Closing asks message 0033 with the counts, and yes ends the loop.
  EXPECT_NE(t.find("(1 Pantallas, 1 Ventanas)"), std::string::npos) << t;
  EXPECT_EQ(ui::window_count(), 0);
  EXPECT_TRUE(ui::quit_requested());
  EXPECT_EQ(ui::screen_count(), 0);
}

TEST_F(Menu, TheCloseRequestAnsweredNoOrWithOtherWindowsOpenKeepsTheWindow) {
  write("DBMENU.PMT", kPmt);
  input("key Esc\nanswer No\n");
  ASSERT_EQ(app::main_window_open("DBMENU,1"_t), 0);
  run_script();
  EXPECT_EQ(ui::window_count(), 1);
  // A second screen window open: message 0032, and the window stays.
  ui::Screen extra;
  int index = ui::screen_add(extra);
  int sw = ui::screen_window_open(index, ui::kNone, 0);
  input("close\nanswer Ok\n");
  run_script();
  EXPECT_EQ(ui::window_count(), 1);
  EXPECT_NE(tk_->transcript().find("Aun hay ventanas abiertas (2 Pantallas, 2 Ventanas)"),
            std::string::npos)
      << tk_->transcript();
  ui::screen_window_close(sw);
  // A question closed with the box's close button counts as no.
  input("close\nanswer Close\n");
  run_script();
  EXPECT_EQ(ui::window_count(), 1);
  input("close\nanswer Yes\n");
  run_script();
  EXPECT_EQ(ui::window_count(), 0);
}

TEST_F(Menu, WithoutAMenuFileTheMainWindowStillOpens) {
  input("show\nclose\nanswer Yes\n");
  ASSERT_EQ(app::main_window_open(core::Text{}), 0);
  run_loop();
  EXPECT_EQ(tk_->transcript().find("Ficheros"), std::string::npos);
  EXPECT_NE(tk_->transcript().find("+-  "), std::string::npos) << tk_->transcript();
}

// Help pages open in viewer 2, the path as one argument.
TEST_F(Menu, F1OpensTheHelpPageOrSaysItIsMissing) {
  testsupport::FakeViewer viewer(folder_);
  write("DBMENU.PMT", kPmt);
  input("key F1\nanswer Ok\n");
  ASSERT_EQ(app::main_window_open("DBMENU,1"_t), 0);
  run_script();
  EXPECT_NE(tk_->transcript().find("Pagina de Ayuda no definida"), std::string::npos)
      << tk_->transcript();
  EXPECT_NE(tk_->transcript().find("index.html"), std::string::npos);
  // index.html of the definition folder serves, the application's own page first.
  write("index.html", "<p>ayuda</p>");
  input("key F1\n");
  run_script();
  EXPECT_EQ(viewer.calls(1), "[two][" + folder_ + "/index.html]\n");
  write("KAindex.html", "<p>ayuda</p>");
  EXPECT_EQ(app::help_process(core::Text{}), 0);
  EXPECT_EQ(viewer.calls(2), "[two][" + folder_ + "/index.html]\n[two][" + folder_ + "/KAindex.html]\n");
  // A viewer that is nowhere: a box names the page, to be opened by hand.
  ASSERT_EQ(setenv("APP_VIEWERS", "x,/no/such/browser,x", 1), 0);
  input("answer Ok\n");
  EXPECT_EQ(app::help_process(core::Text{}), 0);
  EXPECT_NE(tk_->transcript().rfind("KAindex.html"), std::string::npos) << tk_->transcript();
}

TEST_F(Menu, TheHelpProcessWithAnArgumentShowsTheAboutBox) {
  (void)core::slot_set(core::kGroupEnv, core::kEnvApDescrip, "Ventas de prueba"_t);
  input("answer Ok\n");
  EXPECT_EQ(app::help_process("ABOUT"_t), 0);
  const std::string& t = tk_->transcript();
  EXPECT_NE(t.find("Acerca de"), std::string::npos) << t;
  EXPECT_NE(t.find("KALMIR"), std::string::npos) << t;
  EXPECT_NE(t.find("Ventas de prueba"), std::string::npos) << t;
}

TEST_F(Menu, HelpTopicsOfBothLayoutsThroughTheSharedFinder) {
  write("KAHELP.HLP", "07 Clientes\r\n07 Alta y baja de clientes.\r\n07 Segunda linea.\r\n");
  write("BIG.HLP", "0150 Tema grande\r\n0150 Texto.\r\n");
  input("answer Ok\nanswer Ok\n");
  EXPECT_EQ(ui::help_topic(",7"_t), 0);
  EXPECT_EQ(ui::help_topic("BIG.HLP,150"_t), 0);
  EXPECT_EQ(ui::help_topic(",8"_t), core::FILENOTFOUND);
  const std::string& t = tk_->transcript();
  EXPECT_NE(t.find("Alta y baja de clientes."), std::string::npos) << t;
  EXPECT_NE(t.find("Tema grande"), std::string::npos) << t;
  core::ArenaScope scope;
  EXPECT_EQ(str(ui::help_file_find("NADA.HLP"_t, defs::kFtHelp)), "");
}

TEST_F(Menu, TheStartMenuText) {
  core::ArenaScope scope;
  (void)core::slot_set(core::kGroupEnv, core::kEnvCommandLine, ""_t);
  EXPECT_EQ(str(app::start_menu_spec("DBMENU.PMT"_t)), "");
  write("DBMENU.PMT", kPmt);
  EXPECT_EQ(str(app::start_menu_spec("DBMENU.PMT"_t)), "DBMENU,1");
  // Without a menu file name, the application prefix (KALMIR: KA).
  EXPECT_EQ(str(app::start_menu_spec(core::Text{})), "");
  write("KAMENU.PMT", kPmt);
  EXPECT_EQ(str(app::start_menu_spec(core::Text{})), "KAMENU,1");
  // APSTART replaces it, and a menu of the PPN format serves as well.
  write("OTRO.PPN", "01 MENU$='Otro,Uno':EXEC$=Help\r\n");
  (void)core::slot_set(core::kGroupEnv, core::kEnvCommandLine, "/APSTART:'OTRO,1'"_t);
  EXPECT_EQ(str(app::start_menu_spec("DBMENU.PMT"_t)), "OTRO,1");
  (void)core::slot_set(core::kGroupEnv, core::kEnvCommandLine, "/APSTART:'NADA,1'"_t);
  EXPECT_EQ(str(app::start_menu_spec("DBMENU.PMT"_t)), "");
}

}  // namespace
