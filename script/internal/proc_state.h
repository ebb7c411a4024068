// State of the procedure layer, owned by the current ProcContext, and the
// pieces its files share. Only the procedure files include this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace script::internal {

// A number pushed on the argument stack: the stack holds its text, which is
// what the application sees through _$(.fnparm), and this record its exact
// value, so LOCALVARS stores it without re-reading the text (an integer
// variable then gets it rounded, as an assignment would). The text tells
// whether the slot still holds that number after others used the stack.
struct StackedNumber {
  uint16_t slot = 0;     // its slot in the argument group
  int64_t value = 0;
  std::string text;
};

struct ProcState {
  std::vector<std::shared_ptr<Procedure>> table;  // by number; null = free
  uint32_t load_counter = 0;
  StatementHandler handlers[kStatementHandlerSlots] = {};
  PumpHook pump = nullptr;
  LocalCallHook local_hook = nullptr;

  uint16_t depth = 0;          // runs in progress, one inside the other
  // LOCALVARS pops no lower than this: the first slot of the current call's
  // arguments (0 for a run not started by proc_call).
  uint16_t argument_floor = 0;
  std::vector<StackedNumber> stacked_numbers;
};

ProcState* proc_state();

// Asks the window layer's pump hook whether the user cancelled; false when
// no hook is installed. Long loops inside one expression call it too.
bool pump_cancelled();

// Splits a comma list of expressions at the commas outside quotes and
// parentheses (a sub-expression may hold a comma of its own). Empty text
// gives no items; more than kMaxCallArguments gives SINTAXERROR.
[[nodiscard]] Status split_arguments(Text list, std::vector<Text>* items);

// Evaluates the argument list and pushes each value on the argument stack.
// On failure the stack is left as it was.
[[nodiscard]] Status push_arguments(Text list);
// Pops the argument stack back to `count` slots, with their number records.
void cut_arguments(uint16_t count);
// The top argument as a value (a text is a copy on the arena), popped.
// SINTAXERROR with the detail "LOCALVARS" when the top is at the floor.
[[nodiscard]] Status pop_argument(Value* out);

// The handler statement at a statement index: arguments evaluated and handed
// to the installed handler. Returns its status (FEATUREREMOVED without one).
[[nodiscard]] Status run_handler_statement(const Statement& st);

// The CALL and LOCALVARS statements.
[[nodiscard]] Status run_call_statement(Text argument);
[[nodiscard]] Status run_localvars_statement(Text names);

}  // namespace script::internal
