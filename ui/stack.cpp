// The window stack: 32 slots of a window and a value, and the activation
// order of the slots (the last is the top window).
#include <algorithm>

#include "ui/internal/state.h"

namespace ui {

using internal::state;
using internal::UiState;

namespace {

int slot_of(const UiState* s, Handle window) {
  if (window == kNone) return -1;
  for (int i = 0; i < kMaxWindows; ++i) {
    if (s->slots[i].window == window) return i;
  }
  return -1;
}

}  // namespace

Handle window_register(Handle window, int16_t value) {
  UiState* s = state();
  if (s == nullptr || window == kNone) return kNone;
  int slot = slot_of(s, window);
  if (slot < 0) {
    for (int i = 0; i < kMaxWindows && slot < 0; ++i) {
      if (s->slots[i].window == kNone) slot = i;
    }
    if (slot < 0) return kNone;
    // A window again after the last one went: the quit that its going
    // posted no longer stands.
    if (s->order.empty()) {
      s->quit = false;
      s->ignore_quits = std::max(0, s->posted_quits - s->taken_quits);
    }
    s->slots[slot].window = window;
  }
  s->slots[slot].value = value;
  s->order.erase(std::remove(s->order.begin(), s->order.end(), slot), s->order.end());
  s->order.push_back(slot);
  return window;
}

bool window_unregister(Handle window) {
  UiState* s = state();
  if (s == nullptr) return true;
  int slot = slot_of(s, window);
  if (slot >= 0) {
    s->slots[slot] = internal::StackSlot{};
    s->order.erase(std::remove(s->order.begin(), s->order.end(), slot), s->order.end());
  }
  if (s->order.empty()) {
    ++s->posted_quits;
    s->toolkit->post_quit();
    return true;
  }
  Handle top = s->slots[s->order.back()].window;
  s->toolkit->window_enable(top, true);
  s->toolkit->window_activate(top);
  int focused = s->toolkit->control_focused(top);
  if (focused != 0) s->toolkit->control_focus(top, focused);
  return false;
}

Handle window_top() {
  UiState* s = state();
  if (s == nullptr || s->order.empty()) return kNone;
  return s->slots[s->order.back()].window;
}

int16_t window_value(Handle window) {
  UiState* s = state();
  if (s == nullptr) return kNoScreenWindow;
  int slot = slot_of(s, window);
  return slot < 0 ? kNoScreenWindow : s->slots[slot].value;
}

void window_value_set(Handle window, int16_t value) {
  UiState* s = state();
  if (s == nullptr) return;
  int slot = slot_of(s, window);
  if (slot >= 0) s->slots[slot].value = value;
}

int window_count() {
  UiState* s = state();
  return s == nullptr ? 0 : static_cast<int>(s->order.size());
}

}  // namespace ui
