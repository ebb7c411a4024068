// Actions: what keys, commands and window events become, and the rounds in
// which a screen window's action set handles them.
#include "core/errors.h"
#include "core/slots.h"
#include "script/variables.h"
#include "ui/internal/state.h"

namespace ui {

using internal::state;
using internal::UiState;
using platform::Event;
using platform::EventKind;

namespace {

constexpr int kCtrlBracket = 29;    // Ctrl+]: a keyboard line follows
constexpr int kMaxRounds = 64;      // a second stage that keeps answering is cut here

// The default handling of a window without actions of its own.
int default_action(int action) {
  switch (action_code(action)) {
    case kActNextField:
    case kActDown: return field_move(kActNextField);
    case kActPrevField:
    case kActUp: return field_move(kActPrevField);
    case kActFieldWindow:
    case kActCtrlEnd:
    case kActClose: return 0;
    default: return core::NOVALUE;
  }
}

bool is_field_control(int id) { return id >= kIdFieldBase && id < kIdFieldBase + 1000; }
bool is_list(int id) { return id >= kIdListFirst && id <= kIdListLast; }

// A control got the focus from the user: its field becomes current and its
// text selected (action 38), or action 30 when the field refuses.
int control_focus_action(Handle window, int id) {
  if (!is_field_control(id) || internal::screen_window_of(window) < 0) return 0;
  screen_window_make_current(internal::screen_window_of(window));
  Status st = field_make_current(id - kIdFieldBase + 1);
  if (st == core::BADDATA) {
    // The focus goes back to the field that is current.
    if (const ScreenWindow* sw = screen_window_current_get()) static_cast<void>(field_make_current(sw->current_field));
    return action_perform(window, kActRefused);
  }
  if (st != 0) return 0;
  state()->toolkit->control_select_all(window, id);
  return action_perform(window, kActFieldEntered);
}

void keyboard_line_char(Handle window, int ch) {
  UiState* s = state();
  if (ch == kCtrlBracket) {
    s->line_mode = true;
    s->keyboard_line.clear();
    return;
  }
  if (!s->line_mode) return;
  if (ch >= 32) {
    s->keyboard_line.push_back(static_cast<char>(ch));
    return;
  }
  s->line_mode = false;
  Text line = core::text_view(s->keyboard_line.data(), s->keyboard_line.size());
  if (core::slot_append(core::kGroupKeyboard, line) == 0) action_perform(window, kActKeyboardLine);
}

void scroll(Handle window, const Event& event) {
  UiState* s = state();
  // The range is what the content exceeds the client area by.
  platform::Size client = s->toolkit->window_client(window);
  int sw = internal::screen_window_of(window);
  const ScreenWindow* w = screen_window_get(sw);
  const Screen* screen = w != nullptr ? screen_get(w->screen) : nullptr;
  int content = screen != nullptr ? (screen->rows + screen->margins.top + screen->margins.bottom) * s->cell.h : 0;
  int range = content > client.h ? content - client.h : 0;
  int& position = s->scroll_positions[window];
  position = scroll_position(event.param, position, range, event.value);
  s->toolkit->window_scroll_to(window, position);
}

class ScreenWindowProc : public WindowProc {
 public:
  void on_event(Handle window, const Event& event) override {
    UiState* s = state();
    switch (event.kind) {
      case EventKind::KeyDown: {
        if (event.key == platform::kVkShift || event.key == platform::kVkControl) return;
        int code = key_code(event.key);
        if (event.id == 0 && code == kKeyEsc) {
          // Esc on the window itself is its close button.
          on_event(window, platform::event_of(EventKind::Close, window));
        } else if (is_list(event.id) && code == kKeyEnter) {
          action_perform(window, command_action(kIdConfirm));
        } else if (int action = key_action(code); action != 0) {
          action_perform(window, action);
        }
        return;
      }
      case EventKind::Char:
        keyboard_line_char(window, event.key);
        return;
      case EventKind::Command:
        if (int action = command_action(event.id); action != 0) action_perform(window, action);
        return;
      case EventKind::ListActivate:
        action_perform(window, command_action(kIdConfirm));
        return;
      case EventKind::GridCommand:
        action_perform(window, action_word(kActGridCommand, event.param));
        return;
      case EventKind::Close: {
        int result = action_perform(window, kActClose);
        if (result < 122 && s->windows.count(window) != 0) {
          int sw = window_value(window);
          if (screen_window_get(sw) != nullptr) screen_window_close(sw);
          window_destroy(window);
        }
        return;
      }
      case EventKind::WindowFocus:
        if (window_value(window) == kNoScreenWindow && screen_window_current() >= 0) {
          window_value_set(window, static_cast<int16_t>(screen_window_current()));
          action_perform(window, kActBindWindow);
        }
        return;
      case EventKind::ControlFocus:
        control_focus_action(window, event.id);
        return;
      case EventKind::ControlBlur:
        return;  // leaving a control asks nothing of the screen
      case EventKind::App:
        if (event.message == kMsgFieldAction) action_perform(window, action_word(kActAppMessage, event.param));
        if (event.message == kMsgRefresh) action_perform(window, kActAppMessage2);
        return;
      case EventKind::Scroll:
        scroll(window, event);
        return;
      default:
        return;
    }
  }
};

}  // namespace

WindowProc* screen_window_proc() {
  static ScreenWindowProc proc;
  return &proc;
}

namespace internal {

int screen_window_of(Handle window) {
  int value = window_value(window);
  if (value >= 0 && screen_window_get(value) != nullptr) return value;
  return screen_window_current();
}

}  // namespace internal

int action_perform(Handle window, int action) {
  if (state() == nullptr) return core::SCREENENV;
  int sw_index = internal::screen_window_of(window);
  if (sw_index >= 0 && sw_index != screen_window_current()) screen_window_make_current(sw_index);
  ScreenWindow* sw = screen_window_get(sw_index);
  int result = 0;
  if (sw == nullptr || sw->actions.first == nullptr || (sw->flags & kSwFlagNoActions) != 0) {
    result = default_action(action);
    // An action nobody serves is no error the user needs to see.
    if (result == core::NOVALUE) return result;
  } else {
    ActionSet set = sw->actions;
    int type = sw->type;
    for (int round = 0; round < kMaxRounds; ++round) {
      result = set.first(set.data, action);
      if (result >= 122 || (result != 0 && result != 2) || set.second == nullptr) break;
      ScreenWindow* now = screen_window_get(sw_index);
      if (now == nullptr) break;  // the action closed the window
      action = set.second(set.data, type, now->current_field, action);
      if (action == 0 || action == kActionEnd) break;
    }
  }
  if (result >= 122) core::error_box(static_cast<Status>(result));
  return result;
}

}  // namespace ui
