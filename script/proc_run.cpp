// The run loop: a program counter over the statement table, a return stack
// for GOSUB, the trace file, and the error record of a run that stops.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "script/eval.h"
#include "script/internal/proc_state.h"
#include "script/internal/var_state.h"

namespace script {
namespace {

using core::Context;
using internal::ProcState;

void clear_error_record() { core::error_record(core::kForce, Context::None, 0, 0); }

// Statement numbers count from 1; remarks and labels take none.
unsigned statement_number(uint16_t index) { return unsigned{index} + 1; }

void write_trace(uint16_t index, const Statement& st) {
  Text keyword = statement_keyword(st.code);
  std::string line = std::to_string(statement_number(index));
  line += '\t';
  line.append(keyword.ptr, keyword.len);
  line += ' ';
  line += st.argument;
  line += "\r\n";
  // The trace never fails the procedure it follows.
  (void)core::file_append(core::text_from_c(kTraceFileName), core::text_view(line));
}

// A run that stops with a code records it and names the line in the detail.
Status stop(uint16_t index, const Statement& st, Status code) {
  core::error_record(core::kRecord, Context::ExecRunTime, code, code);
  core::ArenaScope scope;
  Text keyword = statement_keyword(st.code);
  Text argument = core::text_view(st.argument);
  Text line = core::text_format(core::kMaxTextLen, "Line: %u (+ remmarks):\r\n%.*s %.*s",
                                statement_number(index), keyword.len, keyword.ptr, argument.len,
                                argument.ptr);
  if (line.ok()) core::report_detail(code, line, true);
  return code;
}

// A condition holds when expr_cond answers 1; a warning reads as false and
// an error stops the procedure.
Status test_condition(const Statement& st, bool* holds) {
  Status c = expr_cond_bound(&st.binding, core::text_view(st.argument));
  if (c >= 128) return c;
  *holds = c == 1;
  return 0;
}

// Statements that take a moment only (jumps and expressions of the compiled
// form) run this many in a row before the pump is asked again; any other
// statement may take long, and the pump is asked right after it.
constexpr int kQuickStatementsPerPump = 16;

Status run_loop(ProcState& s, const Procedure& p, uint16_t pc) {
  core::ArenaScope scope;
  uint16_t returns[kReturnStackDepth];
  uint16_t depth = 0;
  int until_pump = 0;
  const size_t count = p.statements.size();
  while (pc < count) {
    const uint16_t here = pc;
    const Statement& st = p.statements[here];
    if ((internal::int_word(core::kSwTrace) & core::kTraceProcedures) != 0) write_trace(here, st);
    if (core::arena_mark() != scope.mark()) core::arena_release(scope.mark());
    if (--until_pump <= 0) {
      if (s.pump != nullptr && s.pump()) return stop(here, st, core::CANCELLED);
      until_pump = kQuickStatementsPerPump;
    }
    ++pc;
    Status code = 0;
    bool holds = false;
    // A statement that may take long (anything but a jump or a compiled
    // expression) has the pump asked right after it.
    switch (st.code) {
      case kStExpression:
        code = expr_status_bound(&st.binding, core::text_view(st.argument));
        if (!st.binding.compiled) until_pump = 0;
        break;
      case kStGoto:
      case kStLoop:
      case kStElse:
        pc = st.target;
        break;
      case kStGosub:
        if (depth == kReturnStackDepth) {
          code = core::PRCSTCKERROR;
          break;
        }
        returns[depth++] = pc;
        pc = st.target;
        break;
      case kStCall:
        code = internal::run_call_statement(core::text_view(st.argument));
        until_pump = 0;
        break;
      case kStReturn:
        if (depth == 0) return 0;  // no GOSUB pending: the procedure ends
        pc = returns[--depth];
        break;
      case kStEndif:
      case kStDo:
      case kStDefFn:  // never compiled into the table; named for completeness
        break;
      case kStLoopWhile:
      case kStIfFalse:
      case kStDoUntil:
        code = test_condition(st, &holds);
        if (code == 0 && holds) pc = st.target;
        if (!st.binding.compiled) until_pump = 0;
        break;
      case kStLoopUntil:
      case kStIf:
      case kStIfTrue:
      case kStDoWhile:
        code = test_condition(st, &holds);
        if (code == 0 && !holds) pc = st.target;
        if (!st.binding.compiled) until_pump = 0;
        break;
      case kStLocalVars:
        code = internal::run_localvars_statement(core::text_view(st.argument));
        until_pump = 0;
        break;
      case kStEnd:
        return 0;
      default:
        code = internal::run_handler_statement(st);
        if (code < core::CANCELLED) clear_error_record();
        until_pump = 0;
        break;
    }
    if (code >= core::CANCELLED) return stop(here, st, code);
  }
  return 0;
}

}  // namespace

Status proc_run(uint16_t number, uint16_t start) {
  ProcState* s = internal::proc_state();
  if (s == nullptr) return core::INTERNAL;
  if (number >= s->table.size() || s->table[number] == nullptr) return core::BADFILENUMBER;
  if (s->depth >= kMaxCallDepth)
    return core::error_record(core::kRecord, Context::ExecRunTime, core::PRCSTCKERROR, core::PRCSTCKERROR);
  // The run keeps its procedure alive even if it is unloaded meanwhile.
  std::shared_ptr<const Procedure> p = s->table[number];
  clear_error_record();
  // The outermost run starts a fresh detail, so a stop names only its own lines.
  // Files written by name stay open for the whole run and are closed at its
  // end.
  if (s->depth == 0) {
    core::report_detail(0, Text{}, false);
    core::file_keep_open(true);
  }
  ++s->depth;
  Status st = run_loop(*s, *p, start);
  --s->depth;
  if (s->depth == 0) core::file_keep_open(false);
  return st;
}

}  // namespace script
