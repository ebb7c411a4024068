// The headless backend: the same window and control tree as a real toolkit,
// kept in memory, with input from a script of steps (ui/platform/script.h)
// and a transcript of what a user would have seen: each window as a text
// picture when the runtime waits for input and it has changed, message
// boxes with their answers, file dialogs, and the steps taken.
//
// When the script runs out while the runtime waits for input, the top
// window is closed as if by its close button (an unattended run ends on
// its own); after 64 such closes with windows still open, quit is posted.
// While a progress window is on top, every poll for events (the operation
// behind it never waits) takes one step of the script.
// A `show` or `shot` step while a message box is open pictures the box and
// leaves it open; message boxes with no scripted answer take their first
// button, file
// dialogs are cancelled, pop-up menus choose nothing; each says so in the
// transcript.
#pragma once

#include <chrono>
#include <functional>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/platform/platform.h"

namespace ui::headless {

using namespace ui::platform;  // NOLINT: the backend speaks the interface's terms

struct Options {
  Size screen{1024, 768};
  Margins frame{4, 30, 4, 4};
  int menu_height = 20;
  // Where the transcript goes besides memory: a file name, "-" for
  // standard output, "2" for standard error, empty for memory only.
  std::string transcript_path;
};

// APP_UI_SCREEN=WIDTHxHEIGHT and APP_UI_TRANSCRIPT=path ("-" standard
// output; unset: standard error, where a terminal run shows its messages).
Options options_from_environment();

class HeadlessToolkit : public Toolkit {
 public:
  explicit HeadlessToolkit(Options options = {});
  ~HeadlessToolkit() override;

  const char* name() const override { return "headless"; }
  Size screen_area() const override { return options_.screen; }
  Margins frame_extra(uint32_t style, bool menu) const override;
  CellSize font_set(const FontSpec& spec) override;

  Handle window_create(const WindowSpec& spec) override;
  void window_destroy(Handle w) override;
  void window_move(Handle w, Point frame_position) override;
  void window_resize(Handle w, Size client) override;
  Point window_position(Handle w) const override;
  Size window_client(Handle w) const override;
  void window_title(Handle w, Text title) override;
  void window_enable(Handle w, bool enabled) override;
  void window_show(Handle w) override;
  void window_activate(Handle w) override;
  void window_scroll_ranges(Handle w, int horizontal, int vertical) override;
  void window_scroll_to(Handle w, int vertical) override;
  void window_paint_text(Handle w, Text text) override;

  bool control_create(Handle w, const ControlSpec& spec) override;
  void control_destroy(Handle w, int id) override;
  bool control_exists(Handle w, int id) const override;
  void control_text_set(Handle w, int id, Text text) override;
  Text control_text(Handle w, int id) override;
  void control_enable(Handle w, int id, bool enabled) override;
  void control_show(Handle w, int id, bool shown) override;
  void control_read_only(Handle w, int id, bool read_only) override;
  void control_focus(Handle w, int id) override;
  int control_focused(Handle w) const override;
  void control_select_all(Handle w, int id) override;
  void control_move(Handle w, int id, Rect rect) override;
  Rect control_rect(Handle w, int id) const override;
  void list_add(Handle w, int id, Text item) override;
  void list_clear(Handle w, int id) override;
  int list_selected(Handle w, int id) const override;
  void list_select(Handle w, int id, int index) override;
  void progress_set(Handle w, int id, int range, int position) override;
  void grid_columns(Handle w, int id, const std::vector<GridColumn>& columns) override;
  void grid_cell_set(Handle w, int id, int row, int column, Text text) override;
  void grid_row_delete(Handle w, int id, int row) override;
  int grid_rows(Handle w, int id) const override;

  Handle menu_create(bool popup) override;
  void menu_add_item(Handle menu, int id, Text caption) override;
  void menu_add_submenu(Handle menu, Handle submenu, Text caption) override;
  void menu_destroy(Handle menu) override;
  int menu_track(Handle owner, Handle menu) override;

  BoxAnswer message_box(Handle owner, Text caption, Text text, BoxButtons buttons,
                        BoxIcon icon) override;
  Text file_dialog(Handle owner, bool save, Text filters, Text offered_name) override;

  void timer_start(Handle w, int id, int milliseconds) override;
  void timer_stop(Handle w, int id) override;
  void post(Handle w, uint32_t message, int32_t param) override;
  void post_quit() override;
  void discard_pending() override;
  bool next_event(Event* out, bool wait) override;

  void script_set(std::vector<ScriptStep> steps) override;
  bool script_done() const override { return next_step_ >= steps_.size(); }

  // Everything written to the transcript so far (UTF-8).
  const std::string& transcript() const { return transcript_; }
  // Called before each scripted step is taken: tests do there what happens
  // beside the user (another session's writes, a server that stops).
  void before_step_set(std::function<void(const ScriptStep&)> hook) { before_step_ = std::move(hook); }
  // Script steps that could not be carried out ("line 4: no button 'Ok'").
  const std::vector<std::string>& script_errors() const { return errors_; }
  // The text picture of a window, as the transcript shows it.
  std::string render(Handle w) const;
  // The text picture of a message box; buttons: their names, one blank apart.
  std::string render_box(Text caption, Text text, const std::string& buttons) const;
  Handle top_window() const { return active_; }

 private:
  struct Control {
    ControlSpec spec;
    bool enabled = true;
    bool shown = true;
    bool selected_all = false;
    std::vector<std::string> items;
    std::vector<GridColumn> columns;             // a grid's
    std::vector<std::vector<std::string>> cells; // a grid's rows
    int selection = -1;
    int range = 0;
    int position = 0;
  };
  struct Window {
    WindowSpec spec;
    bool enabled = true;
    bool shown = false;
    int focus = 0;
    int vrange = 0;
    int vpos = 0;
    std::string painted;
    std::vector<Control> controls;
  };
  struct MenuItem {
    int id = 0;
    std::string caption;
    Handle submenu = kNone;
  };
  struct Menu {
    bool popup = false;
    std::vector<MenuItem> items;
  };
  struct Timer {
    Handle window;
    int id;
    int interval;
    std::chrono::steady_clock::time_point due;
  };

  Window* find(Handle w);
  const Window* find(Handle w) const;
  Control* find(Handle w, int id);
  const Control* find(Handle w, int id) const;
  void write(const std::string& line);
  void show_if_changed();
  void run_step(const ScriptStep& step);
  void step_error(const ScriptStep& step, const std::string& why);
  void queue(EventKind kind, Handle w, int id = 0, int key = 0);
  void type_text(const ScriptStep& step);
  void press_key(const ScriptStep& step);
  bool grid_key(Control* grid, const ScriptStep& step);
  void render_grid(std::vector<std::u32string>* grid, const Control& c, int row, int col, int width, int cw,
                   int ch) const;
  std::vector<ScriptControl> script_controls(const Window& win) const;
  int menu_find(Handle menu, const ScriptStep& step) const;
  bool fire_timers();  // queues the timers that are due
  const ScriptStep* peek_step(StepOp op) const;

  Options options_;
  CellSize cell_;
  Handle next_handle_ = 1;
  std::map<Handle, Window> windows_;
  std::vector<Handle> order_;  // activation order, last = top
  Handle active_ = kNone;
  std::map<Handle, Menu> menus_;
  std::map<Handle, Handle> window_menus_;
  std::deque<Event> queue_;
  std::vector<Timer> timers_;
  std::vector<ScriptStep> steps_;
  std::function<void(const ScriptStep&)> before_step_;
  size_t next_step_ = 0;
  int auto_closes_ = 0;
  std::chrono::steady_clock::time_point waiting_until_{};  // a "wait MS" step
  std::string transcript_;
  std::string last_shown_;
  std::vector<std::string> errors_;
};

std::unique_ptr<Toolkit> make_toolkit(const Options& options);

}  // namespace ui::headless
