// The procedure compiler: source lines to a statement table in two passes.
// The first pass sorts lines into remarks, labels, entry names and
// statements; the second resolves GOTO and GOSUB targets and matches the
// blocks of conditions and loops.

#include "core/arena.h"
#include "core/errors.h"
#include "script/procedures.h"

namespace script {
namespace {

using core::Context;
using core::operator""_t;

Status compile_error(Status code, Text detail) {
  core::report_detail(code, detail, false);
  return core::error_record(core::kRecord, Context::ExecCompiler, code, code);
}

// The file and line of a statement, for an error found at it.
void place(const Procedure& p, const Statement& st) {
  core::error_place_set(core::text_view(p.file), st.source_line);
}

bool is_blank(uint8_t c) { return c == ' ' || c == '\t'; }

// A DEF_FN list or a label gives names for the statement that comes next.
Status add_names(Text list, uint16_t next, uint16_t limit, std::vector<NamedIndex>* to) {
  uint16_t count = core::list_count(list, ',');
  for (uint16_t n = 1; n <= count; ++n) {
    Text name = core::text_trim(core::list_field(list, ',', n), core::kTrimBoth);
    if (name.len == 0) continue;
    if (to->size() >= limit) return compile_error(core::OUTOFMEMORY, name);
    to->push_back(NamedIndex{std::string(name.ptr, name.len), next});
  }
  return 0;
}

// line -> remark | ":" label | DEF_FN names | KEYWORD [argument] | expression
Status read_line(Text raw, uint32_t source_line, Procedure* p) {
  Text line = core::text_trim(raw, core::kTrimBoth);
  if (line.len == 0) return 0;
  uint8_t first = line.at(0);
  if (first == ';' || first == '#' || first == '/') return 0;
  if (p->statements.size() >= kMaxStatements) return compile_error(core::OUTOFMEMORY, line);
  const auto next = static_cast<uint16_t>(p->statements.size());
  if (first == ':') {
    Text name = core::text_trim(core::text_sub(line, 1, core::kToEnd), core::kTrimBoth);
    if (p->labels.size() >= kMaxLabels) return compile_error(core::OUTOFMEMORY, name);
    p->labels.push_back(NamedIndex{std::string(name.ptr, name.len), next});
    return 0;
  }
  uint16_t cut = 0;
  while (cut < line.len && !is_blank(line.at(cut))) ++cut;
  uint16_t code = statement_code(Text{line.ptr, cut});
  Text argument = code == kStExpression
                      ? line
                      : core::text_trim(core::text_sub(line, cut, core::kToEnd), core::kTrimBoth);
  if (code == kStDefFn) return add_names(argument, next, kMaxEntries, &p->entries);
  p->statements.push_back(Statement{code, 0, std::string(argument.ptr, argument.len), source_line});
  return 0;
}

const NamedIndex* find_label(const Procedure& p, const std::string& name) {
  for (const NamedIndex& label : p.labels)
    if (label.name == name) return &label;
  return nullptr;
}

// Resolves jumps: labels for GOTO and GOSUB, openers and closers of blocks.
Status link(Procedure* p) {
  uint16_t open[kMaxOpenBlocks];
  uint16_t depth = 0;
  for (size_t k = 0; k < p->statements.size(); ++k) {
    const auto i = static_cast<uint16_t>(k);
    Statement& st = p->statements[k];
    const uint16_t number = i + 1;
    if (st.code == kStGoto || st.code == kStGosub) {
      const NamedIndex* label = find_label(*p, st.argument);
      if (label == nullptr) {
        core::ArenaScope scope;
        place(*p, st);
        Text arg = core::text_view(st.argument);
        return compile_error(core::SINTAXERROR,
                             core::text_format(core::kMaxTextLen,
                                               "\r\nLabel '%.*s' in line %u (+ remmarks) not found",
                                               arg.len, arg.ptr, unsigned{number}));
      }
      st.target = label->index;
    }
    // ELSE closes the IF block and opens the one its ENDIF closes.
    if (st.code >= kStEndif && st.code <= kStElse) {
      if (depth == 0) {
        core::ArenaScope scope;
        place(*p, st);
        return compile_error(core::SINTAXERROR,
                             core::text_format(core::kMaxTextLen,
                                               "\r\nFinal of Conditional or loop without \r\n"
                                               "Begin (Loop, Endif...) in line %u (+ remmarks)",
                                               unsigned{number}));
      }
      uint16_t opener = open[--depth];
      p->statements[opener].target = i + 1;
      st.target = opener;
    }
    if (st.code >= kStElse && st.code <= kStDo) {
      if (depth == kMaxOpenBlocks) return compile_error(core::OUTOFMEMORY, core::text_view(st.argument));
      open[depth++] = i;
    }
  }
  // A block left open at the end of the file is an error: a procedure cut
  // short (a file written only in part) would otherwise run its loop once
  // and leave half a result without a word.
  if (depth > 0) {
    core::ArenaScope scope;
    place(*p, p->statements[open[depth - 1]]);
    return compile_error(core::SINTAXERROR,
                         core::text_format(core::kMaxTextLen,
                                           "\r\nConditional or loop of line %u (+ remmarks) without its "
                                           "end (Loop, Endif...)",
                                           unsigned{static_cast<unsigned>(open[depth - 1] + 1)}));
  }
  return 0;
}

}  // namespace

const Text kStatementList =
    "GOTO,GOSUB,CALL,RETURN,ENDIF,LOOP,LOOP_WHILE,LOOP_UNTIL,ELSE,IF,IF_TRUE,DO_WHILE,IF_FALSE,"
    "DO_UNTIL,DO,DEF_FN,LOCALVARS,END,ACCEPT,BOUNDS,COLOR,CONNECT,DEVICE,DLOCATE,DPRINT,ENDDEVICE,"
    "EXPORT,FILESELECT,IMPORT,KILL,LOADSTRUCT,LOCATE,MENSJE,PRINT,SHELL,READ,REMOTE,REPORT,"
    "DOCPRINT,WAIT,WINMENU,WINOPEN,WINCLOSE,WINSELECT,WINPROG,RC_DELETE,RC_INSERT,RC_UPDATE,"
    "RC_WRITE,FILESTRUCT,FILESCAN,SYSTEM"_t;

Text statement_keyword(uint16_t code) {
  if (code == 0 || code > kStatementKeywords) return Text{};
  return core::list_field(kStatementList, ',', code);
}

uint16_t statement_code(Text keyword) {
  if (keyword.empty()) return 0;
  return core::list_index(kStatementList, ',', keyword);
}

Status proc_compile(const std::vector<std::string>& lines, Procedure* out) {
  out->statements.clear();
  out->labels.clear();
  out->entries.clear();
  for (size_t i = 0; i < lines.size(); ++i) {
    Status st = read_line(core::text_view(lines[i]), static_cast<uint32_t>(i + 1), out);
    if (st != 0) return st;
  }
  return link(out);
}

}  // namespace script
