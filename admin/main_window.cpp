// appcontrol's main window: the five views as buttons beside one list,
// whose first line (where a view has one) is the view's action.
#include <optional>

#include "admin/control.h"
#include "admin/lists.h"
#include "admin/statements.h"
#include "core/arena.h"
#include "core/errors.h"
#include "ui/dialogs.h"
#include "ui/windows.h"

namespace admin {

namespace {

using ui::platform::ControlKind;
using ui::platform::ControlSpec;
using ui::platform::Event;
using ui::platform::EventKind;
using ui::platform::Handle;

// The views, by their place in the list of view buttons.
enum View : int { kUsers = 1, kCompanies, kCompanyData, kCompanyGroups, kCompanyUsers };
constexpr const char* kViewNames[] = {"", "Usuarios", "Seleccion de Empresa", "Datos de Empresa",
                                      "Grupos de Empresa", "Usuarios de Empresa"};
// The action of each view's first line ("" where the view has none).
constexpr const char* kViewActions[] = {"", "Nuevo Usuario", "Nueva Empresa", "", "", "A\xF1" "adir Usuario"};
constexpr int kViews = 5;

constexpr int kButtonColumns = 22;
constexpr int kListColumns = 48;
constexpr int kRows = 22;
constexpr int kIdViewFirst = ui::kIdDialogFirst;
constexpr int kIdList = ui::kIdListFirst;
constexpr const char* kFace = "Lucida Console";

struct State {
  Handle window = ui::kNone;
  int view = kUsers;
  std::string company;
  std::vector<std::string> lines;  // the names after the action line
};
std::optional<State> g_state;

std::vector<std::string> installation_users() {
  std::vector<std::string> users;
  Status st = list_read(data_file(user_list_name({})), &users);
  if (st != 0) core::error_box(st);
  return users;
}

void title_update() {
  std::string title = "Control de Aplication - " + (g_state->company.empty() ? "Sin Seleccion" : g_state->company);
  ui::window_title_set(g_state->window, core::text_view(title));
}

// The view's lines: its action, then its names.
void fill() {
  State& s = *g_state;
  ui::platform::Toolkit* tk = ui::toolkit();
  s.lines.clear();
  Status st = 0;
  switch (s.view) {
    case kUsers: s.lines = installation_users(); break;
    case kCompanies: st = list_read(data_file(kCompanyListName), &s.lines); break;
    case kCompanyGroups:
      for (int g = 1; g <= kGroupCount; ++g) s.lines.push_back(group_name(g));
      break;
    case kCompanyUsers: st = company_users(s.company, &s.lines); break;
    default: break;
  }
  if (st != 0) core::error_box(st);
  tk->list_clear(s.window, kIdList);
  std::string action = kViewActions[s.view];
  if (!action.empty()) tk->list_add(s.window, kIdList, core::text_view(action));
  for (const std::string& line : s.lines) tk->list_add(s.window, kIdList, core::text_view(line));
  tk->list_select(s.window, kIdList, 0);
  tk->control_focus(s.window, kIdList);
  title_update();
}

// Whether a view may be shown now; when not, the user is told why.
bool view_allowed(int view) {
  core::ArenaScope scope;
  if (view >= kCompanies && installation_users().empty()) {
    ui::message_box("Es necesario crear al menos un usuario (Administrador)"_t, core::Text{}, ui::kBoxWarning);
    return false;
  }
  if (view >= kCompanyData && g_state->company.empty()) {
    ui::message_box("Por favor, Seleccione una Empresa"_t, core::Text{}, ui::kBoxWarning);
    return false;
  }
  return true;
}

void view_choose(int view) {
  if (!view_allowed(view)) return;
  if (view == kCompanyData) {
    (void)data_form(company_data_form(g_state->company), g_state->company, false);
    // A company taken off the list is no longer the selected one.
    std::vector<std::string> companies;
    if (list_read(data_file(kCompanyListName), &companies) == 0 && !list_has(companies, g_state->company))
      g_state->company.clear();
  } else {
    g_state->view = view;
  }
  fill();
}

// A line of the current view chosen (0 is the first).
void line_run(int line) {
  State& s = *g_state;
  bool has_action = kViewActions[s.view][0] != '\0';
  if (line < 0) return;
  if (has_action && line == 0) {
    switch (s.view) {
      case kUsers: (void)new_user(); break;
      case kCompanies: (void)new_company(); break;
      case kCompanyUsers: (void)add_user_to_company(s.company); break;
      default: break;
    }
  } else {
    size_t index = static_cast<size_t>(line - (has_action ? 1 : 0));
    if (index >= s.lines.size()) return;
    std::string name = s.lines[index];
    switch (s.view) {
      case kUsers: (void)data_form(user_data_form(name), name, true); break;
      case kCompanies: s.company = name; break;
      case kCompanyGroups:
      case kCompanyUsers: (void)permissions(s.company, name); break;
      default: break;
    }
  }
  if (g_state) fill();
}

void close_main() {
  if (!g_state) return;
  Handle window = g_state->window;
  g_state.reset();
  ui::window_destroy(window);
}

class MainProc : public ui::WindowProc {
 public:
  void on_event(Handle window, const Event& event) override {
    ui::platform::Toolkit* tk = ui::toolkit();
    switch (event.kind) {
      case EventKind::KeyDown: {
        int code = ui::key_code(event.key);
        if (code == ui::kKeyEsc) return close_main();
        if (code == ui::kKeyEnter && tk->control_focused(window) == kIdList)
          return line_run(tk->list_selected(window, kIdList));
        return;
      }
      case EventKind::Command:
        if (event.id >= kIdViewFirst && event.id < kIdViewFirst + kViews) view_choose(event.id - kIdViewFirst + 1);
        return;
      case EventKind::ListActivate:
        return line_run(tk->list_selected(window, kIdList));
      case EventKind::Close:
        return close_main();
      default:
        return;
    }
  }
};

MainProc g_proc;

}  // namespace

Status main_window_open() {
  ui::platform::Toolkit* tk = ui::toolkit();
  if (tk == nullptr) return core::SCREENENV;
  close_main();
  // The window's own face (the screen font's where it is not installed).
  ui::platform::FontSpec font = ui::font_current();
  font.face = kFace;
  ui::font_use(font);
  ui::screen_margins_set({1, 1, 1, 1});
  Handle window = ui::kNone;
  Status st = ui::window_create(ui::kFrameApp, 0, "Control de Aplication"_t, ui::kNone,
                                kButtonColumns + kListColumns + 1, kRows, &g_proc, &window);
  if (st != 0) {
    ui::screen_margins_set({});
    ui::font_restore();
    return st;
  }
  g_state = State{};
  g_state->window = window;
  for (int v = 1; v <= kViews; ++v) {
    ControlSpec c;
    c.kind = ControlKind::Button;
    c.id = kIdViewFirst + v - 1;
    c.rect = ui::cell_rect(1 + (v - 1) * 3, 1, kButtonColumns - 1, 2);
    c.text = kViewNames[v];
    tk->control_create(window, c);
  }
  ControlSpec list;
  list.kind = ControlKind::ListBox;
  list.id = kIdList;
  list.rect = ui::cell_rect(1, kButtonColumns + 1, kListColumns, kRows);
  tk->control_create(window, list);
  ui::screen_margins_set({});
  ui::font_restore();
  fill();
  tk->window_show(window);
  return 0;
}

}  // namespace admin
