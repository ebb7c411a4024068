// A report described by a parameter set: a section of a parameter file
// (".PPN") that names the device, the template, the limits form and the
// rest of a run.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "definitions/definitions.h"
#include "output/reports.h"

namespace output {

namespace {

using core::operator""_t;

std::string key_text(uint16_t code) {
  core::ArenaScope scope;
  return core::text_str(core::text_trim(defs::def_key_raw(code), core::kTrimBoth));
}

}  // namespace

Status report_from_set(Text file, int32_t section) {
  core::ArenaScope scope;
  Text name = defs::def_name_with_type(core::text_trim(file, core::kTrimBoth), defs::kFtParams);
  int32_t loaded = defs::def_section_load(name, 1, section);
  if (loaded != 0) {
    Status st = loaded == defs::kNoFile ? core::FILENOTFOUND : static_cast<Status>(loaded);
    core::report_detail(st, name, false);
    return core::error_record(core::kRecord, core::Context::Devices, st, st);
  }
  ReportRequest request;
  request.device = key_text(defs::kKeyDevice);
  request.ask_device = request.device.empty();
  // DOCNAME$: the template, and after ";" a procedure file for the run.
  std::string doc = key_text(defs::kKeyDocName);
  request.template_name = doc.substr(0, doc.find(';'));
  if (size_t semi = doc.find(';'); semi != std::string::npos) request.procedure = doc.substr(semi + 1);
  request.limits = key_text(defs::kKeyLimits);
  request.auxiliary = key_text(defs::kKeyAuxLoad);
  request.arguments = key_text(defs::kKeyDocSets);
  request.open_files = key_text(defs::kKeyOpen);
  request.fields = key_text(defs::kKeyAcBound);
  request.progress = key_text(defs::kKeyProgMode);
  request.index = defs::def_key_number(defs::kKeyIndex);
  if (request.index <= 0) request.index = 1;
  request.copies = defs::def_key_number(defs::kKeyCounter);
  request.from_parameter_set = true;
  (void)defs::def_section_release();
  if (request.template_name.empty()) {
    core::report_detail(core::NOVALUE, "DOCNAME$"_t, false);
    return core::error_record(core::kRecord, core::Context::Devices, core::NOVALUE, core::NOVALUE);
  }
  return report_run(request);
}

}  // namespace output
