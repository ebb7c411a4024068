// Printing a template: the lines placed on the page, the record loop, and
// the breaks (a full page or a new group) that print the closing lines
// and the page head again.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "data/access.h"
#include "data/records.h"
#include "data/script_hooks.h"
#include "formats/formats.h"
#include "output/internal/report_run.h"
#include "script/eval.h"
#include "script/functions.h"
#include "script/numbers.h"
#include "ui/dialogs.h"

namespace output::internal {

namespace {

// Keeps the data files' positions from its making to put_back (or its end).
class PositionsKept {
 public:
  PositionsKept() { data::local_call(true, false); }
  ~PositionsKept() { put_back(); }
  PositionsKept(const PositionsKept&) = delete;
  PositionsKept& operator=(const PositionsKept&) = delete;
  void put_back() {
    if (done_) return;
    done_ = true;
    data::local_call(false, true);
  }

 private:
  bool done_ = false;
};

using core::operator""_t;
using core::Status;
using core::Text;

Text view(const std::string& s) { return core::text_view(s); }

// A condition: true when empty or when it gives 1; an error of 128 or more
// is the caller's failure, with the template line as detail.
Status condition(const std::string& expression, const TemplateLine* line, bool* yes) {
  *yes = true;
  if (expression.empty()) return 0;
  core::ArenaScope scope;
  Status st = script::expr_cond(view(expression));
  if (st >= 128) {
    if (line != nullptr) core::report_detail(st, view(line->source), true);
    return st;
  }
  *yes = st == 1;
  return 0;
}

int option_int(const TemplateLine& line, const char* name, int fallback) {
  const std::string* value = line.option(name);
  if (value == nullptr || value->empty()) return fallback;
  core::ArenaScope scope;
  return script::expr_int(view(*value));
}

// A line limit: negative counts back from the page length; 0 or absent is
// the fallback.
int line_limit(const ReportRun& run, int value, int fallback) {
  if (value < 0) return run.device.page_lines + value;
  return value == 0 ? fallback : value;
}

std::string joined(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return "(" + a + ")&&(" + b + ")";
}

Status add_total(int index, int64_t number) {
  core::ArenaScope scope;
  Text element = core::text_format(16, "%d", index);
  int64_t sum = script::expr_number(core::text_format(24, "_#(%d)", index)) + number;
  return script::function_assign(script::kFnWorkArray, "_#"_t, element, script::Value::num(sum));
}

// One piece of a line: its mask filled with the value of its expression
// (on a record line an empty expression is the field of the same number).
Status piece_text(const ReportRun& run, const TemplateLine& line, Text mask, Text expression,
                  uint16_t n, int total_base, Text* out) {
  expression = core::text_trim(expression, core::kTrimBoth);
  bool record = (line.kind & kLineRecord) != 0;
  if (expression.empty() && !(record && run.file != 0)) {
    *out = mask;
    return 0;
  }
  script::Value value;
  if (expression.empty()) {
    value = script::Value::txt(core::text_trim(data::field_get(run.file, n, data::Buffer::Current), core::kTrimBoth));
    if (!value.text.ok()) return value.text.len;
  } else {
    Status st = script::expr_value(expression, &value);
    if (st >= 128) {
      core::report_detail(st, view(line.source), true);
      return st;
    }
    if (st != 0) {
      *out = core::text_repeat(" "_t, mask.len);
      return 0;
    }
  }
  if (total_base > 0 && !value.is_text()) {
    Status st = add_total(total_base + n - 1, value.number);
    if (st != 0) return st;
  }
  Text shown = value.is_text() ? value.text : script::number_to_text(value.number);
  *out = formats::mask_apply(mask, shown);
  return out->ok() ? 0 : out->len;
}

// Prints a line at a device line: its pieces, one blank between them.
Status print_line(ReportRun* run, const TemplateLine& line, int target) {
  core::ArenaScope scope;
  uint16_t width = run->device.width;
  const std::string* wd = line.option("WD");
  if (wd != nullptr) run->device.width = static_cast<uint16_t>(core::text_to_int(view(*wd)));
  Status st = device_locate(&run->device, target, line.column);
  core::TextArray masks = core::list_split(view(line.body), '|');
  core::TextArray expressions = core::list_split(view(line.expressions), ',');
  if (masks.status != 0 || expressions.status != 0) st = core::OUTOFMEMORY;
  int total_base = option_int(line, "TOTALBASE%", 0);
  // The body is cut at every "|", quotes or not: it is printed text.
  Text body = view(line.body);
  uint16_t n = 1;
  for (uint16_t from = 0; st == 0 && from <= body.len; ++n) {
    uint16_t bar = from;
    while (bar < body.len && body.at(bar) != '|') ++bar;
    Text shown;
    st = piece_text(*run, line, core::text_sub(body, from, static_cast<uint16_t>(bar - from)),
                    expressions.at(n), n, total_base, &shown);
    if (st == 0 && n > 1) st = device_write(&run->device, " "_t);
    if (st == 0) st = device_write(&run->device, shown);
    from = static_cast<uint16_t>(bar + 1);
  }
  run->device.width = width;
  return st;
}

// Places a line that is not the record line and prints it; *printed tells
// whether it was (a conditional line whose condition gives 0 is skipped).
Status place_line(ReportRun* run, const TemplateLine& line, bool* printed) {
  *printed = false;
  bool yes = true;
  Status st = condition(line.condition, &line, &yes);
  if (st != 0 || !yes) return st;
  int here = run->device.line;
  bool fresh = run->device.column == 1;
  int target = line.number;
  if (line.number == 0) {
    target = here + (fresh ? 0 : run->step);
  } else if ((line.kind & kLineRelative) != 0) {
    target = here + line.number - run->previous_number - (fresh ? run->step : 0);
    if (target < here) target = here;
  }
  if (line.number != 0) run->previous_number = line.number;
  *printed = true;
  return print_line(run, line, target);
}

// CONTINUE% of a printed line: "limit:count". When the device is still
// above the limit the break ends there and the records go on on this page.
Status try_continue(ReportRun* run, size_t at, bool* continued) {
  const TemplateLine& line = (*run->lines)[at];
  const std::string* value = line.option("CONTINUE%");
  if (value == nullptr) return 0;
  core::ArenaScope scope;
  int limit = core::list_field_int(view(*value), ':', 1);
  int count = core::list_field_int(view(*value), ':', 2);
  bool room = run->device.page_lines == 0 || run->device.line < line_limit(*run, limit, run->device.page_lines);
  if (!room) return 0;
  // The record lines passed walking back must all be there.
  int passed = 0;
  for (size_t i = at + 1; i-- > 0 && passed <= count;) {
    if (((*run->lines)[i].kind & kLineRecord) != 0) ++passed;
  }
  if (passed <= count) {
    core::report_detail(core::PROCEXEC, view(line.source), false);
    return core::error_record(core::kRecord, core::Context::Devices, core::PROCEXEC, core::PROCEXEC);
  }
  *continued = true;
  return 0;
}

// A break at the record line `at`: the repeated lines after it (each while
// the device is above its MAXLINE%), then the page head again.
Status run_break(ReportRun* run, size_t at, bool* continued) {
  *continued = false;
  const auto& lines = *run->lines;
  Status st = 0;
  for (size_t i = at + 1; st == 0 && i < lines.size() && !*continued; ++i) {
    if ((lines[i].kind & kLineRepeated) == 0) continue;
    int limit = line_limit(*run, option_int(lines[i], "MAXLINE%", 0), run->device.page_lines);
    if (limit != 0 && run->device.line >= limit) continue;
    bool printed = false;
    st = place_line(run, lines[i], &printed);
    if (st == 0 && printed) st = try_continue(run, i, continued);
  }
  for (size_t i = 0; st == 0 && i < at && !*continued; ++i) {
    bool printed = false;
    st = place_line(run, lines[i], &printed);
    if (st == 0 && printed) st = try_continue(run, i, continued);
  }
  return st;
}

Status progress_step(ReportRun* run) {
  Status st = 0;
  if (run->progress == Progress::Bar) {
    st = ui::progress_step(1);
  } else if (run->progress == Progress::Text) {
    core::ArenaScope scope;
    st = ui::progress_text(script::expr_text(view(run->progress_text)));
  }
  if (st == core::CANCELLED) run->flags |= kRunCancelled;
  return st;
}

// The record loop of the record line `at`.
Status record_loop(ReportRun* run, size_t at) {
  const TemplateLine& line = (*run->lines)[at];
  if (run->file == 0 || data::access_status(run->file) >= data::kStatusEnd) return 0;
  std::string record_condition;
  const std::string* cond = line.option("COND$");
  record_condition = joined(run->record_condition, cond != nullptr ? *cond : std::string());
  int page_limit = run->device.page_lines == 0 ? 0 : run->device.page_lines - 3;
  int limit = line_limit(*run, option_int(line, "MAXLINE%", 0), page_limit);
  int line_step = option_int(line, "LINESTEP%", 0);
  if (line_step <= 0) line_step = run->device.step;
  int extra = option_int(line, "EXTRASTEP%", 0);
  const std::string* at_end = line.option("ATEND$");
  const std::string* group = line.option("BREAK$");
  std::string range_end;
  if (!run->upper.empty()) {
    const std::string* brkend = line.option("BRKEND$");
    range_end = brkend != nullptr ? *brkend : "(KEY$()>'[$]~')";
    for (size_t p; (p = range_end.find("[$]")) != std::string::npos;) range_end.replace(p, 3, run->upper);
  }

  int target = 0;
  bool placed = false;  // the next record goes where the record line stands
  int printed = 0;
  Status st = 0;
  while (st == 0) {
    if ((st = progress_step(run)) != 0) break;
    bool yes = true;
    // The record's expressions may move data files (a lookup, even of the
    // file walked): each record leaves every file where the walk had it.
    PositionsKept kept;
    if ((st = condition(record_condition, &line, &yes)) != 0) break;
    if (yes) {
      int next = placed ? target + run->step + extra : 0;
      if (placed && limit > 0 && next > limit) {
        bool continued = false;
        if ((st = run_break(run, at, &continued)) != 0) break;
        placed = continued;
        if (continued) next = run->device.line + (run->device.column == 1 ? 0 : run->step);
      }
      if (!placed) {
        bool fresh = run->device.column == 1;
        next = line.number != 0 ? line.number : run->device.line + (fresh ? 0 : run->step);
        if ((line.kind & kLineRelative) != 0) {
          next = run->device.line + line.number - run->previous_number - (fresh ? run->step : 0);
        }
      }
      if ((st = print_line(run, line, next)) != 0) break;
      target = next;
      placed = true;
      run->step = line_step;
      ++printed;
    }
    kept.put_back();
    bool ended = false;
    if (at_end != nullptr && !at_end->empty()) {
      if ((st = condition(*at_end, &line, &ended)) != 0) break;
    } else {
      st = data::access_navigate(run->file, data::kNavNext);
      if (st >= 128) break;
      st = 0;
      ended = data::access_status(run->file) >= data::kStatusEnd;
    }
    if (!ended && !range_end.empty() && (st = condition(range_end, &line, &ended)) != 0) break;
    if (ended) break;
    bool new_group = false;
    if (group != nullptr && !group->empty() && (st = condition(*group, &line, &new_group)) != 0) break;
    if (new_group && printed > 0) {
      bool continued = false;
      if ((st = run_break(run, at, &continued)) != 0) break;
      placed = continued;
      if (continued) target = run->device.line - run->step - extra + (run->device.column == 1 ? 0 : run->step);
    }
  }
  return st;
}

}  // namespace

Status print_template(ReportRun* run) {
  device_publish(run->device);
  run->previous_number = 0;
  run->step = run->device.step;
  const auto& lines = *run->lines;
  Status st = 0;
  for (size_t i = 0; st == 0 && i < lines.size(); ++i) {
    if ((lines[i].kind & kLineRecord) != 0) {
      st = record_loop(run, i);
    } else {
      bool printed = false;
      st = place_line(run, lines[i], &printed);
    }
  }
  if ((run->flags & kRunCancelled) != 0) return core::CANCELLED;
  // The end of a pass feeds to the top of the next page.
  if (st == 0) st = device_locate(&run->device, 1, 1);
  return st;
}

}  // namespace output::internal
