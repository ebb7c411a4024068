// The report window: the output of the screen device, read-only in the
// screen font, under a row of buttons. A button, Esc or the close button
// ends it; the button pressed is left in _CUREDFLD.
#include <algorithm>
#include <string_view>
#include <vector>

#include "core/arena.h"
#include "core/messages.h"
#include "core/slots.h"
#include "core/status_words.h"
#include "output/devices.h"
#include "script/variables.h"
#include "ui/windows.h"

namespace output {

namespace {

using ui::platform::Event;
using ui::platform::EventKind;

constexpr int kIdReportText = 3200;
constexpr int kExtraColumns = 5;
constexpr int kButtonRows = 2;

class ReportProc : public ui::WindowProc {
 public:
  explicit ReportProc(int buttons) : buttons_(buttons) {}
  void on_event(ui::Handle window, const Event& event) override {
    switch (event.kind) {
      case EventKind::KeyDown:
        if (ui::key_code(event.key) == ui::kKeyEsc) end(window, 0);
        return;
      case EventKind::Command:
        if (event.id >= ui::kIdButtonBase && event.id < ui::kIdButtonBase + buttons_) {
          end(window, event.id - ui::kIdButtonBase + 1);
        }
        return;
      case EventKind::Close:
        end(window, 0);
        return;
      default:
        return;
    }
  }
  bool open() const { return open_; }

 private:
  void end(ui::Handle window, int button) {
    script::var_set_int(core::kSwCurEdFld, static_cast<int16_t>(button));
    open_ = false;
    ui::window_destroy(window);
  }
  int buttons_;
  bool open_ = true;
};

}  // namespace

Status report_window(std::string_view text, int columns, int rows) {
  ui::platform::Toolkit* tk = ui::toolkit();
  if (tk == nullptr) return core::SCREENENV;
  core::ArenaScope scope;
  Text captions = core::slot_get(core::kGroupEnv, core::kEnvButtonLabels);
  if (captions.empty()) captions = core::message_text_c("0020");
  captions = core::text_copy(captions);
  core::TextArray buttons = core::list_split(captions, ',');
  if (buttons.status != 0) return buttons.status;
  std::vector<std::string_view> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    at = end + 1;
  }

  // As wide as the page and as high as it (or as the text, without paging),
  // but never beyond the screen.
  int cell_h = std::max(1, ui::font_cell().h), cell_w = std::max(1, ui::font_cell().w);
  ui::platform::Size area = tk->screen_area();
  int text_rows = rows > 0 ? rows : static_cast<int>(lines.size());
  text_rows = std::clamp(text_rows, 1, std::max(1, area.h / cell_h - kButtonRows - 4));
  int width = std::clamp(columns + kExtraColumns, 20, std::max(20, area.w / cell_w - 2));

  ReportProc proc(buttons.count);
  ui::Handle window = ui::kNone;
  Status st = ui::window_create(ui::kFrameAppModal, 0, "ReportWin"_t, ui::kNone, width,
                                text_rows + kButtonRows, &proc, &window);
  if (st != 0) return st;
  int button_w = 8;
  for (uint16_t i = 1; i <= buttons.count; ++i) {
    button_w = std::max<int>(button_w, core::text_unquote(buttons.at(i)).len + 4);
  }
  for (uint16_t i = 1; i <= buttons.count; ++i) {
    ui::platform::ControlSpec b;
    b.kind = ui::platform::ControlKind::Button;
    b.id = ui::kIdButtonBase + i - 1;
    b.rect = ui::cell_rect(1, 1 + (i - 1) * button_w, button_w - 1);
    b.text = core::text_str(core::text_unquote(buttons.at(i)));
    tk->control_create(window, b);
  }
  ui::platform::ControlSpec page;
  page.kind = ui::platform::ControlKind::Edit;
  page.id = kIdReportText;
  page.flags = ui::platform::kReadOnly | ui::platform::kMultiLine;
  page.rect = ui::cell_rect(1 + kButtonRows, 1, width, text_rows);
  tk->control_create(window, page);
  for (std::string_view line : lines) tk->list_add(window, kIdReportText, core::text_view(line));
  // The report is read from its first line.
  tk->list_select(window, kIdReportText, 0);
  tk->control_focus(window, kIdReportText);
  ui::modal_loop(window);
  if (proc.open()) ui::window_destroy(window);
  return 0;
}

}  // namespace output
