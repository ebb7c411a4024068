// Reports: the records of the current data file printed through a print
// template onto an output device.
//
// A template (".PDC") is a file of print lines:
//
//   LLCCCbody<marker>expressions /options
//
// LL is the line on the page ("00" a conditional line: its body starts with
// a condition and a tab), CCC the starting column; the body's "|" cut it
// into pieces, each a mask for the value of the expression of the same
// position in the comma list after the marker. The marker says what the
// line is: 0x17 printed at its line, 0x18 placed relative to the line
// before, 0x19 the record line, printed once per record; a marker written
// twice makes a repeated line, printed again at every page or group break.
// The lines before the record line are the page head, the lines after it
// close the group and the report. ":INCLUDE expr" and ":DYNAMIC_LINE expr"
// in column 6 insert the lines of another file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/status.h"
#include "core/text.h"

namespace output {

using core::Status;
using core::Text;

// Kinds of template lines.
inline constexpr uint16_t kLinePlain = 0x01;
inline constexpr uint16_t kLineRepeated = 0x02;
inline constexpr uint16_t kLineRelative = 0x04;
inline constexpr uint16_t kLineRecord = 0x10;

// Bounds of what a template may hold.
inline constexpr size_t kTemplateMaxLines = 2000;
inline constexpr int kTemplateMaxDepth = 8;

struct TemplateLine {
  int number = 0;          // the line on the page; 0 for a conditional line
  int column = 1;
  uint16_t kind = 0;
  std::string condition;   // of a conditional line
  std::string body;
  std::string expressions; // the comma list after the marker
  std::vector<std::pair<std::string, std::string>> options;  // name, value (unquoted)
  std::string source;      // "file:line", for messages

  // The option's value, or nullptr when the line has none.
  const std::string* option(const char* name) const;
};

// Reads one template line. SINTAXERROR (with the line as detail) for a
// line number or column that is not digits, for a control byte other than
// tab and the markers, and for an option no report knows.
[[nodiscard]] Status template_parse_line(Text line, TemplateLine* out);
// Loads a template file (found in the definition folders) with its
// included files; the lines up to the first without a marker. 0, or
// FILENOTFOUND (with the name) for a template or included file that is
// missing, SINTAXERROR for a malformed line, STRINGTOOLONG beyond
// kTemplateMaxLines lines or a line too long, LOOPFAIL for inclusions
// nested deeper than kTemplateMaxDepth.
[[nodiscard]] Status template_load(Text name, std::vector<TemplateLine>* out);

// What a report is asked to do.
struct ReportRequest {
  std::string device;       // device text; empty: CON
  std::string template_name;
  std::string arguments;    // start, copy, repeat and record conditions (comma list)
  std::string open_files;   // an open-file set for the run, its last file walked; empty: the current file
  std::string lower, upper; // the limits of the key range
  std::string condition;    // the limits condition
  std::string fields;       // the limits form's fields (ACBOUND$); empty: no form
  int index = 1;            // the key to walk by
  int copies = 0;           // extra copies
  std::string progress;     // "", PROGRESS, NONE, or an expression giving the text
  bool from_parameter_set = false;
  bool ask_device = false;  // the device selection dialog chooses the device (from `device`)
  // Two expressions giving the lower and the upper limit, evaluated after
  // the limits form (empty: the form's first two values).
  std::string limits;
  // A procedure file loaded and compiled for the run, released after it.
  std::string procedure;
  // Parameter sets put on the definition stack for the run ("file;section"
  // entries, a comma list), so that its expressions read their keys.
  std::string auxiliary;
};

// Runs a report: 0 on success, 127 when the start condition gives 0, 122
// when cancelled (0 when started from a parameter set), else the first code
// of 128 or more; the device is finished and closed in every case, and a
// file is only left under its name when the report ended well.
[[nodiscard]] Status report_run(const ReportRequest& request);
// The Report process: "template" (on CON) or "device,template", and
// optionally ",key": over the current data file, walked by that key (1
// when not given). An empty device (",template") is asked for in the device
// selection dialog. "file.PPN,section" runs the report of a parameter set.
[[nodiscard]] Status report_process(Text argument);
// A report of a parameter set (a section of a parameter file): DEVICE$
// (empty: asked for), DOCNAME$ the template, ACBOUND$ the limits form's
// fields, INDEX% the key walked, OPEN$ the files opened for it, DOCSETS$
// the start, copy, repeat and record conditions, PROG_MODE$ the progress,
// COUNTER$ the extra copies. Cancelling it is no error. 0 or the code;
// FILENOTFOUND for a file or section that is not there, NOVALUE without
// DOCNAME$.
[[nodiscard]] Status report_from_set(Text file, int32_t section);
// The limits form (message 0081) over the fields of the request: on
// confirm its first two values become the limits and its condition the
// limits condition. 0, or CANCELLED.
[[nodiscard]] Status report_limits(ReportRequest* request);

}  // namespace output
