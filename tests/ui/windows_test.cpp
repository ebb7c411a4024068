// The window framework over the headless backend: the stack, frames and
// their placement, the loops, key codes, key maps and command actions.
#include "tests/ui/ui_fixture.h"
#include "ui/screens.h"

namespace {

using namespace uitest;
using ui::platform::Event;
using ui::platform::EventKind;

class Windows : public UiTest {
 protected:
  ui::Handle open(int kind = ui::kFrameDialog, int columns = 20, int rows = 5) {
    ui::Handle w = ui::kNone;
    EXPECT_EQ(ui::window_create(kind, 0, "T"_t, ui::kNone, columns, rows, nullptr, &w), 0);
    return w;
  }
  void key(ui::Handle w, int vk, EventKind kind = EventKind::KeyDown) {
    Event e;
    e.kind = kind;
    e.window = w;
    e.key = vk;
    ui::dispatch(e);
  }
};

TEST_F(Windows, StackKeepsOrderValuesAndAtMost32) {
  ui::Handle a = open(), b = open();
  EXPECT_EQ(ui::window_top(), b);
  EXPECT_EQ(ui::window_value(a), -1);
  // Registering a window again moves it to the top with its new value.
  EXPECT_EQ(ui::window_register(a, 7), a);
  EXPECT_EQ(ui::window_top(), a);
  EXPECT_EQ(ui::window_value(a), 7);
  EXPECT_EQ(ui::window_count(), 2);
  for (ui::Handle h = 1000; ui::window_count() < ui::kMaxWindows; ++h) ASSERT_EQ(ui::window_register(h, 0), h);
  EXPECT_EQ(ui::window_register(5000, 0), ui::kNone);
  EXPECT_EQ(ui::window_value(5000), -1);
  EXPECT_FALSE(ui::window_unregister(a));
  EXPECT_EQ(ui::window_count(), ui::kMaxWindows - 1);
}

TEST_F(Windows, ClosingTheOnlyWindowPostsQuitAndEndsTheMainLoop) {
  ui::Handle w = open();
  input("close\n");
  ui::main_loop();  // the close button closes a window without actions
  EXPECT_TRUE(ui::quit_requested());
  EXPECT_EQ(ui::window_count(), 0);
  EXPECT_EQ(ui::window_top(), ui::kNone);
  EXPECT_NE(tk_->transcript().find("+- T "), std::string::npos) << "the window was shown";
  (void)w;
}

TEST_F(Windows, NewWindowsCascadeAndModalOnesDisableTheirOwner) {
  ui::Handle main = open(ui::kFrameApp, 40, 10);
  ui::platform::Point p1 = tk_->window_position(main);
  ui::platform::Size area = tk_->screen_area();
  ui::platform::Margins m = tk_->frame_extra(ui::kStyleMain, false);
  ui::platform::Size client = tk_->window_client(main);
  // The first window is centred on the screen.
  EXPECT_EQ(p1.x, (area.w - client.w - m.left - m.right) / 2);
  EXPECT_EQ(p1.y, (area.h - client.h - m.top - m.bottom) / 2);
  ui::Handle dialog = open(ui::kFrameDialog, 10, 3);
  ui::platform::Point p2 = tk_->window_position(dialog);
  EXPECT_EQ(p2.x, p1.x + 100);
  EXPECT_EQ(p2.y, p1.y + 60);
  EXPECT_NE(tk_->render(main).find("(disabled)"), std::string::npos);
  ui::window_destroy(dialog);
  EXPECT_EQ(tk_->render(main).find("(disabled)"), std::string::npos);
  EXPECT_EQ(ui::window_top(), main);
  // A window that is not modal leaves its owner enabled.
  open(ui::kFrameMant, 10, 3);
  EXPECT_EQ(tk_->render(main).find("(disabled)"), std::string::npos);
}

// A child that the cascade would push past its owner's right or bottom edge
// stays over its owner; one larger than its owner keeps the cascade.
TEST_F(Windows, ChildWindowsStayInsideTheirOwner) {
  ui::Handle main = open(ui::kFrameApp, 40, 10);
  ui::platform::Point owner = tk_->window_position(main);
  ui::platform::Margins m = tk_->frame_extra(ui::kStyleMain, false);
  ui::platform::Size outer = tk_->window_client(main);
  outer.w += m.left + m.right;
  outer.h += m.top + m.bottom;
  ui::Handle child = open(ui::kFrameMant, 36, 7);
  ui::platform::Point p = tk_->window_position(child);
  ui::platform::Size inner = tk_->window_client(child);
  EXPECT_GE(p.x, owner.x);
  EXPECT_GE(p.y, owner.y);
  EXPECT_EQ(p.x + inner.w + m.left + m.right, owner.x + outer.w);
  EXPECT_EQ(p.y + inner.h + m.top + m.bottom, owner.y + outer.h);
  ui::Handle wide = open(ui::kFrameMant, 50, 3);
  EXPECT_EQ(tk_->window_position(wide).x, p.x + 100);
}

TEST_F(Windows, RunModeMovesTheFirstWindowFromTheCentre) {
  script::var_set_int(core::kSwScrStat, ui::kScrStatRun);
  ui::Handle w = open(ui::kFrameDialog, 10, 3);
  ui::platform::Size area = tk_->screen_area();
  ui::platform::Margins m = tk_->frame_extra(ui::kStyleModal, false);
  ui::platform::Size client = tk_->window_client(w);
  EXPECT_EQ(tk_->window_position(w).x, (area.w - client.w - m.left - m.right) / 2 + 100);
  EXPECT_EQ(tk_->window_position(w).y, (area.h - client.h - m.top - m.bottom) / 2 + 60);
}

TEST_F(Windows, FocusRelativeWindowsOpenTwoTextHeightsBelowTheFocusedControl) {
  ui::Handle w = open(ui::kFrameMant, 40, 10);
  ui::platform::ControlSpec c;
  c.kind = ui::platform::ControlKind::Edit;
  c.id = 2000;
  c.rect = ui::cell_rect(4, 6, 10);
  ASSERT_TRUE(tk_->control_create(w, c));
  tk_->control_focus(w, 2000);
  ui::Handle popup = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameDialog, ui::kPlaceFocusRelative, "P"_t, ui::kNone, 5, 2, nullptr, &popup), 0);
  ui::platform::Margins m = tk_->frame_extra(ui::kStyleMain, false);
  EXPECT_EQ(tk_->window_position(popup).x, tk_->window_position(w).x + m.left + c.rect.x);
  EXPECT_EQ(tk_->window_position(popup).y,
            tk_->window_position(w).y + m.top + c.rect.y + 2 * ui::font_cell().h);
}

TEST_F(Windows, AFrameTooLargeForTheScreenIsRefusedWithError185) {
  ui::Handle w = ui::kNone;
  EXPECT_EQ(ui::window_create(ui::kFrameDialog, 0, "Wide"_t, ui::kNone, 500, 5, nullptr, &w), core::NOGRAPHICS);
  EXPECT_EQ(w, ui::kNone);
  EXPECT_EQ(ui::window_count(), 0);
  EXPECT_EQ(str(core::error_detail()), "Soporte Grafico Insuficiente");
  EXPECT_EQ(ui::window_create(11, 0, "T"_t, ui::kNone, 5, 5, nullptr, &w), core::NOVALUE);
}

TEST_F(Windows, FrameKindsGiveClassNamesAndStyles) {
  struct Case {
    int kind;
    const char* name;
    uint32_t style;
  };
  const Case cases[] = {{0, "KALMIR", 0x00CA0000}, {1, "LnMant", 0x00CA0000}, {2, "Mant", 0x00CA0000},
                        {3, "MantDlg", 0x80C80080}, {4, "Grid", 0x80C00080},  {5, "Dialog", 0x80C00080},
                        {6, "DevSel", 0x80C00080},  {7, "Progress", 0x80C00080}, {8, "KALMIR", 0x00CA0000},
                        {9, "KALMIR", 0x80C80080},  {10, "KALMIR", 0x80C00080}};
  for (const Case& c : cases) {
    core::Text name;
    uint32_t style = 0;
    ASSERT_EQ(ui::frame_style(c.kind, &name, &style), 0);
    EXPECT_EQ(str(name), c.name) << c.kind;
    EXPECT_EQ(style, c.style) << c.kind;
  }
}

TEST_F(Windows, PlacingCentresKeepsInsideAndResizes) {
  ui::Handle w = open(ui::kFrameDialog, 10, 3);
  tk_->window_move(w, {2000, 2000});
  ui::window_place(w, -1, 0, -1, -1);
  ui::platform::Point p = tk_->window_position(w);
  EXPECT_LT(p.x, tk_->screen_area().w);
  EXPECT_LT(p.y, tk_->screen_area().h);
  ui::window_place(w, 30, 40, 20, 6);
  EXPECT_EQ(tk_->window_position(w).x, 30);
  EXPECT_EQ(tk_->window_position(w).y, 40);
  EXPECT_EQ(tk_->window_client(w).w, 20 * ui::font_cell().w);
  ui::window_place(w, 0, 0, -1, -1);
  EXPECT_NE(tk_->window_position(w).x, 30);
}

TEST_F(Windows, KeyCodesFollowTheModifiers) {
  ui::Handle w = open();
  EXPECT_EQ(ui::key_code(ui::platform::kVkReturn), ui::kKeyEnter);
  EXPECT_EQ(ui::key_code(ui::platform::kVkTab), ui::kKeyTab);
  EXPECT_EQ(ui::key_code(ui::platform::kVkEscape), ui::kKeyEsc);
  EXPECT_EQ(ui::key_code(ui::platform::kVkF1), 11);
  EXPECT_EQ(ui::key_code(ui::platform::kVkF11), 21);
  EXPECT_EQ(ui::key_code(ui::platform::kVkF12), ui::kKeyOther);
  EXPECT_EQ(ui::key_code(ui::platform::kVkLeft), ui::kKeyOther);
  EXPECT_EQ(ui::key_code(ui::platform::kVkRight), ui::kKeyOther);
  EXPECT_EQ(ui::key_code(ui::platform::kVkUp), 22);
  EXPECT_EQ(ui::key_code(ui::platform::kVkPrior), 23);
  EXPECT_EQ(ui::key_code(ui::platform::kVkDown), 28);
  EXPECT_EQ(ui::key_code(ui::platform::kVkNext), 29);
  EXPECT_EQ(ui::key_code(ui::platform::kVkOem), 6);
  EXPECT_EQ(ui::key_code(ui::platform::kVkEnd), ui::kKeyOther);
  EXPECT_EQ(ui::key_code('A'), ui::kKeyOther);
  key(w, ui::platform::kVkShift);
  EXPECT_EQ(ui::key_code(ui::platform::kVkTab), ui::kKeyShiftTab);
  EXPECT_EQ(script::var_get_int(core::kSwLastKey), 8);
  key(w, ui::platform::kVkShift, EventKind::KeyUp);
  EXPECT_EQ(ui::key_code(ui::platform::kVkTab), ui::kKeyTab);
  key(w, ui::platform::kVkControl);
  EXPECT_EQ(ui::key_code(ui::platform::kVkEnd), ui::kKeyCtrlEnd);
  EXPECT_EQ(script::var_get_int(core::kSwLastKey), 32);
}

TEST_F(Windows, KeyMapsDifferInF3F4AndF11) {
  EXPECT_EQ(ui::key_action_in_map(0, ui::kKeyShiftTab), ui::kActPrevField);
  EXPECT_EQ(ui::key_action_in_map(0, ui::kKeyCtrlEnd), ui::kActCtrlEnd);
  EXPECT_EQ(ui::key_action_in_map(0, 13), ui::action_word(25, 13));  // F3: BLS
  EXPECT_EQ(ui::key_action_in_map(1, 13), ui::action_word(25, 15));  // F3: MDE
  EXPECT_EQ(ui::key_action_in_map(0, 14), ui::action_word(25, 12));  // F4: NLS
  EXPECT_EQ(ui::key_action_in_map(1, 14), 0);
  EXPECT_EQ(ui::key_action_in_map(0, 21), ui::action_word(25, 16));  // F11: DDE
  EXPECT_EQ(ui::key_action_in_map(1, 21), ui::action_word(25, 15));  // F11: MDE
  EXPECT_EQ(ui::key_action_in_map(0, ui::kKeyPageDown), ui::action_word(25, 5));
  EXPECT_EQ(ui::key_action_in_map(0, ui::kKeyPageUp), ui::action_word(25, 3));
  EXPECT_EQ(ui::key_action_in_map(0, ui::kKeyOther), 0);
  EXPECT_EQ(ui::key_action_in_map(0, 40), 0);
  // The map in use is status word 29.
  script::var_set_int(core::kSwKeyMap, 1);
  EXPECT_EQ(ui::key_action(14), 0);
  script::var_set_int(core::kSwKeyMap, 0);
  EXPECT_EQ(ui::key_action(14), ui::action_word(25, 12));
  EXPECT_EQ(str(core::list_field(ui::kButtonActionList, ',', 12)), "NLS");
}

TEST_F(Windows, CommandsBecomeActionsByIdentifierRange) {
  EXPECT_EQ(ui::command_action(1500), ui::action_word(16, 0));
  EXPECT_EQ(ui::command_action(1699), ui::action_word(16, 199));
  EXPECT_EQ(ui::command_action(1700), ui::action_word(15, 0));
  EXPECT_EQ(ui::command_action(3000), ui::action_word(25, 0));
  EXPECT_EQ(ui::command_action(3017), ui::action_word(25, 17));
  EXPECT_EQ(ui::command_action(3021), 0);
  EXPECT_EQ(ui::command_action(3100), ui::action_word(25, 100));
  EXPECT_EQ(ui::command_action(3101), ui::action_word(25, 101));
  EXPECT_EQ(ui::command_action(3649), ui::action_word(43, 49));
  EXPECT_EQ(ui::command_action(3650), ui::action_word(44, 0));
  EXPECT_EQ(ui::command_action(3350), 0);
  EXPECT_EQ(ui::command_action(2000), 0);
  EXPECT_EQ(ui::command_action(4020), 0);
}

TEST_F(Windows, KeyLoopReturnsTheNextKeyAndDispatchesTheRest) {
  ui::Handle w = open();
  input("press #1\nkey F5\n");
  EXPECT_EQ(ui::key_loop(), 15);
  EXPECT_EQ(ui::window_top(), w);
}

TEST_F(Windows, ScrollingStaysInsideTheRange) {
  int page = ui::font_cell().h;
  EXPECT_EQ(ui::scroll_position(ui::platform::kScrollLineDown, 0, 100, 0), 2);
  EXPECT_EQ(ui::scroll_position(ui::platform::kScrollLineUp, 1, 100, 0), 0);
  EXPECT_EQ(ui::scroll_position(ui::platform::kScrollPageDown, 10, 100, 0), 10 + page);
  EXPECT_EQ(ui::scroll_position(ui::platform::kScrollPageDown, 99, 100, 0), 100);
  EXPECT_EQ(ui::scroll_position(ui::platform::kScrollThumb, 0, 100, 40), 40);
  EXPECT_EQ(ui::scroll_position(ui::platform::kScrollThumb, 0, 100, 400), 100);
  EXPECT_EQ(ui::scroll_position(ui::platform::kScrollBottom, 0, 100, 0), 100);
  EXPECT_EQ(ui::scroll_position(ui::platform::kScrollTop, 50, 100, 0), 0);
}

TEST_F(Windows, AScreenTooLargeForItsWindowGetsAScrollRange) {
  ui::Handle w = open(ui::kFrameMant, 20, 5);
  ui::window_place(w, 0, 0, 20, 200);
  EXPECT_NE(tk_->render(w).find("scroll: 0 of"), std::string::npos);
}

TEST_F(Windows, AQuitLeftByAnEarlierLastWindowDoesNotEndALaterLoop) {
  ui::Handle first = open();
  ui::window_destroy(first);  // the last window: quit is posted
  ui::Handle second = open();
  input("wait\nclose\n");
  ui::main_loop();
  EXPECT_EQ(ui::window_top(), ui::kNone) << "the loop ran until the second window closed";
  (void)second;
}

}  // namespace

namespace {

using namespace uitest;
using ui::platform::Event;
using ui::platform::EventKind;

class Menus : public UiTest {};

// Records what the current screen window's action set gets.
std::vector<int> g_actions;
int record(void*, int action) {
  g_actions.push_back(action);
  return 0;
}

TEST_F(Menus, MenuItemsBecomeTheMenuAction) {
  ui::platform::Handle bar = tk_->menu_create(false);
  ui::platform::Handle sub = tk_->menu_create(true);
  tk_->menu_add_item(sub, 1500, "Clientes"_t);
  tk_->menu_add_item(sub, 1501, "Proveedores"_t);
  tk_->menu_add_submenu(bar, sub, "Ficheros"_t);
  tk_->menu_add_item(bar, 1700, "Salir"_t);
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameApp, 0, "Menu"_t, bar, 40, 10, nullptr, &w), 0);
  ui::Screen screen;
  int sw = ui::screen_window_open(ui::screen_add(screen), w, 0);
  ASSERT_GE(sw, 0);
  g_actions.clear();
  ASSERT_EQ(ui::action_set_install({&record, nullptr, nullptr, nullptr}), 0);
  input("menu Proveedores\nmenu #1700\n");
  run_script();
  EXPECT_EQ(g_actions, (std::vector<int>{ui::action_word(16, 1), ui::action_word(15, 0)}));
  // A pop-up menu answers the item chosen, or nothing.
  input("menu Clientes\n");
  EXPECT_EQ(tk_->menu_track(w, sub), 1500);
  EXPECT_EQ(tk_->menu_track(w, sub), 0);
  expect_script_ok();
  tk_->menu_destroy(bar);
}

TEST_F(Menus, AnUnboundWindowGainingTheFocusIsBoundToTheCurrentScreenWindow) {
  ui::Handle form = ui::kNone, other = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameMant, 0, "F"_t, ui::kNone, 20, 4, nullptr, &form), 0);
  int sw = ui::screen_window_open(ui::screen_add(ui::Screen{}), form, 0);
  g_actions.clear();
  ASSERT_EQ(ui::action_set_install({&record, nullptr, nullptr, nullptr}), 0);
  ASSERT_EQ(ui::window_create(ui::kFrameMant, 0, "G"_t, ui::kNone, 20, 4, nullptr, &other), 0);
  EXPECT_EQ(ui::window_value(other), -1);
  Event e;
  e.kind = EventKind::WindowFocus;
  e.window = other;
  ui::dispatch(e);
  EXPECT_EQ(ui::window_value(other), sw);
  EXPECT_EQ(g_actions, (std::vector<int>{ui::kActBindWindow}));
  // Bound once, it is not bound again.
  ui::dispatch(e);
  EXPECT_EQ(g_actions.size(), 1u);
}

TEST_F(Menus, TextsOfTheTopWindowAndPaintedTexts) {
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameDialog, 0, "Viejo"_t, ui::kNone, 30, 5, nullptr, &w), 0);
  ui::platform::ControlSpec c;
  c.id = 4001;
  c.rect = ui::cell_rect(1, 1, 10);
  ASSERT_TRUE(tk_->control_create(w, c));
  ui::control_text_top(4001, "Hola"_t);
  ui::window_title_set(w, "Nuevo"_t);
  ui::paint_centred_text(w, "Espere\r\npor favor"_t);
  std::string picture = tk_->render(w);
  EXPECT_NE(picture.find("+- Nuevo "), std::string::npos) << picture;
  EXPECT_NE(picture.find("|Hola"), std::string::npos) << picture;
  EXPECT_NE(picture.find("Espere"), std::string::npos) << picture;
  EXPECT_NE(picture.find("por favor"), std::string::npos) << picture;
}

}  // namespace

namespace {

using namespace uitest;

class Scrolling : public UiTest {};

TEST_F(Scrolling, AScrollEventMovesTheContentInsideItsRange) {
  ui::Screen screen;
  screen.rows = 100;
  screen.columns = 20;
  ui::Handle w = ui::kNone;
  ASSERT_EQ(ui::window_create(ui::kFrameMant, 0, "Larga"_t, ui::kNone, 20, 5, nullptr, &w), 0);
  ASSERT_GE(ui::screen_window_open(ui::screen_add(screen), w, 0), 0);
  ui::window_place(w, 0, 0, 20, 100);
  int range = 100 * ui::font_cell().h - tk_->window_client(w).h;
  ASSERT_GT(range, 0);
  ui::platform::Event e = ui::platform::event_of(ui::platform::EventKind::Scroll, w);
  e.param = ui::platform::kScrollPageDown;
  ui::dispatch(e);
  EXPECT_NE(tk_->render(w).find("scroll: " + std::to_string(ui::font_cell().h) + " of"), std::string::npos)
      << tk_->render(w);
  e.param = ui::platform::kScrollBottom;
  ui::dispatch(e);
  EXPECT_NE(tk_->render(w).find("scroll: " + std::to_string(range) + " of"), std::string::npos) << tk_->render(w);
  e.param = ui::platform::kScrollLineUp;
  ui::dispatch(e);
  EXPECT_NE(tk_->render(w).find("scroll: " + std::to_string(range - 2) + " of"), std::string::npos);
}

}  // namespace
