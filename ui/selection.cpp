// The selection window: one item of a comma list chosen from buttons or
// from a list box.
#include <algorithm>

#include "core/arena.h"
#include "script/variables.h"
#include "ui/dialogs.h"
#include "ui/internal/state.h"

namespace ui {

using internal::state;
using platform::Event;
using platform::EventKind;

namespace {

constexpr int kMinColumns = 15;
constexpr int kExtraColumns = 5;

class SelectionProc : public WindowProc {
 public:
  SelectionProc(int items, bool list) : items_(items), list_(list) {}

  void on_event(Handle window, const Event& event) override {
    platform::Toolkit* tk = state()->toolkit.get();
    switch (event.kind) {
      case EventKind::KeyDown: {
        if (event.key == platform::kVkShift || event.key == platform::kVkControl) return;
        int code = key_code(event.key);
        int focused = tk->control_focused(window);
        if (code == kKeyEsc) return choose(window, 0);
        if (code == kKeyEnter) {
          if (list_) return choose(window, tk->list_selected(window, kIdSelectionList) + 1);
          if (focused >= kIdMenuFirst && focused < kIdMenuFirst + items_) {
            return choose(window, focused - kIdMenuFirst + 1);
          }
          return;
        }
        if (!list_ && (code == kKeyDown || code == kKeyUp) && items_ > 0) {
          int item = focused >= kIdMenuFirst && focused < kIdMenuFirst + items_ ? focused - kIdMenuFirst : 0;
          item = code == kKeyDown ? (item + 1) % items_ : (item + items_ - 1) % items_;
          tk->control_focus(window, kIdMenuFirst + item);
        }
        return;
      }
      case EventKind::Command:
        if (event.id >= kIdMenuFirst && event.id < kIdMenuFirst + items_) {
          choose(window, event.id - kIdMenuFirst + 1);
        }
        return;
      case EventKind::ListActivate:
        choose(window, tk->list_selected(window, kIdSelectionList) + 1);
        return;
      case EventKind::Close:
        choose(window, 0);
        return;
      default:
        return;
    }
  }

 private:
  void choose(Handle window, int item) {
    script::var_set_int(core::kSwStat, static_cast<int16_t>(std::max(0, item)));
    window_destroy(window);
  }

  int items_;
  bool list_;
};

}  // namespace

void selection_button_layout(int items, int longest, int screen_rows, int* rows, int* columns) {
  int w = std::max(kMinColumns, longest + kExtraColumns);
  int r = std::max(1, items);
  while (r > 1 && r * 2 > screen_rows) {
    r = (r + 1) / 2;
    w = w * 4 - w / 2 - w / 4 - w / 8;
  }
  *rows = r;
  *columns = w;
}

int selection_run(Text title, Text list, int flags) {
  internal::UiState* s = state();
  script::var_set_int(core::kSwStat, 0);
  if (s == nullptr) return -1;
  core::ArenaScope scope;
  core::TextArray items = core::list_split(list, ',');
  int n = items.count;
  int longest = 0;
  for (uint16_t i = 1; i <= items.count; ++i) {
    longest = std::max(longest, static_cast<int>(core::text_unquote(items.at(i)).len));
  }
  bool as_list = (flags & kSelectListBox) != 0;
  CellMargins saved = screen_margins();
  screen_margins_set({1, 1, 1, 1});
  SelectionProc proc(n, as_list);
  Handle window = kNone;
  Status st = 0;
  if (as_list) {
    int columns = std::max(kMinColumns, longest + kExtraColumns);
    st = window_create(kFrameAppModal, 0, title, kNone, columns, n + 1, &proc, &window);
    if (st == 0) {
      platform::ControlSpec c;
      c.kind = platform::ControlKind::ListBox;
      c.id = kIdSelectionList;
      c.rect = cell_rect(1, 1, columns, n + 1);
      s->toolkit->control_create(window, c);
      for (uint16_t i = 1; i <= items.count; ++i) s->toolkit->list_add(window, c.id, core::text_unquote(items.at(i)));
      if (n > 0) s->toolkit->list_select(window, c.id, 0);
      s->toolkit->control_focus(window, c.id);
    }
  } else {
    platform::FontSpec small = font_current();
    small.height = std::max(8, small.height - small.height / 4);
    small.width = small.width > 0 ? std::max(4, small.width - small.width / 4) : 0;
    font_use(small);
    platform::Size area = s->toolkit->screen_area();
    int rows = 0, columns = 0;
    selection_button_layout(n, longest, area.h / std::max(1, font_cell().h) - 4, &rows, &columns);
    int across = (n + rows - 1) / std::max(1, rows);
    int button_w = std::max(1, columns / std::max(1, across));
    st = window_create(kFrameAppModal, 0, title, kNone, button_w * across, rows * 2, &proc, &window);
    for (int i = 0; st == 0 && i < n; ++i) {
      platform::ControlSpec c;
      c.kind = platform::ControlKind::Button;
      c.id = kIdMenuFirst + i;
      c.rect = cell_rect(1 + (i % rows) * 2, 1 + (i / rows) * button_w, button_w - 1, 2);
      Text caption = core::text_unquote(items.at(static_cast<uint16_t>(i + 1)));
      c.text.assign(caption.ptr, caption.len);
      s->toolkit->control_create(window, c);
    }
    if (st == 0 && n > 0) s->toolkit->control_focus(window, kIdMenuFirst);
  }
  screen_margins_set(saved);
  if (st != 0) {
    if (!as_list) font_restore();
    return -1;
  }
  modal_loop(window);
  if (window_value(window) != kNoScreenWindow || s->windows.count(window) != 0) window_destroy(window);
  if (!as_list) font_restore();
  return script::var_get_int(core::kSwStat);
}

}  // namespace ui
