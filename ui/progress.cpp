// The progress window: a bar (or a text) and a cancel button, advanced by
// long operations between their units of work; each step pumps the queue so
// the window stays alive and a cancel is seen at the next step.
#include <time.h>

#include <algorithm>

#include "core/arena.h"
#include "core/messages.h"
#include "script/procedures.h"
#include "ui/dialogs.h"
#include "ui/internal/state.h"

namespace ui {

using internal::ProgressState;
using internal::state;
using platform::Event;
using platform::EventKind;

namespace {

// The time for the procedures' pump, asked before every statement: the
// kernel's coarse clock (a few milliseconds of resolution, far below the
// tick) costs a fraction of reading the precise one. It is the same
// monotonic clock as steady_clock's, only read more coarsely.
std::chrono::steady_clock::time_point pump_clock() {
#ifdef CLOCK_MONOTONIC_COARSE
  timespec t{};
  if (clock_gettime(CLOCK_MONOTONIC_COARSE, &t) == 0)
    return std::chrono::steady_clock::time_point(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
#endif
  return std::chrono::steady_clock::now();
}

constexpr int kFrameHeight = 90;
constexpr int kFrameExtraWidth = 40;
constexpr platform::Rect kBarAt{20, 10, 0, 17};
constexpr int kButtonW = 70;
constexpr int kButtonH = 20;
constexpr int kButtonY = 37;

class ProgressProc : public WindowProc {
 public:
  void on_event(Handle, const Event& event) override {
    ProgressState& p = state()->progress;
    if (event.kind == EventKind::Command && event.id == kIdProgressCancel) p.cancelled = true;
    if (event.kind == EventKind::KeyDown && event.key == platform::kVkEscape) p.cancelled = true;
    if (event.kind == EventKind::Close) p.cancelled = true;
  }
};

ProgressProc g_proc;

Status cancelled() { return state()->progress.cancelled ? core::CANCELLED : 0; }

void show_position(ProgressState& p) {
  state()->toolkit->progress_set(p.window, kIdProgressBar, p.range, p.position);
}

// Scales the total to the bar's range on the first step.
void set_range(ProgressState& p) {
  p.ranged = true;
  p.divisor = 1;
  p.remainder = 0;
  p.position = 0;
  int64_t total = p.total;
  if (total <= 0) {
    p.cyclic = true;
    p.range = kProgressCyclicTotal;
  } else {
    while (total > kProgressMaxRange) {
      total /= 2;
      p.divisor *= 2;
    }
    p.cyclic = false;
    p.range = static_cast<int>(total);
  }
  show_position(p);
}


}  // namespace

void progress_open(int width, int64_t total, bool text_mode) {
  internal::UiState* s = state();
  if (s == nullptr || s->progress.window != kNone) return;
  ProgressState& p = s->progress;
  p = ProgressState{};
  p.width = width <= 0 ? kProgressDefaultWidth : width;
  p.total = total;
  p.text_mode = text_mode;
  platform::Margins m = s->toolkit->frame_extra(kStyleModal, false);
  platform::Size client{p.width + kFrameExtraWidth - m.left - m.right,
                        std::max(kButtonY + kButtonH + 3, kFrameHeight - m.top - m.bottom)};
  core::ArenaScope scope;
  Handle w = kNone;
  if (window_create_pixels(kFrameProgress, 0, core::message_text_c("0016"), kNone, client, &g_proc, &w) != 0) {
    return;
  }
  p.window = w;
  platform::ControlSpec bar;
  bar.kind = platform::ControlKind::Progress;
  bar.id = kIdProgressBar;
  bar.rect = {kBarAt.x, kBarAt.y, p.width, kBarAt.h};
  bar.flags = platform::kSystemFont;
  if (text_mode) {
    bar.kind = platform::ControlKind::Static;
    bar.flags |= platform::kTextMode;
  }
  s->toolkit->control_create(w, bar);
  platform::ControlSpec button;
  button.kind = platform::ControlKind::Button;
  button.id = kIdProgressCancel;
  button.rect = {p.width - 50, kButtonY, kButtonW, kButtonH};
  button.flags = platform::kSystemFont;
  Text caption = core::message_text_c("0020");
  button.text.assign(caption.ptr, caption.len);
  s->toolkit->control_create(w, button);
  window_place(w, 0, 0, -1, -1);
  s->toolkit->window_show(w);
  p.tick = std::chrono::steady_clock::now();
}

Status progress_step(int64_t count) {
  internal::UiState* s = state();
  if (s == nullptr) return 0;
  ProgressState& p = s->progress;
  if (p.window == kNone) progress_open(0, 0, false);
  if (p.window == kNone) return 0;
  if (!p.ranged) set_range(p);
  if (p.cyclic) {
    if (++p.position > kProgressCyclicTotal) p.position = 1;
  } else {
    p.remainder += std::max<int64_t>(count, 0);
    p.position = static_cast<int>(std::min<int64_t>(p.range, p.position + p.remainder / p.divisor));
    p.remainder %= p.divisor;
  }
  show_position(p);
  pump();
  return cancelled();
}

Status progress_text(Text text) {
  internal::UiState* s = state();
  if (s == nullptr) return 0;
  if (s->progress.window == kNone) progress_open(kProgressDefaultWidth, 0, true);
  if (s->progress.window != kNone) s->toolkit->control_text_set(s->progress.window, kIdProgressBar, text);
  pump();
  return cancelled();
}

Status progress_tick(int mode) {
  internal::UiState* s = state();
  if (s == nullptr) return 0;
  ProgressState& p = s->progress;
  auto now = std::chrono::steady_clock::now();
  if (mode == 0) p.tick = now;
  if (mode == 2 && p.window != kNone && now - p.tick >= std::chrono::milliseconds(kProgressTickMs)) {
    p.tick = now;
    return progress_step(1);
  }
  pump();
  return cancelled();
}

void progress_close() {
  internal::UiState* s = state();
  if (s == nullptr) return;
  Handle w = s->progress.window;
  s->progress = ProgressState{};
  if (w != kNone) window_destroy(w);
}

ProgressInfo progress_info() {
  internal::UiState* s = state();
  ProgressInfo info;
  if (s == nullptr) return info;
  const ProgressState& p = s->progress;
  info.open = p.window != kNone;
  info.range = p.range;
  info.position = p.position;
  info.divisor = p.divisor;
  info.cyclic = p.cyclic;
  info.cancelled = p.cancelled;
  return info;
}


bool procedures_pump() {
  internal::UiState* s = state();
  if (s == nullptr) return false;
  auto now = pump_clock();
  if (now - s->last_pump >= std::chrono::milliseconds(kProgressTickMs)) {
    s->last_pump = now;
    pump();
  }
  return s->progress.cancelled;
}

}  // namespace ui
