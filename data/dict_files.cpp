// Loading the dictionary files of an application: prefix + "DICC.DAT" and
// prefix + "REL.DAT", with includes of other prefixes (see dictionary.h
// for the line layout).
#include <algorithm>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "data/dictionary.h"
#include "data/internal/dictionary.h"
#include "paths/paths.h"

namespace data {

using core::kOk;

namespace {

constexpr uint16_t kMaxLine = 512;

struct Loader {
  Text folder;
  Text default_location;
  int base = 0;
  std::vector<std::string> prefixes;  // the dictionaries being read, outermost first
  std::string file;                   // the file being read, for messages
  uint32_t line_number = 0;
  // The dictionary file read last when its last line had no line end, and
  // that line: a file cut short, named when a later line misses its files.
  std::string cut_file;
  uint32_t cut_line = 0;
};

bool digit(uint8_t c) { return c >= '0' && c <= '9'; }

// The code with "<file>, line <n>: <line>" as detail, recorded at (LOADFILESTR).
Status line_error(const Loader& l, Status code, Text line) {
  core::ArenaScope scope;
  Text where = core::text_format(600, "%s, line %u: ", l.file.c_str(), l.line_number);
  core::error_record(core::kRecord, core::Context::LOADFILESTR, code, code);
  core::error_place_set(core::text_view(l.file), l.line_number);
  return core::report_detail(code, core::text_concat(where, line), false);
}

// A key or relation line for a file the dictionary does not define: the
// dictionary is named too, as the fault is often there (a file cut short).
Status undefined_file(const Loader& l, Text line, int file) {
  core::ArenaScope scope;
  std::string dicc = (l.prefixes.empty() ? std::string() : l.prefixes.back()) + "DICC.DAT";
  if (!l.cut_file.empty()) {
    // The dictionary ends inside a line: the fault is there, and the line
    // that found it is named after it.
    Text detail = core::text_format(1024,
                                    "%s, line %u: the last line has no line end: is the file cut short? "
                                    "(%s, line %u names file %d; %u file%s defined)",
                                    l.cut_file.c_str(), l.cut_line, l.file.c_str(), l.line_number, file,
                                    static_cast<unsigned>(dict_file_count()), dict_file_count() == 1 ? "" : "s");
    core::error_record(core::kRecord, core::Context::LOADFILESTR, core::FILEOUTBOUND, core::FILEOUTBOUND);
    core::error_place_set(core::text_view(l.cut_file), l.cut_line);
    return core::report_detail(core::FILEOUTBOUND, detail, false);
  }
  Text why = core::text_format(600, " (file %d; %s defines %u file%s: is it complete?)", file, dicc.c_str(),
                               static_cast<unsigned>(dict_file_count()), dict_file_count() == 1 ? "" : "s");
  return line_error(l, core::FILEOUTBOUND, core::text_concat(line, why));
}

// Reads a number made of digits (blanks around it allowed); -1 otherwise.
int32_t read_number(Text t) {
  t = core::text_trim(t, core::kTrimBoth);
  if (t.len == 0) return -1;
  int32_t n = 0;
  for (uint16_t i = 0; i < t.len; ++i) {
    if (!digit(t.at(i))) return -1;
    n = n * 10 + (t.at(i) - '0');
  }
  return n;
}

void default_keys_before(uint16_t file) {
  FileItem f;
  for (uint16_t n = 1; n < file && internal::file_item(n, &f); ++n)
    if (f.key_count == 0) static_cast<void>(dict_add_default_key(n));
}

Status load_dictionary(Loader& l, Text prefix);

// 01-30 with "*": NN*location*KKname.
Status file_line(Loader& l, Text line) {
  Text location = core::text_trim(core::list_field(line, '*', 2), core::kTrimBoth);
  Text third = core::list_field(line, '*', 3);
  Text name = core::text_trim(core::text_sub(third, 2, core::kToEnd), core::kTrimBoth);
  if (name.len == 0) return line_error(l, core::SINTAXERROR, line);
  if (core::text_find_char(location, '$', 0, true) != core::kNoPos) {
    Status code = load_dictionary(l, name);
    l.base = static_cast<int>(dict_file_count()) - 1;
    return code;
  }
  if (location.len == 0) location = l.default_location;
  int32_t kind = read_number(core::text_sub(third, 0, 2));
  Status code = dict_add_file(kind < 0 ? 0 : kind, name, location);
  return code == kOk ? kOk : line_error(l, code, line);
}

// 01-30 without "*": width in columns 10-12, type in 14, name from 15.
Status field_line(Loader& l, Text line) {
  int32_t width = read_number(core::text_sub(line, 9, 3));
  uint8_t type = line.at(13);
  Text name = core::text_trim(core::text_sub(line, 14, core::kToEnd), core::kTrimRight);
  if (line.len < 15 || width < 0 || type <= ' ' || name.len == 0)
    return line_error(l, core::SINTAXERROR, line);
  Status code = dict_add_field(name, static_cast<uint16_t>(width), static_cast<char>(type));
  return code == kOk ? kOk : line_error(l, code, line);
}

// 31-60: after "<", groups SSSSLLL, the last character of the line unread.
Status key_line(Loader& l, Text line, int file) {
  if (file < 1 || file > dict_file_count()) return undefined_file(l, line, file);
  uint16_t lt = core::text_find_char(line, '<', 0, true);
  if (lt == core::kNoPos) return line_error(l, core::SINTAXERROR, line);
  KeySegment segments[kMaxSegments];
  int count = 0;
  for (uint32_t at = lt + 1u; count < kMaxSegments && at + 7u + 1u <= line.len; at += 7) {
    int32_t start = read_number(core::text_sub(line, static_cast<int>(at), 4));
    int32_t length = read_number(core::text_sub(line, static_cast<int>(at + 4), 3));
    if (start < 1 || length < 0) return line_error(l, core::SINTAXERROR, line);
    segments[count++] = KeySegment{static_cast<uint16_t>(start - 1), static_cast<uint16_t>(length)};
  }
  if (count == 0) return line_error(l, core::SINTAXERROR, line);
  default_keys_before(static_cast<uint16_t>(file));
  Status code = dict_add_key(static_cast<uint16_t>(file), segments, count);
  return code == kOk ? kOk : line_error(l, code, line);
}

// 61-90: the text after the first ":" joins the file's relation text.
Status relation_line(Loader& l, Text line, int file) {
  if (file < 1 || file > dict_file_count()) return undefined_file(l, line, file);
  uint16_t colon = core::text_find_char(line, ':', 0, true);
  if (colon == core::kNoPos) return kOk;
  Status code = dict_add_relation(static_cast<uint16_t>(file), core::text_sub(line, colon + 1, core::kToEnd));
  return code == kOk ? kOk : line_error(l, code, line);
}

Status read_line(Loader& l, Text line) {
  line = core::text_sub(line, 0, kMaxLine);
  if (line.len < 2 || !digit(line.at(0)) || !digit(line.at(1))) return kOk;
  int nn = (line.at(0) - '0') * 10 + (line.at(1) - '0');
  if (nn < 1 || nn > 90) return kOk;
  int q = (nn - 1) / 30;
  int file = l.base + (nn - 1) % 30 + 1;
  if (q == 1) return key_line(l, line, file);
  if (q == 2) return relation_line(l, line, file);
  if (core::text_find_char(line, '*', 0, true) != core::kNoPos) return file_line(l, line);
  return field_line(l, line);
}

// Whether the open file's last byte ends a line (an empty file does).
bool ends_with_line_end(uint16_t number) {
  int64_t size = core::file_size(number);
  if (size <= 0) return true;
  char last = 0;
  if (core::file_read(number, static_cast<uint32_t>(size - 1), 1, &last, 1) != 1) return true;
  return last == '\n' || last == '\r' || last == '\x1A';
}

// Reads one file line by line; *found tells whether it exists.
Status read_file(Loader& l, Text name, bool* found) {
  core::ArenaScope scope;
  *found = false;
  Text path = paths::path_find_file(l.folder, name);
  if (!path.ok()) return kOk;
  Status number = core::file_open(path, core::kModeReadOnly | core::kModeQuiet);
  if (number >= 128) return kOk;
  *found = true;
  std::string outer_file = l.file;
  uint32_t outer_line = l.line_number;
  l.file.assign(core::text_bytes(name));
  l.line_number = 0;
  Status code = kOk;
  for (;;) {
    core::ArenaScope line_scope;
    Text line = core::file_read_line(number);
    if (!line.ok() && line.len == core::OUTOFMEMORY) continue;
    if (!line.ok()) break;
    ++l.line_number;
    code = read_line(l, line);
    if (code != kOk) break;
  }
  if (code == kOk && l.line_number > 0 && !ends_with_line_end(number)) {
    l.cut_file = l.file;
    l.cut_line = l.line_number;
  } else if (code == kOk) {
    l.cut_file.clear();
  }
  static_cast<void>(core::file_close(number));
  l.file = outer_file;
  l.line_number = outer_line;
  return code;
}

Status load_dictionary(Loader& l, Text prefix) {
  std::string key(core::text_bytes(prefix));
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  });
  if (std::find(l.prefixes.begin(), l.prefixes.end(), key) != l.prefixes.end())
    return line_error(l, core::SINTAXERROR, prefix);
  core::ArenaScope scope;
  Text dicc = core::text_concat(prefix, core::list_field(kDictionaryFiles, ',', 1));
  Text rel = core::text_concat(prefix, core::list_field(kDictionaryFiles, ',', 2));

  l.prefixes.push_back(key);
  l.base = static_cast<int>(dict_file_count());
  bool found = false;
  Status code = read_file(l, dicc, &found);
  if (!found) {
    code = core::error_record(core::kRecord, core::Context::LOADFILESTR, core::FILENOTFOUND,
                              core::FILENOTFOUND);
    core::report_detail(code, dicc, false);
  }
  if (code == kOk) default_keys_before(static_cast<uint16_t>(dict_file_count() + 1));
  if (code == kOk) code = read_file(l, rel, &found);
  l.prefixes.pop_back();
  return code;
}

}  // namespace

Status dict_load(Text prefix, Text folder, Text default_location) {
  for (Text t : {prefix, folder, default_location})
    if (!t.ok()) return core::text_error(t);
  Loader l;
  l.folder = folder;
  l.default_location = default_location;
  return load_dictionary(l, prefix);
}

Status dict_load_application(Text prefix) {
  if (!prefix.ok()) return core::text_error(prefix);
  core::ArenaScope scope;
  // A copy: loading writes the slot store the folder list lives in.
  Text folders = core::text_copy(core::slot_get(core::kGroupEnv, core::kEnvDocPath));
  Text dicc = core::text_concat(prefix, core::list_field(kDictionaryFiles, ',', 1));
  Text first;
  for (uint16_t n = 1; n <= core::list_count(folders, ','); ++n) {
    Text folder =
        core::text_unquote(core::text_trim(core::list_field(folders, ',', n), core::kTrimBoth));
    if (n == 1) first = folder;
    if (paths::path_find_file(folder, dicc).ok()) return dict_load(prefix, folder, Text{});
  }
  return dict_load(prefix, first, Text{});
}

}  // namespace data
