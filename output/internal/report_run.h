// The state of one running report, shared by the files of the engine.
#pragma once

#include <string>
#include <vector>

#include "core/status.h"
#include "output/devices.h"
#include "output/reports.h"

namespace output::internal {

inline constexpr uint16_t kRunCancelled = 0x800;

enum class Progress { None, Bar, Text };

struct ReportRun {
  const std::vector<TemplateLine>* lines = nullptr;
  DeviceRecord device;
  uint16_t file = 0;              // the data file walked; 0: none
  std::string upper;              // the last key of the range
  std::string record_condition;   // limits condition && the argument list's record condition
  int step = 1;                   // device lines the last record took
  int previous_number = 0;        // line number of the last placed line
  uint16_t flags = 0;
  Progress progress = Progress::None;
  std::string progress_text;      // the expression giving the progress text
};

// Prints the template once over the records from where the file stands.
// 0, CANCELLED, or the first code of 128 or more.
[[nodiscard]] core::Status print_template(ReportRun* run);

}  // namespace output::internal
