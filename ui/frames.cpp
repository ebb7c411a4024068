// Frames: creating top-level windows of a frame kind, sized in cells of the
// screen font, placed by the cascade rule, and checked against the screen.
#include <algorithm>

#include "core/errors.h"
#include "core/slots.h"
#include "script/variables.h"
#include "ui/internal/state.h"

namespace ui {

using internal::state;
using internal::UiState;

const Text kFrameClassList = ",LnMant,Mant,MantDlg,Grid,Dialog,DevSel,Progress"_t;

Status frame_style(int kind, Text* class_name, uint32_t* style) {
  if (kind < 0 || kind >= kFrameKinds) return core::NOVALUE;
  Text name = kind < 8 ? core::list_field(kFrameClassList, ',', static_cast<uint16_t>(kind + 1)) : Text{};
  if (name.empty()) name = core::slot_get(core::kGroupEnv, core::kEnvApName);
  *class_name = name;
  switch (kind) {
    case kFrameApp:
    case kFrameLnMant:
    case kFrameMant:
    case kFrameAppMain: *style = kStyleMain; break;
    case kFrameMantDlg:
    case kFrameAppModalMenu: *style = kStyleModalMenu; break;
    default: *style = kStyleModal; break;
  }
  return 0;
}

void screen_margins_set(CellMargins margins) {
  if (UiState* s = state()) s->margins = margins;
}

CellMargins screen_margins() {
  UiState* s = state();
  return s != nullptr ? s->margins : CellMargins{};
}

platform::Rect cell_rect(int row, int column, int columns, int rows) {
  UiState* s = state();
  if (s == nullptr) return {};
  platform::CellSize c = s->cell;
  return {(s->margins.left + std::max(column, 1) - 1) * c.w, (s->margins.top + std::max(row, 1) - 1) * c.h,
          columns * c.w, rows * c.h};
}

namespace {

platform::Size client_of(const UiState* s, int columns, int rows) {
  return {(columns + s->margins.left + s->margins.right) * s->cell.w,
          (rows + s->margins.top + s->margins.bottom) * s->cell.h};
}

platform::Size frame_of(const UiState* s, platform::Size client, uint32_t style, bool menu) {
  platform::Margins m = s->toolkit->frame_extra(style, menu);
  return {client.w + m.left + m.right, client.h + m.top + m.bottom};
}

platform::Point centred(const UiState* s, platform::Size frame) {
  platform::Size area = s->toolkit->screen_area();
  return {std::max(0, (area.w - frame.w) / 2), std::max(0, (area.h - frame.h) / 2)};
}

// Keeps a frame inside the screen where it can be.
platform::Point inside(const UiState* s, platform::Point p, platform::Size frame) {
  platform::Size area = s->toolkit->screen_area();
  p.x = std::max(0, std::min(p.x, area.w - frame.w));
  p.y = std::max(0, std::min(p.y, area.h - frame.h));
  return p;
}

// Keeps a child frame inside its owner's frame where it fits, as a desktop
// user expects a window to stay over the one it came from; then inside the
// screen.
platform::Point inside_owner(const UiState* s, Handle owner, platform::Point p, platform::Size frame) {
  Text ignored;
  uint32_t style = kStyleMain;
  auto it = s->windows.find(owner);
  if (it != s->windows.end()) frame_style(it->second.kind, &ignored, &style);
  platform::Point at = s->toolkit->window_position(owner);
  platform::Size outer = frame_of(s, s->toolkit->window_client(owner), style, false);
  if (frame.w <= outer.w) p.x = std::clamp(p.x, at.x, at.x + outer.w - frame.w);
  if (frame.h <= outer.h) p.y = std::clamp(p.y, at.y, at.y + outer.h - frame.h);
  return inside(s, p, frame);
}

// The cascade: right of and below the top window; with the focus-relative
// flag, two text heights below its focused control; with no window,
// centred (and moved by the cascade in RUN mode).
platform::Point position_for(const UiState* s, int placement, platform::Size frame) {
  Handle top = window_top();
  if (top == kNone) {
    platform::Point p = centred(s, frame);
    if ((script::var_get_int(core::kSwScrStat) & kScrStatRun) != 0) {
      p.x += kCascadeX;
      p.y += kCascadeY;
    }
    return inside(s, p, frame);
  }
  platform::Point p = s->toolkit->window_position(top);
  int focused = s->toolkit->control_focused(top);
  if ((placement & kPlaceFocusRelative) != 0 && focused != 0) {
    Text ignored;
    uint32_t top_style = kStyleMain;
    auto it = s->windows.find(top);
    if (it != s->windows.end()) frame_style(it->second.kind, &ignored, &top_style);
    platform::Margins m = s->toolkit->frame_extra(top_style, false);
    platform::Rect r = s->toolkit->control_rect(top, focused);
    p.x += m.left + r.x;
    p.y += m.top + r.y + 2 * s->cell.h;
    return inside_owner(s, top, p, frame);
  }
  p.x += kCascadeX;
  p.y += kCascadeY;
  return inside_owner(s, top, p, frame);
}

}  // namespace

Status window_create_pixels(int kind, int placement, Text title, Handle menu, platform::Size client,
                            WindowProc* proc, Handle* out) {
  *out = kNone;
  UiState* s = state();
  if (s == nullptr) return core::SCREENENV;
  Text class_name;
  uint32_t style = 0;
  if (frame_style(kind, &class_name, &style) != 0) {
    return core::error_record(core::kRecord, core::Context::Screen, core::NOVALUE, core::NOVALUE);
  }
  platform::Size frame = frame_of(s, client, style, menu != kNone);
  platform::Size area = s->toolkit->screen_area();
  if (frame.w > area.w || frame.h > area.h) {
    core::error_record(core::kRecord, core::Context::Screen, core::NOGRAPHICS, 0);
    core::report_detail(core::NOGRAPHICS, core::error_name(core::NOGRAPHICS), false);
    return core::NOGRAPHICS;
  }
  if (window_count() >= kMaxWindows) {
    return core::error_record(core::kRecord, core::Context::Screen, core::OUTOFMEMORY,
                              core::OUTOFMEMORY);
  }
  Handle top = window_top();
  platform::WindowSpec spec;
  spec.class_name.assign(class_name.ptr, class_name.len);
  spec.style = style;
  spec.title.assign(title.ok() ? title.ptr : "", title.ok() ? title.len : 0);
  spec.owner = top;
  spec.menu = menu;
  spec.position = position_for(s, placement, frame);
  spec.client = client;
  bool modal = (style & platform::kStyleModal) != 0;
  Handle w = s->toolkit->window_create(spec);
  if (w == kNone) {
    return core::error_record(core::kRecord, core::Context::Screen, core::SCREENENV, core::SCREENENV);
  }
  if (modal && top != kNone) s->toolkit->window_enable(top, false);
  s->windows[w] = internal::WindowRecord{proc, kind, modal, top};
  window_register(w, kNoScreenWindow);
  *out = w;
  return 0;
}

Status window_create(int kind, int placement, Text title, Handle menu, int columns, int rows,
                     WindowProc* proc, Handle* out) {
  UiState* s = state();
  if (s == nullptr) return core::SCREENENV;
  return window_create_pixels(kind, placement, title, menu, client_of(s, columns, rows), proc, out);
}

void window_destroy(Handle window) {
  UiState* s = state();
  if (s == nullptr || window == kNone) return;
  s->windows.erase(window);
  for (auto it = s->timers.begin(); it != s->timers.end();) {
    if (it->first.first != window) {
      ++it;
      continue;
    }
    s->toolkit->timer_stop(window, it->first.second);
    it = s->timers.erase(it);
  }
  s->toolkit->window_destroy(window);
  window_unregister(window);
}

void window_place(Handle window, int x, int y, int columns, int rows) {
  UiState* s = state();
  if (s == nullptr || s->windows.count(window) == 0) return;
  uint32_t style = kStyleModal;
  Text ignored;
  frame_style(s->windows[window].kind, &ignored, &style);
  platform::Size content = client_of(s, columns, rows);
  if (columns != -1) {
    platform::Size area = s->toolkit->screen_area();
    platform::Margins m = s->toolkit->frame_extra(style, false);
    platform::Size client{std::min(content.w, area.w - m.left - m.right),
                          std::min(content.h, area.h - m.top - m.bottom)};
    s->toolkit->window_resize(window, client);
    // Scroll bars where the content is larger than the client area.
    s->toolkit->window_scroll_ranges(window, std::max(0, content.w - client.w),
                                     std::max(0, content.h - client.h));
  }
  platform::Size client = s->toolkit->window_client(window);
  platform::Size frame = frame_of(s, client, style, false);
  platform::Point p = s->toolkit->window_position(window);
  if (x == 0) {
    p = centred(s, frame);
  } else if (x == -1) {
    p = inside(s, p, frame);
  } else {
    p = {x, y};
  }
  s->toolkit->window_move(window, p);
}

void window_title_set(Handle window, Text title) {
  if (UiState* s = state()) s->toolkit->window_title(window, title);
}

void control_text_top(int id, Text text) {
  UiState* s = state();
  Handle top = window_top();
  if (s != nullptr && top != kNone) s->toolkit->control_text_set(top, id, text);
}

void paint_centred_text(Handle window, Text text) {
  if (UiState* s = state()) s->toolkit->window_paint_text(window, text);
}

int scroll_position(int code, int position, int range, int thumb) {
  UiState* s = state();
  int page = s != nullptr ? s->cell.h : 16;
  switch (code) {
    case platform::kScrollLineUp: position -= 2; break;
    case platform::kScrollLineDown: position += 2; break;
    case platform::kScrollPageUp: position -= page; break;
    case platform::kScrollPageDown: position += page; break;
    case platform::kScrollThumb: position = thumb; break;
    case platform::kScrollTop: position = 0; break;
    case platform::kScrollBottom: position = range; break;
    default: break;
  }
  return std::max(0, std::min(position, range));
}

}  // namespace ui
