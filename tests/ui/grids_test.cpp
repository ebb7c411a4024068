// The line store, the line indicator and grids over the headless backend
// (as data-file cases), the pop-up menu, and the rules of a document
// window that need no window (its mode and caption).
#include <sstream>

#include "core/errors.h"
#include "tests/runner/datafile.h"
#include "tests/ui/ui_fixture.h"
#include "ui/docs.h"
#include "ui/grids.h"

namespace {

using namespace uitest;

std::vector<int> numbers(const std::string& list) {
  std::vector<int> out;
  std::istringstream in(list);
  std::string n;
  while (std::getline(in, n, ',')) out.push_back(std::stoi(n));
  return out;
}

class Grids : public UiTest {
 protected:
  // The store's lines between bars, and its state.
  std::string store_state(const ui::LineStore& store) {
    std::string out = "last=" + std::to_string(ui::line_count()) + " current=" + std::to_string(ui::line_current());
    for (int n = 1; n <= ui::line_count(); ++n) out += " |" + str(ui::line_store_get(store, n, 0)) + "|";
    return out;
  }

  // store WIDTHS MAX: each input line an operation, each output line its
  // status and the store after it.
  std::string store_case(const testrunner::DataCase& c) {
    ui::LineStore store;
    ui::line_store_init(&store, numbers(c.args.at(0)), std::stoi(c.args.at(1)));
    std::istringstream in(c.input);
    std::string line, out;
    while (std::getline(in, line)) {
      std::istringstream f(line);
      std::string op;
      f >> op;
      core::Status st = 0;
      if (op == "set") {
        int row = 0, column = 0;
        std::string value;
        f >> row >> column;
        std::getline(f >> std::ws, value);
        st = ui::line_store_set(&store, row, column, txt(value));
      } else if (op == "put") {
        int row = 0;
        std::string value;
        f >> row;
        std::getline(f >> std::ws, value);
        st = ui::line_store_put(&store, row, txt(value));
      } else if (op == "current") {
        int n = 0;
        f >> n;
        script::var_set_int(core::kSwLNum, static_cast<int16_t>(n));
      } else if (op == "shift") {
        int n = 0;
        f >> n;
        st = ui::line_store_shift(&store, n);
      } else if (op == "get") {
        int row = 0, column = 0;
        f >> row >> column;
        out += (out.empty() ? "" : "\n") + ("[" + str(ui::line_store_get(store, row, column)) + "]");
        continue;
      }
      core::error_clear();
      out += (out.empty() ? "" : "\n") + std::to_string(st) + " " + store_state(store);
    }
    return out;
  }

  // grid TYPES WIDTHS: the first input line the titles, then "set ROW
  // COLUMN TEXT", "select ROW", "delete ROW"; the output is the window.
  std::string grid_case(const testrunner::DataCase& c) {
    ui::Handle w = ui::kNone;
    EXPECT_EQ(ui::window_create(ui::kFrameDialog, 0, "Grid"_t, ui::kNone, 40, 6, nullptr, &w), 0);
    int slot = ui::grid_create(w, 0, 0, 40 * 8, 6 * 16);
    std::istringstream in(c.input);
    std::string titles, line, notes;
    std::getline(in, titles);
    std::vector<char> types(c.args.at(0).begin(), c.args.at(0).end());
    ui::grid_columns(slot, txt(titles), types, numbers(c.args.at(1)));
    while (std::getline(in, line)) {
      std::istringstream f(line);
      std::string op, text;
      int row = 0, column = 0;
      f >> op >> row;
      if (op == "set") {
        f >> column;
        std::getline(f >> std::ws, text);
        ui::grid_set(slot, row, column, txt(text));
      } else if (op == "select") {
        ui::grid_select(slot, row);
      } else if (op == "delete") {
        notes += "delete " + std::to_string(row) + ": " + std::to_string(ui::grid_delete_row(slot, row)) + "\n";
      }
    }
    std::string picture = tk_->render(w);
    notes += "rows " + std::to_string(ui::grid_rows(slot)) + ", selected " + std::to_string(ui::grid_selected(slot));
    ui::grid_destroy(-1);
    ui::window_destroy(w);
    return picture + "\n" + notes;
  }
};

TEST_F(Grids, DataFileCases) {
  const testrunner::Handler handler = [this](const testrunner::DataCase& c) -> std::string {
    core::ArenaScope scope;
    if (c.command == "store") return store_case(c);
    if (c.command == "grid") return grid_case(c);
    if (c.command == "indicator") {
      return "[" + str(ui::line_indicator(std::stoi(c.args.at(0)), std::stoi(c.args.at(1)), std::stoi(c.args.at(2)))) + "]";
    }
    if (c.command == "caption") {
      return str(ui::doc_caption(std::stoi(c.args.at(0)), c.args.at(1) == "lines"));
    }
    if (c.command == "docmode") return std::to_string(ui::doc_mode_parse(txt(c.input)));
    return "unknown command " + c.command;
  };
  testrunner::DataCommands commands(handler, {"store", "grid", "indicator", "caption", "docmode"});
  testrunner::datafile_run("ui/grids.test");
}

TEST_F(Grids, AStoreWithoutAMaximumTakesAHundredLines) {
  ui::LineStore store;
  ui::line_store_init(&store, {4}, 0);
  EXPECT_EQ(script::var_get_int(core::kSwLMax), ui::kDefaultMaxLines);
  EXPECT_EQ(ui::line_store_set(&store, 100, 1, "x"_t), 0);
  EXPECT_EQ(ui::line_store_set(&store, 101, 1, "y"_t), core::DATAOUTBOUND);
  EXPECT_EQ(ui::line_count(), 100);
  EXPECT_EQ(str(ui::line_store_get(store, 100, 1)), "x   ");
}

TEST_F(Grids, AFifthGridHasNoSlotAndAFreedSlotIsTakenAgain) {
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameDialog, 0, "Grids"_t, ui::kNone, 40, 20, nullptr, &w), 0);
  for (int n = 0; n < ui::kGridSlots; ++n) EXPECT_EQ(ui::grid_create(w, 0, n * 40, 100, 30), n);
  EXPECT_EQ(ui::grid_create(w, 0, 200, 100, 30), -1);
  ui::grid_destroy(2);
  EXPECT_EQ(ui::grid_create(w, 0, 200, 100, 30), 2);
  // Nothing selected: deleting "the selected row" is refused.
  EXPECT_EQ(ui::grid_delete_row(0, -1), core::NOVALUE);
  ui::grid_destroy(-1);
  EXPECT_EQ(ui::grid_selected(0), -1);
  ui::window_destroy(w);
}

TEST_F(Grids, ComboBoxesTakeTheirItemsUpToTheirLimit) {
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameDialog, 0, "Combos"_t, ui::kNone, 40, 6, nullptr, &w), 0);
  EXPECT_EQ(ui::combo_create(w, 3400, 0, 0, "Uno,'Dos, tres'"_t, true), 3400);
  tk_->list_select(w, 3400, 1);
  EXPECT_EQ(tk_->list_selected(w, 3400), 1);
  // Two items: the quoted one keeps its comma.
  tk_->list_select(w, 3400, 2);
  EXPECT_EQ(tk_->list_selected(w, 3400), -1);
  for (int n = 1; n < ui::kMaxCombos; ++n) EXPECT_EQ(ui::combo_create(w, 3400 + n, 0, 0, "a"_t, false), 3400 + n);
  EXPECT_EQ(ui::combo_create(w, 3499, 0, 0, "a"_t, false), -1);
  ui::window_destroy(w);
}

TEST_F(Grids, APopUpMenuAnswersTheChosenItemOrNothing) {
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameDialog, 0, "Menu"_t, ui::kNone, 20, 5, nullptr, &w), 0);
  input("menu Insertar\n");
  EXPECT_EQ(ui::popup_choose(w, "Visualizar,Insertar,Eliminar,Buscar"_t), 2);
  // Closed without a choice (no menu step in the script).
  EXPECT_EQ(ui::popup_choose(w, "Visualizar,Insertar"_t), 0);
  expect_script_ok();
  ui::window_destroy(w);
}

TEST_F(Grids, GridKeysBecomeItsCommands) {
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameDialog, 0, "Keys"_t, ui::kNone, 40, 6, nullptr, &w), 0);
  int slot = ui::grid_create(w, 0, 0, 300, 90);
  ui::grid_columns(slot, "A,B"_t, {'A', 'N'}, {4, 4});
  for (int row = 0; row < 3; ++row) ui::grid_set(slot, row, 0, "x"_t);
  input("click #3200\nkey Down\nkey Down\nkey Up\nkey Enter\nkey Insert\nkey Delete\nselect 3\nactivate\n");
  std::vector<int> commands;
  ui::platform::Event e;
  while (!tk_->script_done() && tk_->next_event(&e, true))
    if (e.kind == ui::platform::EventKind::GridCommand) commands.push_back(e.param);
  while (tk_->next_event(&e, false))
    if (e.kind == ui::platform::EventKind::GridCommand) commands.push_back(e.param);
  expect_script_ok();
  EXPECT_EQ(commands, (std::vector<int>{100, 107, 106, 101}));
  EXPECT_EQ(ui::grid_selected(slot), 2);
  ui::grid_destroy(-1);
  ui::window_destroy(w);
}

}  // namespace
