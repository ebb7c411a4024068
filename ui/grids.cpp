// Grid slots over the toolkit's grid control, the line indicator and the
// two choice controls (combo box, pop-up menu).
#include "ui/grids.h"

#include <algorithm>

#include "core/arena.h"
#include "core/errors.h"
#include "ui/internal/state.h"

namespace ui {

namespace {

constexpr int kFirstColumnExtra = 2;  // characters
constexpr int kComboPadding = 20;     // pixels, and as much again for the drop-down arrow
constexpr int kComboDropRows = 5;

internal::GridSlot* slot_of(int slot) {
  internal::UiState* s = internal::state();
  if (s == nullptr || slot < 0 || slot >= kGridSlots || s->grids[slot].window == kNone) return nullptr;
  return &s->grids[slot];
}

platform::Toolkit* tk() { return internal::state()->toolkit.get(); }

}  // namespace

int grid_create(Handle window, int x, int y, int width, int height) {
  internal::UiState* s = internal::state();
  if (s == nullptr) return -1;
  for (int n = 0; n < kGridSlots; ++n) {
    internal::GridSlot& g = s->grids[n];
    if (g.window != kNone) continue;
    platform::ControlSpec spec;
    spec.kind = platform::ControlKind::Grid;
    spec.id = kIdGridBase + n;
    spec.rect = {x, y, width, height};
    if (!s->toolkit->control_create(window, spec)) return -1;
    g = internal::GridSlot{window, x, y, 0, 0, 0};
    return n;
  }
  return -1;
}

void grid_columns(int slot, Text titles, const std::vector<char>& types, const std::vector<int>& widths) {
  internal::GridSlot* g = slot_of(slot);
  if (g == nullptr) return;
  core::ArenaScope scope;
  int cell = std::max(1, internal::state()->cell.w);
  std::vector<platform::GridColumn> columns;
  uint16_t count = core::list_count(titles, ',');
  for (uint16_t i = 1; i <= count; ++i) {
    platform::GridColumn c;
    c.title = core::text_str(core::text_trim(core::text_unquote(core::list_field(titles, ',', i)), core::kTrimBoth));
    size_t at = i - 1u;
    char type = at < types.size() ? types[at] : 'A';
    int chars = at < widths.size() ? widths[at] : static_cast<int>(c.title.size());
    chars = std::max(chars, static_cast<int>(c.title.size())) + 1 + (i == 1 ? kFirstColumnExtra : 0);
    c.width = chars * cell;
    c.right = core::text_find_char(kNumericTypes, type, 0, false) != core::kNoPos;
    columns.push_back(std::move(c));
  }
  g->columns = static_cast<int>(columns.size());
  tk()->grid_columns(g->window, kIdGridBase + slot, columns);
}

void grid_set(int slot, int row, int column, Text text) {
  internal::GridSlot* g = slot_of(slot);
  if (g == nullptr || row < 0) return;
  tk()->grid_cell_set(g->window, kIdGridBase + slot, row, column, text);
  g->rows = std::max(g->rows, row + 1);
  tk()->control_show(g->window, kIdGridBase + slot, true);
}

void grid_clear(int slot) {
  internal::GridSlot* g = slot_of(slot);
  if (g == nullptr) return;
  tk()->list_clear(g->window, kIdGridBase + slot);
  g->rows = 0;
  g->scroll = 0;
}

Status grid_delete_row(int slot, int row) {
  internal::GridSlot* g = slot_of(slot);
  if (g == nullptr) return core::NOVALUE;
  if (row < 0) row = grid_selected(slot);
  if (row < 0 || row >= g->rows) return core::NOVALUE;
  tk()->grid_row_delete(g->window, kIdGridBase + slot, row);
  --g->rows;
  return 0;
}

int grid_selected(int slot) {
  internal::GridSlot* g = slot_of(slot);
  return g == nullptr ? -1 : tk()->list_selected(g->window, kIdGridBase + slot);
}

void grid_select(int slot, int row) {
  internal::GridSlot* g = slot_of(slot);
  if (g == nullptr) return;
  tk()->list_select(g->window, kIdGridBase + slot, row);
  g->scroll = std::max(0, row);
}

int grid_rows(int slot) {
  internal::GridSlot* g = slot_of(slot);
  return g == nullptr ? 0 : tk()->grid_rows(g->window, kIdGridBase + slot);
}

Handle grid_window(int slot) {
  internal::GridSlot* g = slot_of(slot);
  return g == nullptr ? kNone : g->window;
}

void grid_destroy(int slot) {
  if (slot < 0) {
    for (int n = 0; n < kGridSlots; ++n) grid_destroy(n);
    return;
  }
  internal::GridSlot* g = slot_of(slot);
  if (g == nullptr) return;
  tk()->control_destroy(g->window, kIdGridBase + slot);
  *g = internal::GridSlot{};
}

Text line_indicator(int current, int count, int space) {
  core::ArenaScope scope;
  Text text = core::text_format(32, " %d / %d", current, count);
  if (space > 0 && text.len > space) {
    std::string packed;
    for (uint16_t i = 0; i < text.len; ++i)
      if (text.at(i) != ' ') packed.push_back(text.at(i));
    return scope.keep(core::text_copy(core::text_view(packed)));
  }
  return scope.keep(text);
}

int combo_create(Handle window, int id, int x, int y, Text items, bool drop_down) {
  internal::UiState* s = internal::state();
  if (s == nullptr || s->combos >= kMaxCombos) return -1;
  core::ArenaScope scope;
  uint16_t count = core::list_count(items, ',');
  int longest = 0;
  for (uint16_t i = 1; i <= count; ++i)
    longest = std::max<int>(longest, core::text_unquote(core::list_field(items, ',', i)).len);
  platform::ControlSpec spec;
  spec.kind = platform::ControlKind::ComboBox;
  spec.id = id;
  int rows = drop_down ? kComboDropRows : std::max<int>(1, count);
  spec.rect = {x, y, longest * s->cell.w + kComboPadding + (drop_down ? kComboPadding : 0), rows * s->cell.h};
  if (!s->toolkit->control_create(window, spec)) return -1;
  for (uint16_t i = 1; i <= count; ++i) s->toolkit->list_add(window, id, core::text_unquote(core::list_field(items, ',', i)));
  ++s->combos;
  return id;
}

int popup_choose(Handle window, Text items) {
  internal::UiState* s = internal::state();
  if (s == nullptr) return 0;
  core::ArenaScope scope;
  Handle menu = s->toolkit->menu_create(true);
  uint16_t count = core::list_count(items, ',');
  for (uint16_t i = 1; i <= count; ++i) {
    s->toolkit->menu_add_item(menu, kIdExtraFirst + i - 1, core::text_unquote(core::list_field(items, ',', i)));
  }
  int chosen = s->toolkit->menu_track(window, menu);
  s->toolkit->menu_destroy(menu);
  return chosen >= kIdExtraFirst && chosen < kIdExtraFirst + count ? chosen - kIdExtraFirst + 1 : 0;
}

}  // namespace ui
