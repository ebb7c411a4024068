// Screens, screen windows and their user counts.
#include "core/errors.h"
#include "script/variables.h"
#include "ui/internal/state.h"

namespace ui {

using internal::state;
using internal::UiState;

namespace {

template <typename T>
int add_to(std::vector<std::optional<T>>* items, T item) {
  for (size_t i = 0; i < items->size(); ++i) {
    if (!(*items)[i]) {
      (*items)[i] = std::move(item);
      return static_cast<int>(i);
    }
  }
  items->push_back(std::move(item));
  return static_cast<int>(items->size() - 1);
}

template <typename T>
int live_count(const std::vector<std::optional<T>>& items) {
  int n = 0;
  for (const auto& item : items) n += item.has_value() ? 1 : 0;
  return n;
}

}  // namespace

int screen_add(Screen screen) {
  UiState* s = state();
  if (s == nullptr) return -1;
  screen.users = 0;
  return add_to(&s->screens, std::move(screen));
}

Screen* screen_get(int index) {
  UiState* s = state();
  if (s == nullptr || index < 0 || index >= static_cast<int>(s->screens.size())) return nullptr;
  auto& item = s->screens[static_cast<size_t>(index)];
  return item ? &*item : nullptr;
}

void screen_drop(int index) {
  UiState* s = state();
  Screen* screen = screen_get(index);
  if (s != nullptr && screen != nullptr && screen->users <= 0) s->screens[static_cast<size_t>(index)].reset();
}

int screen_window_open(int screen, Handle window, uint32_t flags) {
  UiState* s = state();
  Screen* def = screen_get(screen);
  if (s == nullptr || def == nullptr) return -1;
  ScreenWindow sw;
  sw.screen = screen;
  sw.window = window;
  sw.flags = flags;
  sw.current_field = def->fields.empty() ? 0 : std::max(1, std::min(def->begin_field, static_cast<int>(def->fields.size())));
  sw.texts.assign(def->fields.size(), std::string());
  sw.texts2.assign(def->fields.size(), std::string());
  sw.previous = s->current_screen_window;
  ++def->users;
  int index = add_to(&s->screen_windows, std::move(sw));
  s->current_screen_window = index;
  if (window != kNone) window_value_set(window, static_cast<int16_t>(index));
  script::var_set_int(core::kSwKeyMap, static_cast<int16_t>(def->keymap));
  return index;
}

void screen_window_close(int index) {
  UiState* s = state();
  ScreenWindow* sw = screen_window_get(index);
  if (s == nullptr || sw == nullptr) return;
  int previous = sw->previous;
  int screen = sw->screen;
  Handle window = sw->window;
  s->screen_windows[static_cast<size_t>(index)].reset();
  if (window != kNone && window_value(window) == index) window_value_set(window, kNoScreenWindow);
  // The screen windows opened after this one and still open keep pointing
  // at it; they go back past it.
  for (auto& other : s->screen_windows) {
    if (other && other->previous == index) other->previous = previous;
  }
  if (s->current_screen_window == index) {
    s->current_screen_window = screen_window_get(previous) != nullptr ? previous : -1;
  }
  if (Screen* def = screen_get(screen); def != nullptr && --def->users <= 0) {
    s->screens[static_cast<size_t>(screen)].reset();
  }
  s->margins = CellMargins{};
  internal::scanner_screen_closed(index);
  if (const ScreenWindow* now = screen_window_current_get()) {
    if (const Screen* def = screen_get(now->screen)) script::var_set_int(core::kSwKeyMap, static_cast<int16_t>(def->keymap));
  }
}

ScreenWindow* screen_window_get(int index) {
  UiState* s = state();
  if (s == nullptr || index < 0 || index >= static_cast<int>(s->screen_windows.size())) return nullptr;
  auto& item = s->screen_windows[static_cast<size_t>(index)];
  return item ? &*item : nullptr;
}

int screen_window_current() {
  UiState* s = state();
  return s != nullptr ? s->current_screen_window : -1;
}

ScreenWindow* screen_window_current_get() { return screen_window_get(screen_window_current()); }

void screen_window_make_current(int index) {
  UiState* s = state();
  if (s != nullptr && screen_window_get(index) != nullptr) s->current_screen_window = index;
}

int screen_count() {
  UiState* s = state();
  return s != nullptr ? live_count(s->screens) : 0;
}

int screen_window_count() {
  UiState* s = state();
  return s != nullptr ? live_count(s->screen_windows) : 0;
}

Status action_set_install(const ActionSet& set) {
  ScreenWindow* sw = screen_window_current_get();
  if (sw == nullptr || (sw->flags & kSwFlagNoActions) != 0) return core::NOVALUE;
  sw->actions = set;
  return 0;
}

}  // namespace ui
