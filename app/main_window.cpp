// The main window: titled with the status line, the menu bar of the menu
// file, the background picture, and the menu actions.
#include <algorithm>
#include <optional>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "formats/formats.h"
#include "script/variables.h"
#include "app/app.h"
#include "definitions/definitions.h"
#include "app/menu.h"
#include "paths/paths.h"
#include "ui/screens.h"
#include "ui/windows.h"

namespace app {

namespace {

using ui::platform::Event;
using ui::platform::EventKind;
using ui::platform::Handle;
using ui::platform::kNone;

constexpr const char* kMakerAddress = "apprun.example.org";
constexpr Text kPictureFile = "background.png"_t;
constexpr int16_t kScrStatMenu = 2;  // bit of status word 21: the main window is open
constexpr int kDefaultColumns = 80;
constexpr int kDefaultRows = 25;
constexpr int kPictureInset = 3;     // pixels from the client area's edges
constexpr int kIdPicture = 1000;

struct MainWindow {
  Handle window = kNone;
  Handle menu = kNone;
  int screen_window = -1;
};
std::optional<MainWindow> g_main;

// The start menu's screen, or an empty one when its parameter file is
// not there (a menu of the PMT format needs none).
Status main_screen(Text start_menu, int* index) {
  core::ArenaScope scope;
  Text file = core::text_trim(core::list_field(start_menu, ',', 1), core::kTrimBoth);
  if (file.empty() || defs::def_file_find(file, defs::kFtParams).empty()) {
    *index = ui::screen_add(ui::Screen{});
    return 0;
  }
  return ui::screen_load(file, core::list_field_int(start_menu, ',', 2), true, index);
}

// Closes the main window: its screen window, frame and menu. A window of a
// window layer that has gone since (a test's) is only forgotten.
void close_main() {
  if (!g_main) return;
  MainWindow m = *g_main;
  g_main.reset();
  const ui::ScreenWindow* sw = ui::screen_window_get(m.screen_window);
  if (sw == nullptr || sw->window != m.window) return;
  ui::screen_window_close(m.screen_window);
  ui::window_destroy(m.window);
  if (m.menu != kNone && ui::toolkit() != nullptr) ui::toolkit()->menu_destroy(m.menu);
}

// The client area of columns x rows cells, made smaller where the screen
// is: the home window is always there, however small the display.
ui::platform::Size main_client_size(int columns, int rows, bool menu) {
  ui::platform::Toolkit* tk = ui::toolkit();
  ui::platform::CellSize cell = ui::font_cell();
  ui::CellMargins margins = ui::screen_margins();
  ui::platform::Size want{(columns + margins.left + margins.right) * cell.w,
                          (rows + margins.top + margins.bottom) * cell.h};
  ui::platform::Size area = tk->screen_area();
  ui::platform::Margins frame = tk->frame_extra(ui::kStyleMain, menu);
  return {std::min(want.w, area.w - frame.left - frame.right), std::min(want.h, area.h - frame.top - frame.bottom)};
}

// The menu actions: 16 runs item k, 17 is the close request, 19 the help.
int main_action(void*, int action) {
  switch (ui::action_code(action)) {
    case ui::kActMenuItem: {
      core::ArenaScope scope;
      Text process = core::text_copy(menu_item_process(ui::action_param(action)));
      if (process.empty()) return 0;
      Status st = process_run(process);
      return st == core::CANCELLED ? 0 : st;
    }
    case ui::kActCloseRequest: {
      bool close = false;
      Status st = close_request(&close);
      if (st == 0 && close) close_main();
      return st;
    }
    case ui::kActHelp:
      return help_pages();
    default:
      return 0;
  }
}

// The close button and Esc ask to close; menu commands are items; F1 is
// help.
class MainWindowProc : public ui::WindowProc {
 public:
  void on_event(Handle window, const Event& event) override {
    switch (event.kind) {
      case EventKind::KeyDown: {
        int code = ui::key_code(event.key);
        if (code == ui::kKeyEsc) {
          ui::action_perform(window, ui::kActCloseRequest);
        } else if (ui::key_action(code) == ui::kActHelp) {
          ui::action_perform(window, ui::kActHelp);
        }
        return;
      }
      case EventKind::Command:
        if (int action = ui::command_action(event.id); action != 0) ui::action_perform(window, action);
        return;
      case EventKind::Close:
        ui::action_perform(window, ui::kActCloseRequest);
        return;
      default:
        return;
    }
  }
};

MainWindowProc g_proc;

}  // namespace

Text main_status_line() {
  core::ArenaScope scope;
  Text description = core::text_copy(core::slot_get(core::kGroupEnv, core::kEnvApDescrip));
  Text date = formats::date_format(formats::today_text(), 2);
  Text database = paths::env_database_field(2);
  Text folder = paths::path_split(paths::path_current_folder(), paths::kPartBase | paths::kPartExt);
  Text line = core::text_format(2048, " %.*s  |  %.*s  |  %.*s %.*s |  %s  ", static_cast<int>(description.len),
                                description.ptr, static_cast<int>(date.len), date.ptr,
                                static_cast<int>(database.len), database.ptr, static_cast<int>(folder.len),
                                folder.ptr, kMakerAddress);
  return scope.keep(line);
}

Text background_picture() {
  core::ArenaScope scope;
  Text found = defs::def_file_find(kPictureFile, defs::kFtParams);
  if (found.empty()) {
    Text beside = paths::path_join(paths::path_runtime_files(), kPictureFile);
    if (paths::path_exists(beside)) found = beside;
  }
  return found.empty() ? core::text_copy(Text{}) : scope.keep(found);
}

Status main_window_open(Text start_menu) {
  ui::platform::Toolkit* tk = ui::toolkit();
  if (tk == nullptr) return core::SCREENENV;
  if (g_main) close_main();
  core::ArenaScope scope;
  script::var_set_int(core::kSwScrStat, static_cast<int16_t>(script::var_get_int(core::kSwScrStat) | kScrStatMenu));
  Handle menu = start_menu.empty() ? kNone : menu_build(start_menu);
  int screen = -1;
  Status st = main_screen(start_menu, &screen);
  if (st != 0) {
    if (menu != kNone) tk->menu_destroy(menu);
    return st;
  }
  const ui::Screen* def = ui::screen_get(screen);
  int columns = def->columns > 0 ? def->columns : kDefaultColumns;
  int rows = def->rows > 0 ? def->rows : kDefaultRows;
  ui::screen_margins_set(def->margins);
  Handle window = kNone;
  st = ui::window_create_pixels(ui::kFrameApp, 0, main_status_line(), menu,
                                main_client_size(columns, rows, menu != kNone), &g_proc, &window);
  if (st != 0) {
    ui::screen_drop(screen);
    if (menu != kNone) tk->menu_destroy(menu);
    return st;
  }
  g_main = MainWindow{window, menu, ui::screen_window_open(screen, window, 0)};
  // The picture first, so that the screen's labels stand on it.
  Text picture = background_picture();
  if (!picture.empty()) {
    ui::platform::Size client = tk->window_client(window);
    ui::platform::ControlSpec c;
    c.kind = ui::platform::ControlKind::Picture;
    c.id = kIdPicture;
    c.rect = {kPictureInset, kPictureInset, client.w - 2 * kPictureInset, client.h - 2 * kPictureInset};
    c.text = core::text_str(picture);
    c.flags = ui::platform::kSystemFont;
    tk->control_create(window, c);
  }
  st = ui::screen_controls_create(g_main->screen_window);
  if (st == 0) st = ui::action_set_install({&main_action, nullptr, nullptr, nullptr});
  if (st != 0) {
    close_main();
    return st;
  }
  tk->window_show(window);
  return 0;
}

}  // namespace app
