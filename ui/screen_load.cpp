// Screens from definition files: parameters from the PPN section, labels
// and fields from the PAN section of the same number.
#include "core/arena.h"
#include "core/errors.h"
#include "definitions/definitions.h"
#include "paths/paths.h"
#include "ui/defs.h"
#include "ui/internal/state.h"

namespace ui {

namespace {

constexpr int kLayoutParams = 1;
constexpr int kLayoutScreen = 2;

// A decimal number at a place of a line; false when a byte is no digit
// (blanks count as 0).
bool number_at(Text line, int from, int count, int* out) {
  int n = 0;
  for (int i = from; i < from + count; ++i) {
    if (i >= line.len) return false;
    uint8_t c = line.at(static_cast<uint32_t>(i));
    if (c == ' ') c = '0';
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  *out = n;
  return true;
}

// The name with the extension of a file type: "SCREENS.PPN" and
// "SCREENS" both give "SCREENS.PAN".
Text with_type(Text name, uint16_t type) {
  if (defs::def_file_type(name) != 0) name = paths::path_split(name, paths::kPartDrive | paths::kPartFolder | paths::kPartBase);
  return defs::def_name_with_type(name, type);
}

}  // namespace

Status screen_parse_line(Text line, Screen* screen) {
  uint8_t kind = line.at(0);
  int row = 0, column = 0;
  if ((kind != '0' && kind != '1') || !number_at(line, 1, 2, &row) || !number_at(line, 3, 2, &column)) {
    return core::BADDATA;
  }
  if (kind == '0') {
    Text text = core::text_sub(line, 5, core::kToEnd);
    if (row == 1 && column == 1 && text.len >= 3 && core::text_equal(core::text_sub(text, 0, 3), "<?>"_t)) {
      screen->directives.emplace_back(text.ptr, text.len);
    } else {
      screen->labels.push_back({row, column, std::string(text.ptr, text.len)});
    }
    return 0;
  }
  ScreenField f;
  f.row = row;
  f.column = column;
  if (!number_at(line, 5, 2, &f.extra1) || !number_at(line, 7, 2, &f.extra2) || !number_at(line, 9, 2, &f.width) ||
      line.len < 12) {
    return core::BADDATA;
  }
  f.type = static_cast<char>(line.at(11));
  if (f.type >= 'a' && f.type <= 'z') f.type = static_cast<char>(f.type - 'a' + 'A');
  screen->fields.push_back(f);
  return 0;
}

void screen_apply_params(Screen* screen, Text params) {
  screen->params.assign(params.ok() ? params.ptr : "", params.ok() ? params.len : 0);
  if (definition_section_push(params) != 0) return;
  core::ArenaScope scope;
  Text size = defs::def_key_raw(defs::kKeyScreenSize);
  if (!size.empty()) {
    screen->columns = core::list_field_int(size, ',', 1);
    screen->rows = core::list_field_int(size, ',', 2);
    if (core::list_count(size, ',') > 2) {
      screen->margins = {core::list_field_int(size, ',', 3), core::list_field_int(size, ',', 4),
                         core::list_field_int(size, ',', 5), core::list_field_int(size, ',', 6)};
    }
  }
  screen->keymap = defs::def_key_raw_number(defs::kKeyKeyMap) == 1 ? 1 : 0;
  int begin = defs::def_key_raw_number(defs::kKeyBeginFld);
  if (begin > 0) screen->begin_field = begin;
  screen->autondx = defs::def_key_raw_number(defs::kKeyAutoNdx);
  screen->unicndx = defs::def_key_raw_number(defs::kKeyUnicNdx);
  screen->relopt = defs::def_key_raw_number(defs::kKeyRelOpt);
  Text fd = defs::def_key_raw(defs::kKeyFd);
  for (size_t i = 0; i < screen->fields.size(); ++i) {
    Text name = core::text_trim(core::list_field(fd, ',', static_cast<uint16_t>(i + 1)), core::kTrimBoth);
    if (!name.empty()) screen->fields[i].variable.assign(name.ptr, name.len);
  }
  Text noedit = defs::def_key_raw(defs::kKeyNoEdit);
  for (ScreenField& f : screen->fields) {
    if (!f.variable.empty() &&
        core::list_index(noedit, ',', core::text_view(f.variable.data(), f.variable.size())) != 0) {
      f.read_only = true;
    }
  }
  static_cast<void>(defs::def_section_release());
}

Status screen_load(Text file, int section, bool allow_missing_pan, int* index) {
  *index = -1;
  core::ArenaScope scope;
  Screen screen;
  screen.file.assign(file.ok() ? file.ptr : "", file.ok() ? file.len : 0);
  screen.section = section;
  std::vector<std::string> lines;
  Status st = definition_section_lines(with_type(file, defs::kFtParams), kLayoutParams, section, &lines);
  if (st != 0) return core::error_record(core::kRecord, core::Context::Screen, st, st);
  std::vector<std::string> items;
  st = definition_section_lines(with_type(file, defs::kFtScreen), kLayoutScreen, section, &items);
  if (st != 0 && !allow_missing_pan) {
    // A reading that named the line it refused keeps that detail.
    if (core::error_place().line == 0) core::report_detail(st, with_type(file, defs::kFtScreen), false);
    return core::error_record(core::kRecord, core::Context::Screen, st, st);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string& item = items[i];
    if (screen_parse_line(core::text_view(item.data(), item.size()), &screen) != 0) {
      // The author is told the file, the line and what stands there.
      Text pan = with_type(file, defs::kFtScreen);
      uint32_t line = defs::def_section_line(pan, kLayoutScreen, section, static_cast<uint32_t>(i));
      core::error_place_set(pan, line);
      core::report_detail(core::BADDATA,
                          core::text_format(1024, "%s, line %u: not a label or field line of screen %d: \"%.*s\"",
                                            core::text_cstr(pan), line, section, static_cast<int>(item.size()),
                                            item.data()),
                          false);
      return core::error_record(core::kRecord, core::Context::Screen, core::BADDATA, core::BADDATA);
    }
  }
  std::string params;
  for (const std::string& line : lines) params += (params.empty() ? "" : ":") + line;
  screen_apply_params(&screen, core::text_view(params.data(), params.size()));
  *index = screen_add(std::move(screen));
  return 0;
}

}  // namespace ui
