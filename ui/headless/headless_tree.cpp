// The headless window and control tree.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/arena.h"
#include "ui/headless/headless.h"

namespace ui::headless {

namespace {

std::string bytes(Text t) { return t.ok() ? std::string(t.ptr, t.len) : std::string(); }

}  // namespace

Options options_from_environment() {
  Options o;
  o.transcript_path = "2";
  if (const char* s = std::getenv("APP_UI_SCREEN")) {
    int w = 0, h = 0;
    if (std::sscanf(s, "%dx%d", &w, &h) == 2 && w > 0 && h > 0) o.screen = {w, h};
  }
  if (const char* t = std::getenv("APP_UI_TRANSCRIPT")) o.transcript_path = t;
  return o;
}

HeadlessToolkit::HeadlessToolkit(Options options) : options_(std::move(options)) {
  font_set(FontSpec{});
}

HeadlessToolkit::~HeadlessToolkit() = default;

std::unique_ptr<Toolkit> make_toolkit(const Options& options) {
  return std::make_unique<HeadlessToolkit>(options);
}

Margins HeadlessToolkit::frame_extra(uint32_t, bool menu) const {
  Margins m = options_.frame;
  if (menu) m.top += options_.menu_height;
  return m;
}

// A monospace face: about six tenths of the height wide, the line a fifth
// taller than the glyphs.
CellSize HeadlessToolkit::font_set(const FontSpec& spec) {
  int h = spec.height > 0 ? spec.height : 16;
  cell_.w = spec.width > 0 ? spec.width : (h * 6 + 5) / 10;
  cell_.h = h + h / 5;
  return cell_;
}

HeadlessToolkit::Window* HeadlessToolkit::find(Handle w) {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : &it->second;
}
const HeadlessToolkit::Window* HeadlessToolkit::find(Handle w) const {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : &it->second;
}
HeadlessToolkit::Control* HeadlessToolkit::find(Handle w, int id) {
  Window* win = find(w);
  if (win == nullptr) return nullptr;
  for (Control& c : win->controls) {
    if (c.spec.id == id) return &c;
  }
  return nullptr;
}
const HeadlessToolkit::Control* HeadlessToolkit::find(Handle w, int id) const {
  const Window* win = find(w);
  if (win == nullptr) return nullptr;
  for (const Control& c : win->controls) {
    if (c.spec.id == id) return &c;
  }
  return nullptr;
}

Handle HeadlessToolkit::window_create(const WindowSpec& spec) {
  Handle h = next_handle_++;
  Window& win = windows_[h];
  win.spec = spec;
  if (spec.menu != kNone) window_menus_[h] = spec.menu;
  order_.push_back(h);
  active_ = h;
  return h;
}

void HeadlessToolkit::window_destroy(Handle w) {
  if (windows_.erase(w) == 0) return;
  window_menus_.erase(w);
  order_.erase(std::remove(order_.begin(), order_.end(), w), order_.end());
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [w](const Timer& t) { return t.window == w; }),
                timers_.end());
  std::erase_if(queue_, [w](const Event& e) { return e.window == w && e.kind != EventKind::Quit; });
  if (active_ == w) active_ = order_.empty() ? kNone : order_.back();
}

void HeadlessToolkit::window_move(Handle w, Point p) {
  if (Window* win = find(w)) win->spec.position = p;
}
void HeadlessToolkit::window_resize(Handle w, Size client) {
  if (Window* win = find(w)) win->spec.client = client;
}
Point HeadlessToolkit::window_position(Handle w) const {
  const Window* win = find(w);
  return win != nullptr ? win->spec.position : Point{};
}
Size HeadlessToolkit::window_client(Handle w) const {
  const Window* win = find(w);
  return win != nullptr ? win->spec.client : Size{};
}
void HeadlessToolkit::window_title(Handle w, Text title) {
  if (Window* win = find(w)) win->spec.title = bytes(title);
}
void HeadlessToolkit::window_enable(Handle w, bool enabled) {
  if (Window* win = find(w)) win->enabled = enabled;
}
void HeadlessToolkit::window_show(Handle w) {
  if (Window* win = find(w)) win->shown = true;
}
void HeadlessToolkit::window_activate(Handle w) {
  if (find(w) == nullptr) return;
  order_.erase(std::remove(order_.begin(), order_.end(), w), order_.end());
  order_.push_back(w);
  active_ = w;
}
void HeadlessToolkit::window_scroll_ranges(Handle w, int, int vertical) {
  if (Window* win = find(w)) win->vrange = vertical;
}
void HeadlessToolkit::window_scroll_to(Handle w, int vertical) {
  if (Window* win = find(w)) win->vpos = vertical;
}
void HeadlessToolkit::window_paint_text(Handle w, Text text) {
  if (Window* win = find(w)) win->painted = bytes(text);
}

bool HeadlessToolkit::control_create(Handle w, const ControlSpec& spec) {
  Window* win = find(w);
  if (win == nullptr || find(w, spec.id) != nullptr) return false;
  Control c;
  c.spec = spec;
  win->controls.push_back(c);
  return true;
}

void HeadlessToolkit::control_destroy(Handle w, int id) {
  Window* win = find(w);
  if (win == nullptr) return;
  std::erase_if(win->controls, [id](const Control& c) { return c.spec.id == id; });
  if (win->focus == id) win->focus = 0;
}

bool HeadlessToolkit::control_exists(Handle w, int id) const { return find(w, id) != nullptr; }

void HeadlessToolkit::control_text_set(Handle w, int id, Text text) {
  if (Control* c = find(w, id)) {
    c->spec.text = bytes(text);
    c->selected_all = false;
  }
}

Text HeadlessToolkit::control_text(Handle w, int id) {
  const Control* c = find(w, id);
  if (c == nullptr) return core::text_copy(Text{});
  // A combo box's text is its chosen item.
  if (c->spec.kind == ControlKind::ComboBox && c->selection >= 0 && c->selection < static_cast<int>(c->items.size())) {
    return core::text_copy(core::text_view(c->items[static_cast<size_t>(c->selection)]));
  }
  return core::text_copy(core::text_view(c->spec.text.data(), c->spec.text.size()));
}

void HeadlessToolkit::control_enable(Handle w, int id, bool enabled) {
  if (Control* c = find(w, id)) c->enabled = enabled;
}
void HeadlessToolkit::control_show(Handle w, int id, bool shown) {
  if (Control* c = find(w, id)) c->shown = shown;
}
void HeadlessToolkit::control_read_only(Handle w, int id, bool read_only) {
  if (Control* c = find(w, id)) {
    c->spec.flags = read_only ? (c->spec.flags | kReadOnly) : (c->spec.flags & ~kReadOnly);
  }
}
void HeadlessToolkit::control_focus(Handle w, int id) {
  Window* win = find(w);
  if (win != nullptr && (id == 0 || find(w, id) != nullptr)) win->focus = id;
}
int HeadlessToolkit::control_focused(Handle w) const {
  const Window* win = find(w);
  return win != nullptr ? win->focus : 0;
}
void HeadlessToolkit::control_select_all(Handle w, int id) {
  if (Control* c = find(w, id)) c->selected_all = true;
}
void HeadlessToolkit::control_move(Handle w, int id, Rect rect) {
  if (Control* c = find(w, id)) c->spec.rect = rect;
}
Rect HeadlessToolkit::control_rect(Handle w, int id) const {
  const Control* c = find(w, id);
  return c != nullptr ? c->spec.rect : Rect{};
}
void HeadlessToolkit::list_add(Handle w, int id, Text item) {
  if (Control* c = find(w, id)) c->items.push_back(bytes(item));
}
void HeadlessToolkit::list_clear(Handle w, int id) {
  if (Control* c = find(w, id)) {
    c->items.clear();
    c->cells.clear();
    c->selection = -1;
  }
}
int HeadlessToolkit::list_selected(Handle w, int id) const {
  const Control* c = find(w, id);
  return c != nullptr ? c->selection : -1;
}
void HeadlessToolkit::list_select(Handle w, int id, int index) {
  Control* c = find(w, id);
  if (c == nullptr) return;
  size_t count = c->spec.kind == ControlKind::Grid ? c->cells.size() : c->items.size();
  c->selection = (index >= 0 && index < static_cast<int>(count)) ? index : -1;
}
void HeadlessToolkit::grid_columns(Handle w, int id, const std::vector<GridColumn>& columns) {
  if (Control* c = find(w, id)) c->columns = columns;
}
void HeadlessToolkit::grid_cell_set(Handle w, int id, int row, int column, Text text) {
  Control* c = find(w, id);
  if (c == nullptr || row < 0 || column < 0 || column >= static_cast<int>(c->columns.size())) return;
  while (static_cast<int>(c->cells.size()) <= row) c->cells.emplace_back(c->columns.size());
  c->cells[static_cast<size_t>(row)][static_cast<size_t>(column)] = bytes(text);
}
void HeadlessToolkit::grid_row_delete(Handle w, int id, int row) {
  Control* c = find(w, id);
  if (c == nullptr || row < 0 || row >= static_cast<int>(c->cells.size())) return;
  c->cells.erase(c->cells.begin() + row);
  if (c->selection >= static_cast<int>(c->cells.size())) c->selection = static_cast<int>(c->cells.size()) - 1;
}
int HeadlessToolkit::grid_rows(Handle w, int id) const {
  const Control* c = find(w, id);
  return c != nullptr ? static_cast<int>(c->cells.size()) : 0;
}
void HeadlessToolkit::progress_set(Handle w, int id, int range, int position) {
  if (Control* c = find(w, id)) {
    c->range = range;
    c->position = position;
  }
}

Handle HeadlessToolkit::menu_create(bool popup) {
  Handle h = next_handle_++;
  menus_[h].popup = popup;
  return h;
}
void HeadlessToolkit::menu_add_item(Handle menu, int id, Text caption) {
  auto it = menus_.find(menu);
  if (it != menus_.end()) it->second.items.push_back({id, bytes(caption), kNone});
}
void HeadlessToolkit::menu_add_submenu(Handle menu, Handle submenu, Text caption) {
  auto it = menus_.find(menu);
  if (it != menus_.end()) it->second.items.push_back({0, bytes(caption), submenu});
}
void HeadlessToolkit::menu_destroy(Handle menu) {
  auto it = menus_.find(menu);
  if (it == menus_.end()) return;
  std::vector<Handle> subs;
  for (const MenuItem& item : it->second.items) {
    if (item.submenu != kNone) subs.push_back(item.submenu);
  }
  menus_.erase(it);
  for (Handle s : subs) menu_destroy(s);
}

void HeadlessToolkit::timer_start(Handle w, int id, int ms) {
  timer_stop(w, id);
  if (ms < 1) ms = 1;
  timers_.push_back({w, id, ms, std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)});
}
void HeadlessToolkit::timer_stop(Handle w, int id) {
  std::erase_if(timers_, [w, id](const Timer& t) { return t.window == w && t.id == id; });
}

void HeadlessToolkit::post(Handle w, uint32_t message, int32_t param) {
  queue_.push_back(app_event(w, message, param));
}
void HeadlessToolkit::post_quit() { queue(EventKind::Quit, kNone); }
void HeadlessToolkit::discard_pending() {
  std::erase_if(queue_, [](const Event& e) { return e.kind != EventKind::Quit; });
}

void HeadlessToolkit::queue(EventKind kind, Handle w, int id, int key) {
  queue_.push_back(event_of(kind, w, id, key));
}

}  // namespace ui::headless
