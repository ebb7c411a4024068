// The Qt backend's own types (inside the backend only).
#pragma once

#include <QDeadlineTimer>
#include <QFont>
#include <QObject>
#include <QString>
#include <QWidget>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/qt/qt_toolkit.h"

class QMenuBar;
class QScrollBar;
class QTimer;

namespace qtui {

using namespace ui::platform;  // NOLINT: the backend speaks the interface's terms

QString to_qt(core::Text text);
QString to_qt(const std::string& cp1252);
std::string from_qt(const QString& s);  // Windows-1252 bytes; "?" for what it lacks

class QtToolkit;

// The height of a character row: the font's text height with the edits'
// inner margin above and below it, and the gap between two rows' edits.
struct RowMetrics {
  int margin = 2;
  int gap = 2;
  int pitch = 20;
};
RowMetrics row_metrics(int text_height);

// The client area of a frame: the controls' parent, and the painter of the
// centred text.
class ClientArea : public QWidget {
 public:
  explicit ClientArea(QWidget* parent) : QWidget(parent) {}
  QString painted;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A top-level window: an optional menu bar above the client area.
class Frame : public QWidget {
 public:
  Frame(QtToolkit* toolkit, Handle handle, const WindowSpec& spec, QWidget* owner);
  Handle handle;
  std::string class_name;
  ClientArea* client = nullptr;
  QMenuBar* menu_bar = nullptr;
  QScrollBar* scroll = nullptr;
  std::map<int, QWidget*> controls;
  std::map<int, QTimer*> timers;
  bool blocked = false;  // disabled while a modal window it owns is open
  int menu_height() const;
  void set_client_size(Size size);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QtToolkit* toolkit_;
};

// Sees the keys, focus changes and clicks of every control and frame, and
// turns them into events of the runtime.
class InputFilter : public QObject {
 public:
  explicit InputFilter(QtToolkit* toolkit) : toolkit_(toolkit) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QtToolkit* toolkit_;
};

struct MenuItem {
  int id = 0;
  std::string caption;
  Handle submenu = kNone;
};

class QtToolkit : public Toolkit {
 public:
  QtToolkit();
  ~QtToolkit() override;

  const char* name() const override { return "qt"; }
  Size screen_area() const override;
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
  void box_labels_set(const BoxLabels& labels) override { box_labels_ = labels; }

  void timer_start(Handle w, int id, int milliseconds) override;
  void timer_stop(Handle w, int id) override;
  void post(Handle w, uint32_t message, int32_t param) override;
  void post_quit() override;
  void discard_pending() override;
  bool next_event(Event* out, bool wait) override;

  void script_set(std::vector<ScriptStep> steps) override;
  bool script_done() const override { return next_step_ >= steps_.size(); }

  // For the widgets and the filter.
  void push(const Event& e) { queue_.push_back(e); }
  void push(EventKind kind, Handle w, int id = 0, int key = 0);
  void push_grid(Handle w, int id, int command);
  // Reports a key press (and the Shift and Ctrl changes before it).
  void key_pressed(Handle w, int id, int vk, Qt::KeyboardModifiers modifiers, const QString& text);
  Frame* frame(Handle w) const;
  QWidget* control(Handle w, int id) const;
  Frame* frame_of(QObject* object, int* id) const;
  // The window's picture; with box, that message box over it.
  bool save_picture(Handle w, const std::string& path, QWidget* box = nullptr) const;
  bool scripted() const { return !steps_.empty(); }

 private:
  void run_step(const ScriptStep& step);
  const ScriptStep* take_step(StepOp op);
  QRect placed(const QWidget* widget, Rect cells) const;
  std::vector<ScriptControl> script_controls(Frame* f) const;
  int menu_find(Handle menu, const ScriptStep& step) const;
  void build_menu(QWidget* target, Handle menu);
  Handle top() const;

  Handle next_handle_ = 1;
  std::map<Handle, Frame*> frames_;
  std::vector<Handle> order_;  // activation order, last = top
  std::map<Handle, std::vector<MenuItem>> menus_;
  std::deque<Event> queue_;
  std::unique_ptr<InputFilter> filter_;
  QFont font_;
  CellSize cell_;
  RowMetrics row_;
  bool shift_ = false;
  bool ctrl_ = false;
  std::vector<ScriptStep> steps_;
  size_t next_step_ = 0;
  int auto_closes_ = 0;
  QDeadlineTimer waiting_until_{0};  // a "wait MS" step
  BoxLabels box_labels_;
};

}  // namespace qtui
