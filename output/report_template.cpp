// Print templates: reading a line into its parts, and loading a template
// file with the files it includes.
#include <cstring>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "definitions/definitions.h"
#include "output/reports.h"
#include "script/eval.h"

namespace output {

namespace {

using core::operator""_t;

constexpr uint8_t kMarkPlain = 0x17;
constexpr uint8_t kMarkRelative = 0x18;
constexpr uint8_t kMarkRecord = 0x19;
const Text kMarkers = "\x17\x18\x19"_t;
// The options a report line may carry.
const char* const kLineOptions[] = {"ATEND$", "BRKEND$", "BREAK$", "COND$", "MAXLINE%", "LINESTEP%",
                                    "TOTALBASE%", "CONTINUE%", "EXTRASTEP%", "TITLE$", "WD"};
// The prefix of the lines of a :DYNAMIC_LINE file: conditional, column 1.
const Text kDynamicPrefix = "    1"_t;

Status bad_line(Text line, const char* why) {
  core::ArenaScope scope;
  core::report_detail(core::SINTAXERROR, core::text_concat(core::text_from_c(why), core::text_sub(line, 0, 60)), false);
  return core::error_record(core::kRecord, core::Context::LOADFILESTR, core::SINTAXERROR, core::SINTAXERROR);
}

bool is_boundary(uint8_t c) { return c == ':' || c == ' ' || c == '&' || c == '/'; }

// NAME=value pairs (or NAME:value), separated by ":", blanks, "&" or "/";
// a value is quoted or runs to the next separator.
Status parse_options(Text s, TemplateLine* out) {
  uint16_t i = 0;
  while (i < s.len) {
    if (is_boundary(s.at(i))) {
      ++i;
      continue;
    }
    uint16_t start = i;
    while (i < s.len && s.at(i) != '=' && !is_boundary(s.at(i))) ++i;
    std::string name = core::text_str(core::text_sub(s, start, static_cast<uint16_t>(i - start)));
    bool known = false;
    for (const char* option : kLineOptions) known = known || name == option;
    if (!known || i >= s.len) return bad_line(s, "option: ");
    ++i;  // "=" or ":"
    uint16_t value_start = i;
    if (s.at(i) == '\'' || s.at(i) == '"') {
      i = core::text_skip_quoted(s, i);
      if (i == core::kNoPos) return bad_line(s, "unclosed quote: ");
    } else {
      while (i < s.len && !is_boundary(s.at(i))) ++i;
    }
    Text value = core::text_unquote(core::text_sub(s, value_start, static_cast<uint16_t>(i - value_start)));
    out->options.emplace_back(name, core::text_str(value));
  }
  return 0;
}

bool all_digits(Text s) {
  for (uint16_t i = 0; i < s.len; ++i) {
    if (s.at(i) != ' ' && (s.at(i) < '0' || s.at(i) > '9')) return false;
  }
  return true;
}

}  // namespace

const std::string* TemplateLine::option(const char* name) const {
  for (const auto& [key, value] : options) {
    if (key == name) return &value;
  }
  return nullptr;
}

Status template_parse_line(Text line, TemplateLine* out) {
  *out = TemplateLine{};
  core::ArenaScope scope;
  Text number = core::text_sub(line, 0, 2), column = core::text_sub(line, 2, 3);
  if (line.len < 5 || !all_digits(number) || !all_digits(column)) return bad_line(line, "line and column: ");
  out->number = core::text_to_int(core::text_trim(number, core::kTrimBoth));
  out->column = core::text_to_int(core::text_trim(column, core::kTrimBoth));
  if (out->column < 1) out->column = 1;
  Text rest = core::text_sub(line, 5, core::kToEnd);
  for (uint16_t i = 0; i < rest.len; ++i) {
    uint8_t c = rest.at(i);
    if (c < 0x20 && c != '\t' && c != kMarkPlain && c != kMarkRelative && c != kMarkRecord &&
        std::strchr("\x0E\x0F\x10\x11\x12\x14\x1C\x1D\x1E\x1F", c) == nullptr) {
      return bad_line(line, "control byte: ");
    }
  }
  if (out->number == 0) {
    uint16_t tab = core::text_find_char(rest, '\t', 0, true);
    if (tab == core::kNoPos) return bad_line(line, "condition without a tab: ");
    out->condition = core::text_str(core::text_sub(rest, 0, tab));
    rest = core::text_sub(rest, tab + 1, core::kToEnd);
  }
  uint16_t mark = core::text_find_any(rest, kMarkers, true);
  if (mark == core::kNoPos) return 0;  // kind 0: the end of the template
  out->body = core::text_str(core::text_sub(rest, 0, mark));
  if (out->number == 0 && out->body.empty()) out->body = " ";
  uint8_t m = rest.at(mark);
  out->kind = m == kMarkRecord ? kLineRecord : (m == kMarkRelative ? kLineRelative : kLinePlain);
  uint16_t after = mark + 1;
  if (rest.at(after) == m) {
    out->kind |= kLineRepeated;
    ++after;
  }
  Text tail = core::text_sub(rest, after, core::kToEnd);
  uint16_t slash = core::text_find(tail, " /"_t, false);
  out->expressions = core::text_str(core::text_sub(tail, 0, slash));
  return slash == core::kNoPos ? 0 : parse_options(core::text_sub(tail, slash + 2, core::kToEnd), out);
}

namespace {

Status load_file(Text name, bool dynamic, int depth, std::vector<TemplateLine>* out, bool* ended);

// The file named by a directive's expression.
Status include(Text expression, bool dynamic, int depth, std::vector<TemplateLine>* out, bool* ended) {
  if (depth >= kTemplateMaxDepth) {
    core::report_detail(core::LOOPFAIL, expression, false);
    return core::error_record(core::kRecord, core::Context::LOADFILESTR, core::LOOPFAIL, core::LOOPFAIL);
  }
  core::ArenaScope scope;
  Text name = script::expr_text(expression);
  if (!name.ok()) return name.len;
  return load_file(name, dynamic, depth + 1, out, ended);
}

Status load_file(Text name, bool dynamic, int depth, std::vector<TemplateLine>* out, bool* ended) {
  core::ArenaScope scope;
  Text path = defs::def_file_find(name, dynamic ? defs::kFtText : defs::kFtTemplate);
  Status st = path.empty() ? core::FILENOTFOUND : core::file_open(path, core::kModeReadOnly | core::kModeQuiet);
  if (st >= core::kFileNumbers) {
    core::report_detail(core::FILENOTFOUND, name, false);
    return core::error_record(core::kRecord, core::Context::LOADFILESTR, core::FILENOTFOUND, core::FILENOTFOUND);
  }
  auto file = static_cast<uint16_t>(st);
  st = 0;
  for (int number = 1; st == 0 && !*ended; ++number) {
    core::ArenaScope line_scope;
    Text line;
    st = defs::def_read_line(file, &line);
    if (st == core::DISKIO) {
      st = 0;
      break;
    }
    if (st != 0) break;
    if (!dynamic && line.at(0) == ';') continue;  // a comment
    if (dynamic) {
      // A line of text is printed where the output stands, when its
      // condition holds.
      line = core::text_concat(kDynamicPrefix, line);
      if (core::text_find_any(line, kMarkers, true) == core::kNoPos) line = core::text_concat(line, "\x17"_t);
    }
    if (line.at(5) == ':') {
      Text directive = core::text_sub(line, 5, core::kToEnd);
      uint16_t blank = core::text_find_char(directive, ' ', 0, true);
      Text word = core::text_sub(directive, 0, blank);
      Text expression = core::text_trim(core::text_sub(directive, blank, core::kToEnd), core::kTrimBoth);
      if (core::text_equal(word, ":INCLUDE"_t)) {
        st = include(expression, false, depth, out, ended);
      } else if (core::text_equal(word, ":DYNAMIC_LINE"_t)) {
        st = include(expression, true, depth, out, ended);
      } else {
        st = bad_line(line, "directive: ");
      }
      continue;
    }
    if (out->size() >= kTemplateMaxLines) {
      core::report_detail(core::STRINGTOOLONG, name, false);
      st = core::error_record(core::kRecord, core::Context::LOADFILESTR, core::STRINGTOOLONG, core::STRINGTOOLONG);
      break;
    }
    TemplateLine parsed;
    st = template_parse_line(line, &parsed);
    if (st != 0) {
      core::ArenaScope detail;
      Text where = core::text_format(400, "%s:%d: ", core::text_cstr(name), number);
      core::report_detail(st, core::text_concat(where, core::error_detail()), false);
      break;
    }
    if (parsed.kind == 0) {
      *ended = true;
      break;
    }
    parsed.source = core::text_str(name) + ":" + std::to_string(number);
    out->push_back(std::move(parsed));
  }
  (void)core::file_close(file);
  return st;
}

}  // namespace

Status template_load(Text name, std::vector<TemplateLine>* out) {
  out->clear();
  bool ended = false;
  return load_file(name, false, 0, out, &ended);
}

}  // namespace output
