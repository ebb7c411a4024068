// Headless input: the event queue, the script steps, and the modal dialogs
// that take their answers from the script.
#include <algorithm>
#include <fstream>
#include <thread>

#include "core/arena.h"
#include "ui/headless/headless.h"
#include "core/cp1252.h"

namespace ui::headless {

namespace {

// The key a typed character comes from, as a keyboard sends it: letters by
// their capital (a lower-case letter's own code is a function or keypad
// key: "p" is F1), digits and the blank as themselves, anything else as a
// punctuation key that means nothing to the runtime.
int key_of_char(uint8_t ch) {
  if (ch >= 'a' && ch <= 'z') return ch - 'a' + 'A';
  if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == ' ') return ch;
  return 0xBA;
}

constexpr int kMaxAutoCloses = 64;

}  // namespace

void HeadlessToolkit::write(const std::string& line) {
  transcript_ += line;
  transcript_ += '\n';
  if (options_.transcript_path.empty()) return;
  if (options_.transcript_path == "-" || options_.transcript_path == "2") {
    FILE* out = options_.transcript_path == "-" ? stdout : stderr;
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
    return;
  }
  std::ofstream(options_.transcript_path, std::ios::app | std::ios::binary) << line << '\n';
}

void HeadlessToolkit::step_error(const ScriptStep& step, const std::string& why) {
  std::string text = "line " + std::to_string(step.line) + ": " + why;
  errors_.push_back(text);
  write("!! " + text);
}

void HeadlessToolkit::script_set(std::vector<ScriptStep> steps) {
  steps_ = std::move(steps);
  next_step_ = 0;
}

const ScriptStep* HeadlessToolkit::peek_step(StepOp op) const {
  if (next_step_ < steps_.size() && steps_[next_step_].op == op) return &steps_[next_step_];
  return nullptr;
}

void HeadlessToolkit::show_if_changed() {
  if (active_ == kNone) return;
  std::string picture = render(active_);
  if (picture == last_shown_) return;
  last_shown_ = picture;
  write(picture);
}

bool HeadlessToolkit::fire_timers() {
  auto now = std::chrono::steady_clock::now();
  bool fired = false;
  for (Timer& t : timers_) {
    if (t.due <= now) {
      queue(EventKind::Timer, t.window, t.id);
      t.due = now + std::chrono::milliseconds(t.interval);
      fired = true;
    }
  }
  return fired;
}

bool HeadlessToolkit::next_event(Event* out, bool wait) {
  for (;;) {
    if (!queue_.empty()) {
      *out = queue_.front();
      queue_.pop_front();
      return true;
    }
    if (fire_timers()) continue;
    if (!wait) {
      // A long operation only polls; while its progress window is on top
      // each poll takes one step, so a script can cancel it.
      const Window* top = find(active_);
      if (top == nullptr || top->spec.class_name != "Progress" || script_done()) return false;
      show_if_changed();
      run_step(steps_[next_step_++]);
      if (queue_.empty()) return false;
      continue;
    }
    if (std::chrono::steady_clock::now() < waiting_until_) {
      // A "wait MS" step: time passes without input; the timers due in it fire.
      auto soonest = waiting_until_;
      for (const Timer& t : timers_) soonest = std::min(soonest, t.due);
      std::this_thread::sleep_until(soonest);
      continue;
    }
    show_if_changed();
    if (next_step_ < steps_.size()) {
      const ScriptStep& step = steps_[next_step_++];
      run_step(step);
      continue;
    }
    if (active_ == kNone || ++auto_closes_ > kMaxAutoCloses) {
      write("(end of input: quit)");
      post_quit();
      continue;
    }
    write("(end of input: close)");
    queue(EventKind::Close, active_);
  }
}

void HeadlessToolkit::run_step(const ScriptStep& step) {
  if (before_step_) before_step_(step);
  Window* win = find(active_);
  switch (step.op) {
    case StepOp::Type:
      write("> type " + step.arg);
      type_text(step);
      return;
    case StepOp::Key:
      write("> key " + script_key_name(step.key, step.shift, step.ctrl));
      press_key(step);
      return;
    case StepOp::Press: {
      write("> press " + step.arg);
      int id = win != nullptr ? script_button_target(script_controls(*win), step) : 0;
      if (id == 0) return step_error(step, script_no_target(step));
      queue(EventKind::Command, active_, id);
      return;
    }
    case StepOp::Click: {
      write("> click " + step.arg);
      int id = win != nullptr ? script_control_target(script_controls(*win), step) : 0;
      if (id == 0) return step_error(step, script_no_target(step));
      if (win->focus != 0 && win->focus != id) queue(EventKind::ControlBlur, active_, win->focus);
      win->focus = id;
      queue(EventKind::ControlFocus, active_, id);
      return;
    }
    case StepOp::Select:
    case StepOp::Activate: {
      write(step.op == StepOp::Select ? "> select " + step.arg : "> activate");
      Control* c = win != nullptr ? find(active_, win->focus) : nullptr;
      bool grid = c != nullptr && c->spec.kind == ControlKind::Grid;
      if (c == nullptr || (c->spec.kind != ControlKind::ListBox && c->spec.kind != ControlKind::ComboBox && !grid)) {
        return step_error(step, "no list has the focus");
      }
      size_t count = grid ? c->cells.size() : c->items.size();
      if (step.op == StepOp::Activate && grid) {
        // A double click on a grid views the selected row.
        Event e = event_of(EventKind::GridCommand, active_, c->spec.id);
        e.param = kGridView;
        queue_.push_back(e);
      } else if (step.op == StepOp::Activate) {
        queue(EventKind::ListActivate, active_, c->spec.id);
      } else if (step.number > static_cast<int>(count)) {
        step_error(step, "the list has no item " + std::to_string(step.number));
      } else {
        c->selection = step.number - 1;
        if (c->spec.kind == ControlKind::ComboBox) queue(EventKind::ListSelect, active_, c->spec.id);
      }
      return;
    }
    case StepOp::Menu: {
      write("> menu " + step.arg);
      auto it = window_menus_.find(active_);
      int id = it != window_menus_.end() ? menu_find(it->second, step) : 0;
      if (id == 0) return step_error(step, script_no_target(step));
      queue(EventKind::Command, active_, id);
      return;
    }
    case StepOp::Close:
      write("> close");
      if (active_ == kNone) return step_error(step, "no window to close");
      queue(EventKind::Close, active_);
      return;
    case StepOp::Answer:
    case StepOp::File:
      return step_error(step, "no dialog is waiting for '" + step.arg + "'");
    case StepOp::Shot: {
      std::ofstream f(step.arg, std::ios::binary);
      f << (active_ != kNone ? render(active_) : std::string("(no window)")) << '\n';
      if (!f) step_error(step, "cannot write " + step.arg);
      return;
    }
    case StepOp::Show:
      if (active_ != kNone) {
        last_shown_ = render(active_);
        write(last_shown_);
      }
      return;
    case StepOp::Wait:
      if (step.number > 0) {
        write("> wait " + std::to_string(step.number));
        waiting_until_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.number);
      }
      return;
  }
}

void HeadlessToolkit::type_text(const ScriptStep& step) {
  Window* win = find(active_);
  Control* c = win != nullptr ? find(active_, win->focus) : nullptr;
  if (c == nullptr || c->spec.kind != ControlKind::Edit || !c->enabled) {
    return step_error(step, "no field has the focus to type into");
  }
  if ((c->spec.flags & kReadOnly) != 0) return step_error(step, "the field is read-only");
  std::string typed = core::utf8_to_cp1252(step.arg);
  if (c->selected_all) c->spec.text.clear();
  c->selected_all = false;
  for (char ch : typed) {
    if (c->spec.width_chars > 0 && static_cast<int>(c->spec.text.size()) >= c->spec.width_chars) {
      break;
    }
    c->spec.text.push_back(ch);
  }
  for (char ch : typed) {
    queue(EventKind::KeyDown, active_, c->spec.id, key_of_char(static_cast<uint8_t>(ch)));
    queue(EventKind::Char, active_, c->spec.id, static_cast<uint8_t>(ch));
  }
}

// The keys a grid takes for itself, as a desktop table does: Up and Down
// move the selection, Enter opens the line menu, Insert and Delete ask for
// those line actions. False for any other key.
bool HeadlessToolkit::grid_key(Control* grid, const ScriptStep& step) {
  int rows = static_cast<int>(grid->cells.size());
  int command = 0;
  switch (step.key) {
    case kVkUp:
      if (rows > 0) grid->selection = std::max(0, grid->selection - 1);
      return true;
    case kVkDown:
      if (rows > 0) grid->selection = std::min(rows - 1, grid->selection + 1);
      return true;
    case kVkReturn: command = kGridMenu; break;
    case kVkInsert: command = kGridInsert; break;
    case kVkDelete: command = kGridDelete; break;
    default: return false;
  }
  Event e = event_of(EventKind::GridCommand, active_, grid->spec.id);
  e.param = command;
  queue_.push_back(e);
  return true;
}

void HeadlessToolkit::press_key(const ScriptStep& step) {
  Window* win = find(active_);
  if (win == nullptr) return step_error(step, "no window for the key");
  int id = win->focus;
  if (Control* c = find(active_, id); c != nullptr && c->spec.kind == ControlKind::Grid && !step.shift && !step.ctrl &&
                                      grid_key(c, step)) {
    return;
  }
  if (Control* c = find(active_, id); c != nullptr && c->spec.kind == ControlKind::Edit &&
                                      (c->spec.flags & kReadOnly) == 0) {
    // The editing keys change the text as a field would.
    if (step.key == kVkBack || step.key == kVkDelete) {
      if (c->selected_all) {
        c->spec.text.clear();
      } else if (step.key == kVkBack && !c->spec.text.empty()) {
        c->spec.text.pop_back();
      }
      c->selected_all = false;
    }
  }
  if (step.shift) queue(EventKind::KeyDown, active_, id, kVkShift);
  if (step.ctrl) queue(EventKind::KeyDown, active_, id, kVkControl);
  queue(EventKind::KeyDown, active_, id, step.key);
  queue(EventKind::KeyUp, active_, id, step.key);
  if (step.ctrl) queue(EventKind::KeyUp, active_, id, kVkControl);
  if (step.shift) queue(EventKind::KeyUp, active_, id, kVkShift);
}

// The window's controls as a step sees them.
std::vector<ScriptControl> HeadlessToolkit::script_controls(const Window& win) const {
  std::vector<ScriptControl> out;
  for (const Control& c : win.controls) {
    ScriptControl sc;
    sc.id = c.spec.id;
    sc.label = c.spec.kind == ControlKind::Static;
    sc.button = c.spec.kind == ControlKind::Button;
    sc.usable = c.shown && c.enabled;
    sc.x = c.spec.rect.x;
    sc.y = c.spec.rect.y;
    sc.h = c.spec.rect.h;
    sc.caption = core::cp1252_to_utf8(core::text_view(c.spec.text));
    out.push_back(std::move(sc));
  }
  return out;
}

int HeadlessToolkit::menu_find(Handle menu, const ScriptStep& step) const {
  auto it = menus_.find(menu);
  if (it == menus_.end()) return 0;
  for (const MenuItem& item : it->second.items) {
    if (item.submenu != kNone) {
      if (int id = menu_find(item.submenu, step)) return id;
    } else if (step.number != 0 ? item.id == step.number : script_caption_matches(core::cp1252_to_utf8(core::text_view(item.caption)), step.arg)) {
      return item.id;
    }
  }
  return 0;
}

}  // namespace ui::headless
