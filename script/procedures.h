// Procedures: text files of statements, one per line, compiled once into a
// statement table with resolved jump targets and kept in a table of loaded
// procedures. Named entry points (DEF_FN) are called with arguments. The
// interpreter is a small machine with a program counter and a return stack;
// the flow statements (codes 1 to 18) and expression lines (code 0) run
// here, the statements ACCEPT to SYSTEM (codes 19 to 52) go to a statement
// handler that a higher layer installs.
//
// Source lines, after trimming blanks:
//   empty, or starting with ";", "#" or "/"   a remark: dropped, not counted
//   ":name"                                   a label for the next statement
//   DEF_FN name,name...                       entry names for the next statement
//   KEYWORD argument                          a statement of the keyword list
//   anything else                             an expression line, evaluated whole
// Statements are numbered from 1 in file order; remarks, labels and DEF_FN
// lines take no number, so the trace and error details name the same line
// whatever remarks a file holds.
//
// Jump targets (statement indices, from 0):
//   GOTO, GOSUB             the label's statement
//   IF, IF_TRUE, IF_FALSE   the statement after its ELSE or ENDIF
//   DO, DO_WHILE, DO_UNTIL  the statement after its LOOP / LOOP_WHILE / LOOP_UNTIL
//   ELSE                    the statement after its ENDIF
//   the closers             their opener (LOOP jumps back to re-test it)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "script/variables.h"

namespace script {

// Statement codes: the field number of the keyword in the statement list
// below, so the order is fixed. 0 is an expression line.
enum StatementCode : uint16_t {
  kStExpression = 0,
  kStGoto = 1,
  kStGosub,
  kStCall,
  kStReturn,
  kStEndif,       // 5: the closers run from here...
  kStLoop,
  kStLoopWhile,
  kStLoopUntil,
  kStElse,        // ...to 9; ELSE both closes and opens
  kStIf,          // 10: the openers run from ELSE (9) to DO (15)
  kStIfTrue,
  kStDoWhile,
  kStIfFalse,
  kStDoUntil,
  kStDo,          // 15
  kStDefFn,
  kStLocalVars,
  kStEnd,         // 18: the last statement the interpreter runs itself
  kStAccept = 19, // 19 to 52: handler statements
  kStPrint = 34,
  kStSystem = 52,
};
inline constexpr uint16_t kStatementKeywords = 52;
inline constexpr uint16_t kFirstHandlerStatement = kStAccept;

// "GOTO,GOSUB,CALL,...,SYSTEM": the 52 keywords in code order.
extern const Text kStatementList;
// The keyword of a code (a view; empty for 0 and unknown codes), and the code
// of a keyword (0 when it is not one; compared case-sensitively).
Text statement_keyword(uint16_t code);
uint16_t statement_code(Text keyword);

// Capacities; exceeding any of the first four is OUTOFMEMORY.
inline constexpr uint16_t kMaxLabels = 128;
inline constexpr uint16_t kMaxEntries = 128;
inline constexpr uint16_t kMaxOpenBlocks = 16;
inline constexpr uint32_t kMaxStatements = 65534;    // targets are 16-bit
inline constexpr uint16_t kReturnStackDepth = 64;    // GOSUB deeper: PRCSTCKERROR
// Procedures running inside one another (CALL, EXEC$); deeper: PRCSTCKERROR.
// This keeps a procedure that calls itself from exhausting the machine stack.
inline constexpr uint16_t kMaxCallDepth = 16;
inline constexpr uint16_t kMaxLoadedProcedures = 64; // more: OUTOFMEMORY
inline constexpr uint16_t kMaxCallArguments = 16;    // more: SINTAXERROR

// --- the compiled form -------------------------------------------------------------
namespace compiled {
struct Program;
}

// The evaluator's compiled form of a statement's expression, bound when the
// statement first runs and kept while the number of decimals stays.
struct ExprBinding {
  std::shared_ptr<const compiled::Program> program;
  int8_t precis = -1;
  bool compiled = false;  // its last run went through the compiled form
};

struct Statement {
  uint16_t code = kStExpression;
  uint16_t target = 0;       // statement index, see the table above
  std::string argument;      // the rest of the line, trimmed; the whole line for code 0
  uint32_t source_line = 0;  // the line of the file it was read from (from 1)
  mutable ExprBinding binding;
};

struct NamedIndex {
  std::string name;
  uint16_t index = 0;        // statement index the name stands for
};

struct Procedure {
  std::string file;          // the name it was loaded by
  std::vector<Statement> statements;
  std::vector<NamedIndex> labels;    // at most kMaxLabels
  std::vector<NamedIndex> entries;   // DEF_FN names, at most kMaxEntries
  uint32_t load_order = 0;           // larger = loaded later
};

// Compiles source lines into *out (both passes). 0, or the code with its
// detail set and recorded in context ExecCompiler: SINTAXERROR for a label
// that is not found or a block closed without an opener, OUTOFMEMORY when a
// capacity above is exceeded.
[[nodiscard]] Status proc_compile(const std::vector<std::string>& lines, Procedure* out);

// --- the loaded-procedure table ------------------------------------------------
// Reads `file`, found as definition files are (definition_file_find in
// functions.h), compiles it and adds it to the table; *number
// (may be null) receives its number. FILENOTFOUND with the name as detail
// when the file is missing; a compile error's code; OUTOFMEMORY when the
// table is full. Everything is recorded in context ExecCompiler.
[[nodiscard]] Status proc_load(Text file, uint16_t* number);
// Removes a procedure from the table; a run still going on in it finishes.
// BADFILENUMBER when nothing is loaded under that number.
[[nodiscard]] Status proc_unload(uint16_t number);
// The compiled procedure under a number, or null.
const Procedure* proc_get(uint16_t number);
uint16_t proc_loaded_count();

// Runs a procedure: the arguments (a comma list of expressions, evaluated left
// to right) are pushed on the argument stack; with `local`, a snapshot of the
// variable store is taken; `file`, when given, is loaded; the entry is looked
// up in the most recently loaded procedure that has it (an empty entry with a
// file runs the file from its first statement); the procedure runs; a file
// loaded here is unloaded; with `local`, the variable store is restored.
// The callee must take every argument (LOCALVARS): when the argument stack is
// not back at its size before the call, the result is SINTAXERROR with the
// detail "LOCALVARS". An entry not found: SINTAXERROR with the name as detail.
// Returns 0 or the code that stopped the run.
[[nodiscard]] Status proc_call(Text entry, Text file, Text arguments, bool local);
// The run loop from statement index `start`: 0, or the code that stopped it,
// recorded in context ExecRunTime with "Line: n (+ remmarks):\r\nKEYWORD
// argument" appended to the detail.
[[nodiscard]] Status proc_run(uint16_t number, uint16_t start);

// The runtime's execute hook (EXEC$ of anything but an expression file):
// its target is a call head "entry,file,local" like CALL's, or a bare file
// name run from its first statement; its arguments are the call's argument
// list. EXEC$ then yields the run's status as a number.
Status procedure_execute(Text target, Text arguments, Value* out);

// --- hooks a higher layer fills -------------------------------------------------
// Statement handlers for codes 19 to 52. Each argument arrives with its kind,
// its integer value (a number rounded to an integer and clamped to 32 bits; 0
// for a text) and its text (a number formatted as by number_to_text). The
// texts are valid during the call. 0 or a warning continues the procedure; a
// code of 122 or more stops it.
enum class ArgKind : uint8_t { Number = 0, Text = 1 };
using StatementHandler = Status (*)(uint16_t code, uint16_t argc, const ArgKind* kinds,
                                    const int32_t* integers, const Text* texts);
inline constexpr uint16_t kStatementHandlerSlots = 16;
// Installs (or, with nullptr, removes) the handler of a slot from 0 to 15;
// the lowest non-empty slot is the one used. SINTAXERROR for another slot.
[[nodiscard]] Status statement_handler_set(uint16_t slot, StatementHandler handler);

// Before each statement the run loop lets the window layer process pending
// messages; the hook answers true when the user asked to cancel, and the run
// stops with CANCELLED. Without a hook nothing is ever cancelled.
using PumpHook = bool (*)();
void proc_pump_hook_set(PumpHook hook);

// Calls made with `local`: the data layer hears of their start (begin true)
// and of their end, with `restore` telling it to put back the data-file
// positions it saved during the call (the call ended without an error).
using LocalCallHook = void (*)(bool begin, bool restore);
void proc_local_hook_set(LocalCallHook hook);

// The trace file, written in the working folder while _TRACE has bit 8:
// one line "number\tKEYWORD argument\r\n" per statement executed.
inline constexpr const char* kTraceFileName = "PrcLog.txt";

namespace internal {
struct ProcState;
}

// Owns the loaded procedures, the handler table and the hooks of one
// runtime. Needs a current core::CoreContext and ScriptContext and must be
// destroyed before them. Without a current ProcContext every operation above
// answers INTERNAL.
class ProcContext {
 public:
  ProcContext();
  ~ProcContext();
  ProcContext(const ProcContext&) = delete;
  ProcContext& operator=(const ProcContext&) = delete;

 private:
  std::unique_ptr<internal::ProcState> state_;
  internal::ProcState* previous_ = nullptr;
};

}  // namespace script
