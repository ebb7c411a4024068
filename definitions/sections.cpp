// Reading sections of definition files: line layouts, the line queue and
// the definition stack.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/slots.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

namespace defs {
namespace {

using core::ArenaScope;

// Columns (from 1) of the number field and of the content of each layout.
struct LayoutSpec {
  uint8_t number_from;  // 0: no number field, every line is section 0
  uint8_t number_len;
  uint8_t content_from;
  bool drop_last;  // the content ends before the line's last character
};
constexpr LayoutSpec kLayouts[kLayoutCount] = {
    {0, 0, 1, false}, {1, 2, 4, false}, {2, 2, 4, true},  {1, 4, 6, false},
    {1, 2, 3, false}, {0, 0, 1, false}, {1, 5, 1, false},
};

// The number field read as a decimal number: blanks and columns beyond the
// line count as "0"; an optional sign, then digits up to the first other
// byte.
int32_t section_number(Text line, const LayoutSpec& spec) {
  char field[8];
  for (uint32_t k = 0; k < spec.number_len; ++k) {
    uint32_t at = spec.number_from - 1u + k;
    char c = at < line.len ? line.ptr[at] : ' ';
    field[k] = c == ' ' ? '0' : c;
  }
  uint32_t i = 0;
  bool negative = spec.number_len > 0 && (field[0] == '-' || field[0] == '+');
  if (negative) i = 1;
  negative = negative && field[0] == '-';
  int32_t n = 0;
  for (; i < spec.number_len && field[i] >= '0' && field[i] <= '9'; ++i)
    n = n * 10 + (field[i] - '0');
  return negative ? -n : n;
}

// Opens a definition file for reading: as given, else (a name without a
// folder part) found in the definition folders. A folder is no file.
Status open_definition(Text file) {
  ArenaScope scope;
  Text path = file;
  paths::FileInfo info;
  bool plain_name = core::text_find_any(file, "/\\:"_t, true) == core::kNoPos;
  if (paths::path_file_info(file, &info) != 0 && plain_name) {
    path = paths::path_search(core::slot_get(core::kGroupEnv, core::kEnvDocPath), file);
    if (path.len == 0 || path_file_info(path, &info) != 0) return core::FILENOTFOUND;
  }
  if (info.folder) return core::FILENOTFOUND;
  return core::file_open(path, core::kModeReadOnly | core::kModeQuiet);
}

int32_t load_failed(Text file, Status code) {
  // A failure that named its line keeps that detail.
  if (core::error_place().line == 0) (void)core::report_detail(code, file, false);
  return core::error_record(core::kRecord, core::Context::LOADFILESTR, code, code);
}

Status binary_line(Text file, uint32_t line, uint8_t byte) {
  core::error_place_set(file, line);
  (void)core::report_detail(core::SINTAXERROR,
                            core::text_format(512, "%s, line %u: not a text file (byte 0x%02X)", core::text_cstr(file),
                                              line, byte),
                            false);
  return core::SINTAXERROR;
}

// Calls take(content, line) for each line of the section, in file order
// (line: its number in the file, from 1): 0,
// kNoFile, or the code that stopped the reading (not yet reported).
template <class Take>
int32_t read_section(Text file, int layout, int32_t section, Take take) {
  if (layout < 0 || layout >= kLayoutCount) return core::NOVALUE;
  // The place of an earlier failure is not this reading's.
  core::error_place_set(Text{}, 0);
  Status number = open_definition(file);
  if (number >= core::kFileNumbers) return kNoFile;
  Status st = 0;
  for (uint32_t at = 1;; ++at) {
    ArenaScope scope;
    Text line;
    st = def_read_line(number, &line);
    if (st != 0) {
      if (st == core::DISKIO) st = 0;
      break;
    }
    // A file that is not text (damaged, or another kind of file under the
    // name) is refused whole, at its first such line, before any of it is
    // taken as definitions.
    if (uint16_t bad = core::text_binary_at(line); bad != core::kNoPos) {
      st = binary_line(file, at, line.at(bad));
      break;
    }
    LineParts parts;
    (void)def_line_parts(line, layout, &parts);
    if (parts.section != section) continue;
    st = take(parts.content, at);
    if (st != 0) break;
  }
  (void)core::file_close(number);
  return st;
}

// Removes the queue's slots from `first` on (the ones a read appended).
void queue_cut(uint16_t first) {
  for (uint16_t n = core::slot_count(core::kGroupLineQueue); n > first; --n) {
    (void)core::slot_delete(core::kGroupLineQueue, n - 1u);
  }
}

}  // namespace

Status def_read_line(uint16_t number, Text* line) {
  *line = core::file_read_line(number);
  if (line->ok()) return 0;
  // A line too long for the arena would otherwise be dropped without a word.
  return line->len == core::OUTOFMEMORY ? core::STRINGTOOLONG : line->len;
}

Status def_line_parts(Text line, int layout, LineParts* parts) {
  if (layout < 0 || layout >= kLayoutCount) return core::NOVALUE;
  const LayoutSpec& spec = kLayouts[layout];
  parts->section = spec.number_from == 0 ? 0 : section_number(line, spec);
  uint32_t from = spec.content_from - 1u;
  uint32_t end = line.len;
  if (spec.drop_last && end > 0) --end;
  parts->content = from < end ? Text{line.ptr + from, static_cast<uint16_t>(end - from)} : Text{};
  return 0;
}

int32_t def_section_queue(Text file, int layout, int32_t section, uint16_t* count) {
  *count = 0;
  if (!file.ok()) return file.len;
  uint16_t first = core::slot_count(core::kGroupLineQueue);
  int32_t st = read_section(file, layout, section, [](Text content, uint32_t) {
    return core::slot_append(core::kGroupLineQueue, content);
  });
  if (st != 0) {
    // The queue gives its room back first, so that the detail fits.
    queue_cut(first);
    return st == kNoFile ? st : load_failed(file, static_cast<Status>(st));
  }
  *count = static_cast<uint16_t>(core::slot_count(core::kGroupLineQueue) - first);
  return 0;
}

int32_t def_section_load(Text file, int layout, int32_t section) {
  uint16_t first = core::slot_count(core::kGroupLineQueue);
  uint16_t count = 0;
  int32_t st = def_section_queue(file, layout, section, &count);
  if (st != 0) return st;
  std::string joined;
  for (uint16_t i = 0; i < count; ++i) {
    if (i != 0) joined += ':';
    joined += core::text_str(core::slot_get(core::kGroupLineQueue, static_cast<uint16_t>(first + i)));
  }
  queue_cut(first);
  if (joined.size() > core::kMaxTextLen) return load_failed(file, core::STRINGTOOLONG);
  ArenaScope scope;
  Text text = core::arena_text(joined);
  if (!text.ok()) return load_failed(file, text.len);
  Status pushed = core::slot_append(core::kGroupDefStack, text);
  return pushed == 0 ? 0 : load_failed(file, pushed);
}

int32_t def_section_load_or_empty(Text file, int layout, int32_t section) {
  int32_t st = def_section_load(file, layout, section);
  if (st != kNoFile) return st;
  return core::slot_append(core::kGroupDefStack, Text{});
}

int32_t def_section_count(Text file, int layout, int32_t section) {
  if (!file.ok()) return file.len;
  int32_t lines = 0;
  int32_t st = read_section(file, layout, section, [&lines](Text, uint32_t) {
    ++lines;
    return Status{0};
  });
  if (st == kNoFile) return st;
  return st == 0 ? lines : load_failed(file, static_cast<Status>(st));
}

uint32_t def_section_line(Text file, int layout, int32_t section, uint32_t index) {
  if (!file.ok()) return 0;
  uint32_t seen = 0;
  uint32_t found = 0;
  // The reading stops at the line asked for (a code that is no failure).
  (void)read_section(file, layout, section, [&](Text, uint32_t line) {
    if (seen++ != index) return Status{0};
    found = line;
    return Status{1};
  });
  return found;
}

Status def_section_release() { return core::slot_pop(core::kGroupDefStack); }

Text def_section_current() {
  if (core::slot_count(core::kGroupDefStack) == 0) return Text{};
  return core::slot_last(core::kGroupDefStack);
}

}  // namespace defs
