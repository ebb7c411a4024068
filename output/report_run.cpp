// Running a report: the limits form, the device, the template, the start,
// copy and repeat conditions, the progress window, and the Report process.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/slots.h"
#include "core/status_words.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "definitions/definitions.h"
#include "output/internal/report_run.h"
#include "output/reports.h"
#include "paths/paths.h"
#include "script/procedures.h"
#include "script/eval.h"
#include "script/variables.h"
#include "ui/dialogs.h"
#include "ui/forms.h"

namespace output {

namespace {

using core::operator""_t;
using internal::Progress;
using internal::ReportRun;

Text view(const std::string& s) { return core::text_view(s); }

std::string argument(const std::string& list, uint16_t n) {
  core::ArenaScope scope;
  return core::text_str(core::text_trim(core::list_field(view(list), ',', n), core::kTrimBoth));
}

// A condition of the argument list: true when empty or when it gives 1.
Status holds(const std::string& expression, bool* yes) {
  *yes = true;
  if (expression.empty()) return 0;
  core::ArenaScope scope;
  Status st = script::expr_cond(view(expression));
  if (st >= 128) return st;
  *yes = st == 1;
  return 0;
}

// The file at the first record of the range.
Status position(const ReportRun& run, const ReportRequest& request) {
  if (run.file == 0) return 0;
  core::ArenaScope scope;
  (void)data::access_set_key(run.file, request.index > 0 ? request.index : 1);
  Status st = request.lower.empty()
                  ? data::access_navigate(run.file, data::kNavFirst)
                  : data::access_find(run.file, -1, view(request.lower), data::kFindAtOrAfter);
  return st >= 128 ? st : 0;
}

void progress_mode(ReportRun* run, const std::string& mode) {
  if (mode == "NONE") {
    run->progress = Progress::None;
  } else if (mode.empty() || mode == "PROGRESS") {
    run->progress = Progress::Bar;
    int64_t total = run->file != 0 ? data::access_count(run->file, 1, ""_t, "\xFF"_t, ""_t) : 0;
    ui::progress_open(0, total, false);
  } else {
    run->progress = Progress::Text;
    run->progress_text = mode;
    ui::progress_open(0, 0, true);
  }
}

// The report's own header image for a PDF device: "pdf_<template>.png" in
// the definition folders. A report without one leaves the slot empty, so
// that an image never passes from one report to the next.
Status header_image(const std::string& template_name) {
  core::ArenaScope scope;
  Text base = paths::path_split(view(template_name), paths::kPartBase);
  Text name = core::text_concat(core::text_concat("pdf_"_t, base), ".png"_t);
  return core::slot_set(core::kGroupRuntime, core::kRtPdfHeader, defs::def_file_find(name, 0));
}

// One run over the range: the template printed for each copy, and again
// while the repeat condition holds.
Status print_copies(ReportRun* run, const ReportRequest& request) {
  std::string copy = argument(request.arguments, 2), repeat = argument(request.arguments, 3);
  Status st = position(*run, request);
  std::string first_key;
  if (st == 0 && run->file != 0 && data::access_status(run->file) < data::kStatusEnd) {
    core::ArenaScope scope;
    first_key = core::text_str(data::key_value(run->file, static_cast<uint16_t>(data::access_key(run->file)),
                                               data::Buffer::Current));
  }
  bool again = true;
  while (st == 0 && again) {
    bool print = true;
    if ((st = holds(copy, &print)) != 0) break;
    for (int n = 0; print && st == 0 && n <= request.copies; ++n) {
      if (n > 0 && run->file != 0 && !first_key.empty()) {
        core::ArenaScope scope;
        st = data::access_find(run->file, -1, view(first_key), 0);
        if (st != 0) st = core::INTERNAL;
      }
      if (st == 0) st = internal::print_template(run);
    }
    if (st == 0) st = holds(repeat, &again);
    if (repeat.empty()) again = false;
  }
  return st;
}

// The limits from the two expressions of LIMITS$.
Status limits_of(ReportRequest* run) {
  core::ArenaScope scope;
  Text list = view(run->limits);
  Text lower = script::expr_text(core::text_trim(core::list_field(list, ',', 1), core::kTrimBoth));
  Text upper = script::expr_text(core::text_trim(core::list_field(list, ',', 2), core::kTrimBoth));
  if (!lower.ok()) return core::report_detail(core::text_error(lower), view("LIMITS$=" + run->limits), false);
  if (!upper.ok()) return core::report_detail(core::text_error(upper), view("LIMITS$=" + run->limits), false);
  run->lower = core::text_str(lower);
  run->upper = core::text_str(upper);
  return 0;
}

// The procedure file of a run, found along the definition folders.
Status procedure_load(const std::string& name, uint16_t* number) {
  core::ArenaScope scope;
  Text file = core::text_trim(view(name), core::kTrimBoth);
  Text path = defs::def_file_find(file, defs::kFtProcedure);
  if (path.empty()) return core::report_detail(core::FILENOTFOUND, file, false);
  return script::proc_load(path, number);
}

// The parameter sets of AUXLOAD$ on the definition stack; *pushed counts
// what the run releases at its end.
Status auxiliary_load(const std::string& list, int* pushed) {
  core::ArenaScope scope;
  Text items = view(list);
  for (uint16_t i = 1; i <= core::list_count(items, ','); ++i) {
    Text item = core::text_trim(core::list_field(items, ',', i), core::kTrimBoth);
    if (item.empty()) continue;
    Text file = core::text_trim(core::list_field(item, ';', 1), core::kTrimBoth);
    Text name = defs::def_file_type(file) != 0 ? file : defs::def_name_with_type(file, defs::kFtParams);
    int32_t st = defs::def_section_load(name, 1, core::list_field_int(item, ';', 2));
    if (st == defs::kNoFile) return core::report_detail(core::FILENOTFOUND, name, false);
    if (st != 0) return static_cast<Status>(st);
    ++*pushed;
  }
  return 0;
}

// The run once the limits are known.
Status run_once(const ReportRequest& request) {
  core::ArenaScope scope;
  ReportRun run;
  std::vector<TemplateLine> lines;
  run.lines = &lines;
  run.upper = request.upper;
  run.record_condition = request.condition;
  std::string extra = argument(request.arguments, 4);
  if (!extra.empty()) {
    run.record_condition = run.record_condition.empty() ? extra : "(" + run.record_condition + ")&&(" + extra + ")";
  }
  Status st = script::expr_status("_#('CLS')"_t);
  if (st != 0) return st;
  bool start = true;
  if ((st = holds(argument(request.arguments, 1), &start)) != 0) return st;
  if (!start) return core::NODATA;
  run.file = static_cast<uint16_t>(script::var_get_int(core::kSwCurFil));
  if (run.file != 0 && !data::access_is_file(run.file)) run.file = 0;

  std::string device = request.device.empty() ? std::string("CON") : request.device;
  if (request.ask_device && (st = device_select(view(request.device), &device)) != 0) return st;
  st = header_image(request.template_name);
  if (st == 0) st = device_open(view(device), &run.device);
  if (st == 0) st = template_load(view(request.template_name), &lines);
  if (st == 0) {
    progress_mode(&run, request.progress);
    st = print_copies(&run, request);
    if (run.progress != Progress::None) ui::progress_close();
  }
  if (st == 0) st = device_finish(&run.device);
  Status closed = device_close(&run.device, st != 0);
  return st != 0 ? st : closed;
}

}  // namespace

Status report_limits(ReportRequest* request) {
  ui::FormRequest form;
  core::ArenaScope scope;
  form.title = core::message_text_c("0081");
  form.fields = view(request->fields);
  ui::FormResult result;
  Status st = ui::form_run(form, &result);
  if (st != 0) return st;
  request->lower = core::text_str(ui::form_last_value(1));
  request->upper = core::text_str(ui::form_last_value(2));
  request->condition = result.condition;
  return 0;
}

Status report_run(const ReportRequest& request) {
  Status st = 0;
  int16_t previous_file = script::var_get_int(core::kSwCurFil);
  if (!request.open_files.empty()) {
    core::ArenaScope scope;
    st = data::access_open_set(view(request.open_files));
    if (st >= 128) return st;
    // The set's last file is the one walked, as a maintenance window's is.
    Text set = view(request.open_files);
    Text last = core::list_field(set, ',', core::list_count(set, ','));
    last = core::text_trim(core::list_field(last, ';', 1), core::kTrimBoth);
    if (uint16_t file = data::dict_file_by_ref(last); file != 0) {
      script::var_set_int(core::kSwCurFil, static_cast<int16_t>(file));
    }
  }
  uint16_t procedure = 0;
  int auxiliary = 0;
  if (st < 128 && !request.procedure.empty()) st = procedure_load(request.procedure, &procedure);
  if (st < 128 && !request.auxiliary.empty()) st = auxiliary_load(request.auxiliary, &auxiliary);
  // With a limits form the report runs again for each set of limits until
  // the form is cancelled, which ends it without an error.
  ReportRequest run = request;
  bool asked = false;
  while (st < 128) {
    if (!run.fields.empty()) {
      Status form = report_limits(&run);
      if (form == core::CANCELLED) {
        st = asked ? st : 0;
        break;
      }
      if (form != 0) {
        st = form;
        break;
      }
      asked = true;
    }
    if (!run.limits.empty() && (st = limits_of(&run)) >= 128) break;
    st = run_once(run);
    if (st != 0 || run.fields.empty()) break;
  }
  if (procedure != 0) (void)script::proc_unload(procedure);
  for (; auxiliary > 0; --auxiliary) (void)defs::def_section_release();
  if (!request.open_files.empty()) {
    (void)data::access_open_set("RESTORE"_t);
    script::var_set_int(core::kSwCurFil, previous_file);
  }
  if (st == core::CANCELLED && request.from_parameter_set) st = 0;
  if (st >= 128) core::error_record(core::kRecord, core::Context::Devices, st, st);
  return st;
}

Status report_process(Text argument_text) {
  core::ArenaScope scope;
  ReportRequest request;
  Text list = core::text_trim(argument_text, core::kTrimBoth);
  Text first = core::text_trim(core::list_field(list, ',', 1), core::kTrimBoth);
  if (core::list_count(list, ',') >= 2 && defs::def_file_type(first) == defs::kFtParams) {
    return report_from_set(first, core::list_field_int(list, ',', 2));
  }
  if (core::list_count(list, ',') >= 2) {
    request.device = core::text_str(core::text_trim(core::list_field(list, ',', 1), core::kTrimBoth));
    request.ask_device = request.device.empty();
    request.template_name = core::text_str(core::text_trim(core::list_field(list, ',', 2), core::kTrimBoth));
    if (core::list_count(list, ',') >= 3) request.index = core::list_field_int(list, ',', 3);
  } else {
    request.template_name = core::text_str(list);
  }
  if (request.template_name.empty()) {
    core::report_detail(core::NOVALUE, core::message_text_c("0031"), false);
    return core::error_record(core::kRecord, core::Context::Devices, core::NOVALUE, core::NOVALUE);
  }
  return report_run(request);
}

}  // namespace output
