// The message loops. There is one thread: the main loop and every modal
// window's nested loop take events from the toolkit until their end, and
// hand each to the procedure of the window it is for.
#include "ui/internal/state.h"

namespace ui {

using internal::state;
using internal::UiState;
using platform::Event;
using platform::EventKind;

namespace {

bool is_modifier(int key) { return key == platform::kVkShift || key == platform::kVkControl; }

// A quit posted when the last window went no longer stands once a window
// has come back; such quits are taken and ignored.
bool quit_stands(UiState* s) {
  ++s->taken_quits;
  if (s->ignore_quits == 0) return true;
  --s->ignore_quits;
  return false;
}

}  // namespace

void dispatch(const Event& event) {
  UiState* s = state();
  if (s == nullptr) return;
  if (event.kind == EventKind::Quit) {
    if (quit_stands(s)) s->quit = true;
    return;
  }
  if (event.kind == EventKind::Timer) {
    auto timer = s->timers.find({event.window, event.id});
    if (timer != s->timers.end()) timer->second(event.id);
    return;
  }
  key_modifiers_track(event);
  auto it = s->windows.find(event.window);
  if (it == s->windows.end()) return;  // a window gone since the event was queued
  WindowProc* proc = it->second.proc != nullptr ? it->second.proc : screen_window_proc();
  proc->on_event(event.window, event);
}

void main_loop() {
  UiState* s = state();
  if (s == nullptr) return;
  Handle top = window_top();
  if (top != kNone) {
    s->toolkit->window_show(top);
    s->toolkit->window_activate(top);
  }
  Event event;
  while (!s->quit && s->toolkit->next_event(&event, true)) dispatch(event);
}

void modal_loop(Handle window) {
  UiState* s = state();
  if (s == nullptr) return;
  s->toolkit->window_show(window);
  s->toolkit->window_activate(window);
  Event event;
  while (window_top() == window && s->toolkit->next_event(&event, true)) {
    if (event.kind == EventKind::Quit) {
      dispatch(event);
      if (s->quit) break;
      continue;
    }
    dispatch(event);
  }
  pump();
}

int key_loop() {
  UiState* s = state();
  if (s == nullptr) return -1;
  Event event;
  while (s->toolkit->next_event(&event, true)) {
    if (event.kind == EventKind::KeyDown && !is_modifier(event.key)) {
      return key_code(event.key);
    }
    dispatch(event);
    if (s->quit) return -1;
  }
  return -1;
}

void pump() {
  UiState* s = state();
  if (s == nullptr) return;
  Event event;
  while (s->toolkit->next_event(&event, false)) dispatch(event);
}

void timer_start(Handle window, int id, int milliseconds, TimerHandler handler) {
  UiState* s = state();
  if (s == nullptr || s->windows.count(window) == 0) return;
  s->timers[{window, id}] = handler;
  s->toolkit->timer_start(window, id, milliseconds);
}

void timer_stop(Handle window, int id) {
  UiState* s = state();
  if (s == nullptr || s->timers.erase({window, id}) == 0) return;
  s->toolkit->timer_stop(window, id);
}

bool quit_requested() {
  UiState* s = state();
  return s == nullptr || s->quit;
}

void quit_reset() {
  if (UiState* s = state()) s->quit = false;
}

}  // namespace ui
