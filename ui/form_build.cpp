// Building and running an Accept form.
#include <algorithm>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/slots.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "ui/defs.h"
#include "ui/internal/form_state.h"
#include "ui/internal/state.h"

namespace ui {

using internal::FormRun;

namespace {

constexpr CellMargins kFormMargins{2, 1, 2, 1};
constexpr int kOkColumn = 14;
constexpr int kOkWidth = 12;
constexpr int kCancelColumn = kOkColumn + kOkWidth + 2;

// Every "[expression]" replaced by its value as a quoted literal, so that a
// default may be written as the value of a variable ("[NAME$]").
Text expand_brackets(Text text) {
  core::ArenaScope scope;
  std::string out;
  for (uint16_t i = 0; i < text.len; ++i) {
    char c = text.ptr[i];
    if (c == '\'' || c == '"') {
      uint16_t end = core::text_skip_quoted(text, i);
      if (end == core::kNoPos) end = text.len;
      out.append(text.ptr + i, end - i);
      i = static_cast<uint16_t>(end - 1);
      continue;
    }
    if (c != '[') {
      out.push_back(c);
      continue;
    }
    uint16_t close = core::text_find_char(text, ']', i, false);
    if (close == core::kNoPos) return scope.keep(text);
    Text value = script::expr_text(core::text_sub(text, i + 1, static_cast<uint16_t>(close - i - 1)));
    Text quoted = core::text_quote(value.ok() ? value : Text{}, '\'');
    if (quoted.ok()) out.append(quoted.ptr, quoted.len);
    i = close;
  }
  return scope.keep(core::text_copy(core::text_view(out)));
}

// A field's default: part 4 evaluated, else its value the last time.
Text default_value(const FormField& f, int n) {
  if (f.parts[3].empty()) return form_last_value(n);
  Text value = script::expr_text(expand_brackets(core::text_view(f.parts[3])));
  if (!value.ok()) return Text{};
  return value;
}

// Labels in column 1 and the edits after the widest of them; field n on
// row n unless it is placed. With kFormOneRow the fields stand side by side.
Screen layout(const FieldList& list, int flags, const std::string& fd) {
  Screen screen;
  screen.margins = kFormMargins;
  // A long text field shows what fits the screen and scrolls the rest.
  internal::UiState* s = internal::state();
  platform::Margins frame = s->toolkit->frame_extra(kStyleModal, false);
  int fit = (s->toolkit->screen_area().w - frame.left - frame.right) / std::max(1, s->cell.w) -
            kFormMargins.left - kFormMargins.right - 1;
  int label_width = 0;
  for (const FormField& f : list.fields) label_width = std::max(label_width, static_cast<int>(f.label.size()));
  int next_column = 1;
  int columns = (flags & kFormCancelButton) != 0 ? kCancelColumn + kOkWidth - 1 : kOkColumn + kOkWidth - 1;
  int rows = 0;
  for (size_t i = 0; i < list.fields.size(); ++i) {
    const FormField& f = list.fields[i];
    ScreenField sf;
    sf.type = f.type;
    sf.width = f.width;
    Text name = core::list_field(core::text_view(fd), ',', static_cast<uint16_t>(i + 1));
    sf.variable.assign(name.ok() ? name.ptr : "", name.ok() ? name.len : 0);
    if ((flags & kFormOneRow) != 0) {
      sf.row = f.row > 0 ? f.row : 1;
      sf.column = f.column > 0 ? f.column : next_column;
    } else {
      sf.row = f.row > 0 ? f.row : static_cast<int>(i) + 1;
      sf.column = f.column > 0 ? f.column : label_width + 2;
      int label_column = f.column > 0 ? std::max(1, f.column - static_cast<int>(f.label.size()) - 1) : 1;
      if (!f.label.empty()) screen.labels.push_back({sf.row, label_column, f.label});
    }
    int shown = field_display_width(sf);
    if (sf.column + shown - 1 > fit) {
      sf.shown = std::max(1, fit - sf.column + 1);
      shown = sf.shown;
    }
    next_column = sf.column + shown + 1;
    columns = std::max(columns, sf.column + shown);
    rows = std::max(rows, sf.row);
    screen.fields.push_back(sf);
  }
  screen.columns = columns;
  screen.rows = rows + 2;  // a blank row and the row of the "Ok" button
  return screen;
}

// "Ok", and "Cancelar" (message 0020) when the form asks for it, on the last row.
void add_buttons(const FormRun& form, const Screen& screen) {
  platform::Toolkit* tk = internal::state()->toolkit.get();
  if (tk->control_exists(form.window, kIdConfirm)) return;
  platform::ControlSpec ok;
  ok.kind = platform::ControlKind::Button;
  ok.id = kIdConfirm;
  ok.rect = cell_rect(screen.rows, kOkColumn, kOkWidth);
  ok.text = "Ok";
  ok.flags = platform::kDefaultButton;
  tk->control_create(form.window, ok);
  if ((form.flags & kFormCancelButton) == 0 || tk->control_exists(form.window, kIdCancel)) return;
  platform::ControlSpec cancel;
  cancel.kind = platform::ControlKind::Button;
  cancel.id = kIdCancel;
  cancel.rect = cell_rect(screen.rows, kCancelColumn, kOkWidth);
  core::ArenaScope scope;
  cancel.text = core::text_str(core::message_text_c("0020"));
  tk->control_create(form.window, cancel);
}

// The first field that takes input, from the screen's first field on.
void focus_first(int begin) {
  for (int n = std::max(1, begin); n <= field_count(); ++n) {
    if (field_make_current(n) == 0) return;
  }
}

bool confirming_key(int key) {
  return key == kKeyEnter || key == kKeyTab || key == kKeyDown || key == kKeyPageDown || key == kKeyCtrlEnd;
}

}  // namespace

Status form_run(const FormRequest& request, FormResult* result) {
  *result = FormResult{};
  if (internal::state() == nullptr) return core::SCREENENV;
  core::ArenaScope scope;
  FormRun form;
  form.flags = request.flags;
  if (Status st = form_parse(request.fields, &form.list); st != 0) return result->code = st;
  for (size_t i = 0; i < form.list.fields.size() && i < request.comparisons.size(); ++i) {
    form.list.fields[i].comparison = request.comparisons[i];
  }
  // A different list than the last one starts without last values.
  if (!core::text_equal(core::slot_get(core::kGroupRuntime, core::kRtFormFields), request.fields)) {
    static_cast<void>(core::slot_set(core::kGroupRuntime, core::kRtFormValues, Text{}));
    static_cast<void>(core::slot_set(core::kGroupRuntime, core::kRtFormFields, request.fields));
  }
  // The form's section: the completed FD$ list in front of its options.
  std::string fd;
  if (definition_section_push(core::text_view(form.list.options)) == 0) {
    fd = form_fd_complete(defs::def_key_raw(defs::kKeyFd), form.list.fields);
    static_cast<void>(defs::def_section_release());
  }
  std::string section = "FD$=\"" + fd + "\" " + form.list.options;
  Screen screen = layout(form.list, form.flags, fd);
  int columns = screen.columns, rows = screen.rows;
  screen_apply_params(&screen, core::text_view(section));
  screen.columns = columns;
  screen.rows = rows;
  Status st = definition_section_push(core::text_view(section));
  if (st != 0) return result->code = st;
  int screen_index = screen_add(screen);
  screen_margins_set(screen.margins);
  st = window_create(kFrameDialog, 0, request.title, kNone, columns, rows, nullptr, &form.window);
  if (st != 0) {
    screen_drop(screen_index);
    screen_margins_set({});
    static_cast<void>(defs::def_section_release());
    return result->code = st;
  }
  form.screen_window = screen_window_open(screen_index, form.window, 0);
  st = screen_controls_create(form.screen_window);
  for (size_t i = 0; st == 0 && i < form.list.fields.size(); ++i) {
    core::ArenaScope field_scope;
    int n = static_cast<int>(i) + 1;
    st = field_set(n, default_value(form.list.fields[i], n));
  }
  if (st == 0) st = action_set_install({&internal::form_action, nullptr, &internal::form_end_code, &form});
  add_buttons(form, screen);
  focus_first(screen.begin_field);
  if (st == 0) scanner_screen_open(form.screen_window);
  if (st == 0) modal_loop(form.window);
  if (!form.ended) {
    // The loop ended without the form (the application quits).
    if (form.window != kNone) window_destroy(form.window);
    form.form_code = kFormEndClose;
  }
  result->form_code = internal::form_end_code(&form, action_code(form.end_action));
  result->end_action = form.end_action;
  int last_key = script::var_get_int(core::kSwLastKey);
  if (st == 0) st = form.confirmed && confirming_key(last_key) ? internal::form_collect(&form, result) : core::CANCELLED;
  screen_window_close(form.screen_window);
  static_cast<void>(defs::def_section_release());
  if (st == 0) {
    static_cast<void>(core::slot_set(core::kGroupRuntime, core::kRtFormValues, core::text_view(result->values)));
    static_cast<void>(core::slot_set(core::kGroupRuntime, core::kRtFormCondition, core::text_view(result->condition)));
    if (last_key == kKeyCtrlEnd) script::var_set_int(core::kSwLastKey, 0);
  }
  return result->code = st;
}

Text form_last_value(int n) {
  return core::text_copy(core::text_unquote(
      core::list_field(core::slot_get(core::kGroupRuntime, core::kRtFormValues), ',', static_cast<uint16_t>(n))));
}

}  // namespace ui
