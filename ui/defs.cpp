// Section lines and pushed sections over the shell's definition files.
#include "ui/defs.h"

#include "core/errors.h"
#include "core/slots.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

namespace ui {

core::Status definition_section_lines(core::Text file, int layout, int section,
                                      std::vector<std::string>* lines) {
  uint16_t first = core::slot_count(core::kGroupLineQueue);
  uint16_t count = 0;
  int32_t st = defs::def_section_queue(file, layout, section, &count);
  if (st == defs::kNoFile) {
    // The file the screen needs is named.
    core::error_record(core::kRecord, core::Context::Screen, core::FILENOTFOUND, core::FILENOTFOUND);
    return core::report_detail(core::FILENOTFOUND, file, false);
  }
  if (st != 0) return static_cast<core::Status>(st);
  for (uint16_t i = 0; i < count; ++i) {
    core::Text line = core::slot_get(core::kGroupLineQueue, static_cast<uint16_t>(first + i));
    lines->emplace_back(line.ok() ? line.ptr : "", line.ok() ? line.len : 0);
  }
  // The lines read here leave the queue as it was.
  for (uint16_t n = core::slot_count(core::kGroupLineQueue); n > first; --n) {
    static_cast<void>(core::slot_delete(core::kGroupLineQueue, static_cast<uint16_t>(n - 1)));
  }
  return 0;
}

core::Status definition_section_push(core::Text text) { return core::slot_append(core::kGroupDefStack, text); }

}  // namespace ui
