// Screens and screen windows: user counts, the action rounds, the default
// field moves, the screen-field variable hook and screen file lines.
#include <vector>

#include "script/eval.h"
#include "tests/ui/ui_fixture.h"
#include "ui/screens.h"

namespace {

using namespace uitest;
using ui::platform::Event;
using ui::platform::EventKind;

ui::Screen make_screen(int fields) {
  ui::Screen s;
  s.columns = 40;
  s.rows = fields + 2;
  const char* names[] = {"_A$", "_B#", "_C$", "_D", "_E$", "_F$"};
  const char types[] = {'A', '2', 'L', 'N', 'A', 'A'};
  for (int i = 0; i < fields; ++i) {
    ui::ScreenField f;
    f.row = i + 1;
    f.column = 12;
    f.width = 10;
    f.type = types[i % 6];
    f.variable = names[i % 6];
    s.fields.push_back(f);
    s.labels.push_back({i + 1, 1, "Field " + std::to_string(i + 1) + ":"});
  }
  return s;
}

// Records the actions a screen window's set receives.
struct Recorder {
  std::vector<int> first;
  std::vector<int> second;
  int answer_first = 0;
  std::vector<int> chain;  // next actions the second stage gives, in turn
  static int on_first(void* data, int action) {
    auto* r = static_cast<Recorder*>(data);
    r->first.push_back(action);
    return r->answer_first;
  }
  static int on_second(void* data, int type, int field, int action) {
    auto* r = static_cast<Recorder*>(data);
    r->second.push_back(type * 10000 + field * 100 + action);
    if (r->chain.empty()) return ui::kActionEnd;
    int next = r->chain.front();
    r->chain.erase(r->chain.begin());
    return next;
  }
};

class Screens : public UiTest {
 protected:
  // A window showing a screen of n fields, current.
  int open(int fields, uint32_t flags = 0) {
    int screen = ui::screen_add(make_screen(fields));
    ui::Handle w = ui::kNone;
    EXPECT_EQ(ui::window_create(ui::kFrameMant, 0, "S"_t, ui::kNone, 40, fields + 2, nullptr, &w), 0);
    int sw = ui::screen_window_open(screen, w, flags);
    EXPECT_EQ(ui::screen_controls_create(sw), 0);
    window_ = w;
    return sw;
  }
  std::string eval(const std::string& expr) {
    core::ArenaScope scope;
    return str(script::expr_text(txt(expr)));
  }
  void event(EventKind kind, int id = 0, int key = 0) {
    Event e;
    e.kind = kind;
    e.window = window_;
    e.id = id;
    e.key = key;
    ui::dispatch(e);
  }
  ui::Handle window_ = ui::kNone;
};

TEST_F(Screens, ScreenWindowsCountUsersOfTheirScreen) {
  int screen = ui::screen_add(make_screen(2));
  int a = ui::screen_window_open(screen, ui::kNone, 0);
  int b = ui::screen_window_open(screen, ui::kNone, 0);
  EXPECT_EQ(ui::screen_count(), 1);
  EXPECT_EQ(ui::screen_window_count(), 2);
  EXPECT_EQ(ui::screen_get(screen)->users, 2);
  EXPECT_EQ(ui::screen_window_current(), b);
  ui::screen_window_close(b);
  EXPECT_EQ(ui::screen_window_current(), a);
  EXPECT_EQ(ui::screen_count(), 1);
  ui::screen_window_close(a);
  EXPECT_EQ(ui::screen_count(), 0);
  EXPECT_EQ(ui::screen_window_count(), 0);
  EXPECT_EQ(ui::screen_window_current(), -1);
  EXPECT_EQ(ui::screen_get(screen), nullptr);
}

TEST_F(Screens, ClosingAScreenWindowResetsTheMarginsAndRestoresTheKeyMap) {
  ui::Screen first = make_screen(1);
  first.keymap = 1;
  int a = ui::screen_window_open(ui::screen_add(first), ui::kNone, 0);
  EXPECT_EQ(script::var_get_int(core::kSwKeyMap), 1);
  int b = ui::screen_window_open(ui::screen_add(make_screen(1)), ui::kNone, 0);
  EXPECT_EQ(script::var_get_int(core::kSwKeyMap), 0);
  ui::screen_margins_set({2, 1, 2, 1});
  ui::screen_window_close(b);
  EXPECT_EQ(ui::screen_margins().left, 0);
  EXPECT_EQ(script::var_get_int(core::kSwKeyMap), 1);
  ui::screen_window_close(a);
}

TEST_F(Screens, TheActionSetIsRefusedForAWindowWithoutActions) {
  open(2, ui::kSwFlagNoActions);
  Recorder r;
  EXPECT_EQ(ui::action_set_install({&Recorder::on_first, nullptr, nullptr, &r}), core::NOVALUE);
  // Its moves are the default ones.
  EXPECT_EQ(ui::action_perform(window_, ui::kActNextField), 0);
  EXPECT_EQ(ui::screen_window_current_get()->current_field, 2);
  EXPECT_TRUE(r.first.empty());
}

TEST_F(Screens, ActionRoundsRunUntilAResultOrTheEndAction) {
  int sw = open(3);
  ui::screen_window_get(sw)->type = 7;
  Recorder r;
  ASSERT_EQ(ui::action_set_install({&Recorder::on_first, &Recorder::on_second, nullptr, &r}), 0);
  // 0 from the first stage asks the second for the next action: 21, then 19, then the end.
  r.chain = {21, 19};
  EXPECT_EQ(ui::action_perform(window_, 25), 0);
  EXPECT_EQ(r.first, (std::vector<int>{25, 21, 19}));
  EXPECT_EQ(r.second, (std::vector<int>{70125, 70121, 70119}));
  // Any other result below 122 ends the round at once.
  r.first.clear();
  r.second.clear();
  r.answer_first = 5;
  r.chain = {21};
  EXPECT_EQ(ui::action_perform(window_, 25), 5);
  EXPECT_EQ(r.first.size(), 1u);
  EXPECT_TRUE(r.second.empty());
  // 2 goes on like 0.
  r.first.clear();
  r.answer_first = 2;
  r.chain = {};
  EXPECT_EQ(ui::action_perform(window_, 25), 2);
  EXPECT_EQ(r.second.size(), 1u);
  // An error is shown and returned.
  r.answer_first = core::DISKIO;
  EXPECT_EQ(ui::action_perform(window_, 25), core::DISKIO);
  EXPECT_NE(tk_->transcript().find("Disco (I/O)"), std::string::npos) << tk_->transcript();
}

TEST_F(Screens, DefaultMovesSkipReadOnlyFieldsAndStopAtTheEnd) {
  int sw = open(4);
  ui::screen_get(ui::screen_window_get(sw)->screen)->fields[2].read_only = true;
  EXPECT_EQ(ui::screen_window_current_get()->current_field, 1);
  EXPECT_EQ(ui::field_move(ui::kActNextField), 0);
  EXPECT_EQ(ui::field_move(ui::kActDown), 0);
  EXPECT_EQ(ui::screen_window_current_get()->current_field, 4);
  EXPECT_EQ(tk_->control_focused(window_), 2003);
  EXPECT_EQ(script::var_get_int(3), 4);
  EXPECT_EQ(ui::field_move(ui::kActNextField), ui::kEndOfFields);
  EXPECT_EQ(ui::screen_window_current_get()->current_field, 4);
  EXPECT_EQ(ui::field_move(ui::kActUp), 0);
  EXPECT_EQ(ui::screen_window_current_get()->current_field, 2);
  EXPECT_EQ(ui::field_move(ui::kActPrevField), 0);
  EXPECT_EQ(ui::field_move(ui::kActPrevField), 0);
  EXPECT_EQ(ui::screen_window_current_get()->current_field, 1);
  EXPECT_EQ(ui::field_make_current(3), core::BADDATA);
  EXPECT_EQ(ui::field_make_current(9), core::BADDATA);
}

TEST_F(Screens, MovesWrapInsideAFieldGroupAndSayHow) {
  int sw = open(5);
  ui::screen_get(ui::screen_window_get(sw)->screen)->groups.push_back({2, 4});
  ASSERT_EQ(ui::field_make_current(4), 0);
  EXPECT_EQ(script::var_get_int(core::kSwScrStat) & ui::kScrStatWrapped, 0);
  EXPECT_EQ(ui::field_move(ui::kActNextField), 0);
  EXPECT_EQ(ui::screen_window_current_get()->current_field, 2);
  EXPECT_NE(script::var_get_int(core::kSwScrStat) & ui::kScrStatWrapped, 0);
  EXPECT_EQ(ui::field_move(ui::kActPrevField), 0);
  EXPECT_EQ(ui::screen_window_current_get()->current_field, 4);
}

TEST_F(Screens, FieldVariablesAreViewsOnTheCurrentScreenWindow) {
  open(4);
  EXPECT_EQ(eval("_A$='hola'"), "hola");
  EXPECT_EQ(str(tk_->control_text(window_, 2000)), "hola");
  tk_->control_text_set(window_, 2000, "typed"_t);
  EXPECT_EQ(eval("_A$"), "typed");
  // A number in a field of two decimals, read back as a number.
  EXPECT_EQ(eval("_B#=12.5"), "12.5");
  EXPECT_EQ(str(tk_->control_text(window_, 2001)), "12.50");
  EXPECT_EQ(eval("_B#*2"), "25");
  // A blank logical field reads as 0.
  tk_->control_text_set(window_, 2002, " "_t);
  EXPECT_EQ(eval("_C$"), "0");
  // Names of no field are ordinary variables.
  EXPECT_EQ(eval("_OTHER$='x'"), "x");
  EXPECT_EQ(eval("_OTHER$"), "x");
  EXPECT_EQ(ui::fields_of("_D,_X$, _A$"_t), (std::vector<int>{4, 1}));
  // Without a screen window the names are ordinary variables again.
  ui::screen_window_close(ui::screen_window_current());
  EXPECT_EQ(eval("_A$"), "");
}

TEST_F(Screens, ScreenFileLinesGiveLabelsFieldsAndDirectives) {
  ui::Screen s;
  EXPECT_EQ(ui::screen_parse_line("00305Nombre: Ã±"_t, &s), 0);
  EXPECT_EQ(ui::screen_parse_line("10312000030A"_t, &s), 0);
  EXPECT_EQ(ui::screen_parse_line("10412010208N"_t, &s), 0);
  EXPECT_EQ(ui::screen_parse_line("00101<?>KEEP"_t, &s), 0);
  EXPECT_EQ(ui::screen_parse_line("9xx"_t, &s), core::BADDATA);
  EXPECT_EQ(ui::screen_parse_line("10312"_t, &s), core::BADDATA);
  ASSERT_EQ(s.labels.size(), 1u);
  EXPECT_EQ(s.labels[0].row, 3);
  EXPECT_EQ(s.labels[0].column, 5);
  EXPECT_EQ(s.labels[0].text, "Nombre: Ã±");
  ASSERT_EQ(s.fields.size(), 2u);
  EXPECT_EQ(s.fields[0].row, 3);
  EXPECT_EQ(s.fields[0].column, 12);
  EXPECT_EQ(s.fields[0].width, 30);
  EXPECT_EQ(s.fields[0].type, 'A');
  EXPECT_EQ(s.fields[1].extra1, 1);
  EXPECT_EQ(s.fields[1].extra2, 2);
  EXPECT_EQ(s.fields[1].width, 8);
  EXPECT_EQ(s.fields[1].type, 'N');
  EXPECT_EQ(s.directives, (std::vector<std::string>{"<?>KEEP"}));
}

TEST_F(Screens, ClickingIntoAFieldMakesItCurrentOrIsRefused) {
  int sw = open(3);
  ui::screen_get(ui::screen_window_get(sw)->screen)->fields[1].read_only = true;
  Recorder r;
  ASSERT_EQ(ui::action_set_install({&Recorder::on_first, nullptr, nullptr, &r}), 0);
  input("click Field 3:\nclick Field 2:\n");
  run_script();
  EXPECT_EQ(ui::screen_window_current_get()->current_field, 3);
  EXPECT_EQ(r.first, (std::vector<int>{ui::kActFieldEntered, ui::kActRefused}));
  expect_script_ok();
}

TEST_F(Screens, AKeyboardLineIsPushedAndRaisesItsAction) {
  open(1);
  Recorder r;
  ASSERT_EQ(ui::action_set_install({&Recorder::on_first, nullptr, nullptr, &r}), 0);
  for (int ch : {29, 65, 66, 49, 13}) event(EventKind::Char, 2000, ch);
  EXPECT_EQ(str(core::slot_last(30)), "AB1");
  EXPECT_EQ(r.first, (std::vector<int>{ui::kActKeyboardLine}));
  // Characters outside a line are typing and raise nothing.
  event(EventKind::Char, 2000, 'x');
  EXPECT_EQ(r.first.size(), 1u);
}

TEST_F(Screens, EventsOfAScreenWindowBecomeActions) {
  open(2);
  Recorder r;
  ASSERT_EQ(ui::action_set_install({&Recorder::on_first, nullptr, nullptr, &r}), 0);
  event(EventKind::KeyDown, 2000, ui::platform::kVkF1 + 5);
  event(EventKind::Command, 3100);
  event(EventKind::Command, 1502);
  event(EventKind::ListActivate, 3350);
  event(EventKind::KeyDown, 3350, ui::platform::kVkReturn);
  Event app;
  app.kind = EventKind::App;
  app.window = window_;
  app.message = ui::kMsgFieldAction;
  app.param = 3;
  ui::dispatch(app);
  app.message = ui::kMsgRefresh;
  ui::dispatch(app);
  EXPECT_EQ(r.first, (std::vector<int>{ui::action_word(25, 7), ui::action_word(25, 100), ui::action_word(16, 2),
                                       ui::action_word(25, 100), ui::action_word(25, 100),
                                       ui::action_word(23, 3), 18}));
  // Esc on a field is the Esc action; on the window itself, as the close
  // button, 28, which closes the window and its screen window.
  event(EventKind::KeyDown, 2000, ui::platform::kVkEscape);
  EXPECT_EQ(r.first.back(), ui::kActEscape);
  event(EventKind::KeyDown, 0, ui::platform::kVkEscape);
  EXPECT_EQ(r.first.back(), ui::kActClose);
  EXPECT_EQ(ui::window_count(), 0);
  EXPECT_EQ(ui::screen_window_count(), 0);
}

}  // namespace

namespace {

using namespace uitest;

class ScreenFiles : public UiTest {};

TEST_F(ScreenFiles, AScreenIsReadFromItsParameterAndScreenFiles) {
  write("CLIENTES.PPN",
        "01 SCREENSIZE$='60,12,1,2,3,4':KEYMAP%=1:BEGINFLD%=2\n"
        "01 FD$='_COD#,_NOM$,_TEL$':NOEDIT$='_TEL$'\n"
        "02 SCREENSIZE$='10,2'\n");
  // Layout 2: the section in columns 2-3, content from column 4 to the last but one.
  write("CLIENTES.PAN",
        " 0100101<?>CONFIG|\n"
        " 0100202Codigo:|\n"
        " 0110210000006N|\n"
        " 0100302Nombre: a:b|\n"
        " 0110310000030A|\n"
        " 0110410000012A|\n"
        " 0200202Otra|\n");
  int index = -1;
  ASSERT_EQ(ui::screen_load("CLIENTES"_t, 1, false, &index), 0);
  const ui::Screen* s = ui::screen_get(index);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->columns, 60);
  EXPECT_EQ(s->rows, 12);
  EXPECT_EQ(s->margins.left, 1);
  EXPECT_EQ(s->margins.bottom, 4);
  EXPECT_EQ(s->keymap, 1);
  EXPECT_EQ(s->begin_field, 2);
  ASSERT_EQ(s->labels.size(), 2u);
  EXPECT_EQ(s->labels[1].text, "Nombre: a:b") << "a label keeps its colons";
  EXPECT_EQ(s->directives, (std::vector<std::string>{"<?>CONFIG"}));
  ASSERT_EQ(s->fields.size(), 3u);
  EXPECT_EQ(s->fields[0].variable, "_COD#");
  EXPECT_EQ(s->fields[0].type, 'N');
  EXPECT_EQ(s->fields[0].width, 6);
  EXPECT_EQ(s->fields[2].variable, "_TEL$");
  EXPECT_TRUE(s->fields[2].read_only);
  EXPECT_FALSE(s->fields[1].read_only);
  // Opening it sets the key map of status word 29.
  int sw = ui::screen_window_open(index, ui::kNone, 0);
  EXPECT_EQ(script::var_get_int(core::kSwKeyMap), 1);
  EXPECT_EQ(ui::screen_window_get(sw)->current_field, 2);
  ui::screen_window_close(sw);
  EXPECT_EQ(ui::screen_count(), 0);
}

TEST_F(ScreenFiles, AMissingScreenFileIsAnErrorUnlessAllowed) {
  write("SOLO.PPN", "01 SCREENSIZE$='20,4'\n");
  int index = -1;
  EXPECT_EQ(ui::screen_load("SOLO"_t, 1, false, &index), core::FILENOTFOUND);
  EXPECT_EQ(index, -1);
  core::error_clear();
  ASSERT_EQ(ui::screen_load("SOLO.PPN"_t, 1, true, &index), 0);
  EXPECT_EQ(ui::screen_get(index)->columns, 20);
  EXPECT_TRUE(ui::screen_get(index)->fields.empty());
  EXPECT_EQ(ui::screen_load("NADA"_t, 1, true, &index), core::FILENOTFOUND);
  write("MALO.PPN", "01 X=1\n");
  write("MALO.PAN", " 01xx\n");
  EXPECT_EQ(ui::screen_load("MALO"_t, 1, false, &index), core::BADDATA);
}

TEST_F(ScreenFiles, ABadScreenLineIsNamedByItsFileAndLine) {
  write("CORTA.PPN", "01 FD$=a,b\n");
  // Section 2's line 3 of the file lies between section 1's lines; the
  // file is cut in section 1's second field.
  write("CORTA.PAN", "; fields\n 0100102Codigo:|\n 0200202Otra|\n 0110214000006A|\n 011031\n");
  int index = -1;
  EXPECT_EQ(ui::screen_load("CORTA"_t, 1, false, &index), core::BADDATA);
  EXPECT_EQ(str(core::error_detail()), "CORTA.PAN, line 5: not a label or field line of screen 1: \"103\"");
  EXPECT_EQ(core::error_place().line, 5u);
  EXPECT_EQ(core::error_place().file, "CORTA.PAN");
  ASSERT_EQ(ui::screen_load("CORTA"_t, 2, false, &index), 0) << "the other screen of the file still loads";
}

TEST_F(ScreenFiles, AScreenFileThatIsNotTextIsNamedByItsLine) {
  write("RARO.PPN", "01 FD$=a\n");
  write("RARO.PAN", " 0100102Codigo:|\n\x01\x02\xff\n 0110214000006A|\n");
  int index = -1;
  EXPECT_EQ(ui::screen_load("RARO"_t, 1, false, &index), core::SINTAXERROR);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(str(core::error_detail()), "RARO.PAN, line 2: not a text file (byte 0x01)");
  EXPECT_EQ(core::error_place().line, 2u);
}

}  // namespace
