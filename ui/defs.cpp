// Definition files as the window layer reads them.
#include "ui/defs.h"

#include "core/arena.h"
#include "core/files.h"
#include "core/slots.h"
#include "script/eval.h"

namespace ui {

namespace {

constexpr uint16_t kGroupDefStack = 31;

struct KeySet {
  int base;
  Text names;
};

// The parameter sets by base, tested from the highest.
constexpr KeySet kSets[] = {
    {100, "ACCEPT_PRC%,WINNAME$,PROG_MODE$,PARM_FILE$,PARM_FILE_WRITE$,SOURCEFILE%,IMP_MODE%,RD_EXP$,"
          "WR_EXP$,EOT_EXP$,RD_COND$,TARGET$,LOAD_IMPORT$,MNU_IMPORT$,AUTO_IMPORT$,STRUCT$"_t},
    {90, "DEVICE$,DOCNAME$,ACBOUND$,INDEX%,LIMITS$,AUXLOAD$,RESET$,STEPS$,PRCNAME$"_t},
    {70, "ATEND$,BRKEND$,BREAK$,COND$,MAXLINE%,LINESTEP%,TOTALBASE%,CONTINUE%,EXTRASTEP%,TITLE$,WD"_t},
    {50, "FD$,ALARM$,ASSIGN$,LNASSIGN$,FILEDEF$,PERFORM$,UPDFIELDS$,WIDTHS$,TYPES$,WINDOWS$,CLEAR$,"
         "ON_CONFIRM$,ON_CANCEL$,USR_COND$,IK$(1),IK$(2),IK$(3)"_t},
    {30, "NUMCAB$,WRITECAB0$,WRITECABS$,WRITELINS$,FITCLC$,FTCLC$,READLINS$,LNINS$,LNDEL$,ALARMLINS$,"
         "BOUNDS$,DOCTYPETXT$,MODE$,FASTFIND$,FLDUPDATE$,BEGINFLD%,MAXLIN%"_t},
    {10, "SCREENSIZE$,SET$,OPEN$,EDIT$,NOEDIT$,WRITE$,DOC$,DOCSETS$,HELP$,SAVED$,HIDDEN$,RELOPT%,"
         "UNICNDX%,AUTONDX%,KEYMAP%,SCANDEF$,SCANWIN$,SCANSET$,VOIDMODE%"_t},
    {0, "MODULES$,MENU$,CALLER$,SUBMENU$,LOAD$,EXEC$,COUNTER$"_t},
};

Text key_name(int code) {
  for (const KeySet& set : kSets) {
    if (code > set.base) return core::list_field(set.names, ',', static_cast<uint16_t>(code - set.base));
  }
  return Text{};
}

// The number field and content of a line under a layout.
bool split_line(Text line, int layout, int* number, Text* content) {
  int from = 0, count = 0;
  switch (layout) {
    case 1: from = 0; count = 2; *content = core::text_sub(line, 3, core::kToEnd); break;
    case 2:
      from = 1;
      count = 2;
      *content = line.len > 4 ? core::text_sub(line, 3, static_cast<uint16_t>(line.len - 4)) : Text{};
      break;
    case 3: from = 0; count = 4; *content = core::text_sub(line, 5, core::kToEnd); break;
    default: *number = 0; *content = line; return true;
  }
  int n = 0;
  for (int i = from; i < from + count; ++i) {
    uint8_t c = line.at(static_cast<uint32_t>(i));
    if (c == ' ' || c == 0) c = '0';
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  *number = n;
  return true;
}

}  // namespace

Text definition_file_find(Text name) {
  core::ArenaScope scope;
  if (name.empty()) return core::text_copy(Text{});
  if (core::file_exists(name)) return scope.keep(name);
  core::TextArray folders = core::list_split(core::slot_get(core::kGroupEnv, core::kEnvDocPath), ',');
  for (uint16_t i = 1; i <= folders.count; ++i) {
    Text folder = core::text_unquote(core::text_trim(folders.at(i), core::kTrimBoth));
    if (folder.empty()) continue;
    Text path = core::text_join(folder, "/"_t, name);
    if (core::file_exists(path)) return scope.keep(path);
  }
  return core::text_copy(Text{});
}

Status definition_section_lines(Text file, int layout, int section, std::vector<std::string>* lines) {
  core::ArenaScope scope;
  Text path = definition_file_find(file);
  if (path.empty()) return core::FILENOTFOUND;
  Status number = core::file_open(path, core::kModeReadOnly | core::kModeQuiet);
  if (number >= 128) return core::FILENOTFOUND;
  for (;;) {
    core::ArenaScope line_scope;
    Text line = core::file_read_line(number);
    if (!line.ok()) break;
    int n = 0;
    Text content;
    if (split_line(line, layout, &n, &content) && n == section) lines->emplace_back(content.ptr, content.len);
  }
  core::file_close(number);
  return 0;
}

Status definition_section_load(Text file, int layout, int section) {
  std::vector<std::string> lines;
  Status st = definition_section_lines(file, layout, section, &lines);
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : ":") + line;
  Status pushed = definition_section_push(core::text_view(joined.data(), joined.size()));
  return st != 0 ? st : pushed;
}

Status definition_section_push(Text text) { return core::slot_append(kGroupDefStack, text); }

void definition_section_release() { static_cast<void>(core::slot_pop(kGroupDefStack)); }

Text definition_section_current() { return core::slot_last(kGroupDefStack); }

Text definition_key(int code) { return core::param_value(definition_section_current(), key_name(code)); }

Text definition_key_raw(int code, int field) {
  core::ArenaScope scope;
  Text name = key_name(code);
  Text raw = core::param_find(definition_section_current(), name);
  Text value;
  if (raw.ok()) {
    raw = core::text_trim(raw, core::kTrimBoth);
    value = name.len > 0 && name.at(name.len - 1) == '%' ? raw : core::text_unquote(raw);
  } else if (core::text_find_char(name, '(', 0, true) == core::kNoPos) {
    value = script::expr_text(core::text_replace(name, "%"_t, ""_t, true));
    if (!value.ok()) value = Text{};
  }
  if (field > 0) value = core::list_field(value, ',', static_cast<uint16_t>(field));
  return scope.keep(value);
}

int32_t definition_key_number(int code) {
  core::ArenaScope scope;
  Text raw = definition_key_raw(code);
  return raw.empty() ? 0 : script::expr_int(raw);
}

}  // namespace ui
