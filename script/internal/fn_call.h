// Internal to the built-in functions: one call with its arguments, the
// argument readers every function uses, and the functions of each subject
// file. Not part of the public interface.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"
#include "script/functions.h"
#include "script/variables.h"

namespace script::fn {

using core::Status;
using core::Text;

// One call as dispatched. Evaluated arguments are views into the argument
// stack (group 35 of the slot store): they stay valid until the next write
// to the slot store, so a function that evaluates expressions, calls a hook
// or touches files or slots calls pin() first, which copies them onto the
// arena. raw holds the unevaluated argument texts (views into the caller's
// expression), for the functions that take expressions rather than values.
struct Call {
  int number = 0;
  Text name{};
  int argc = 0;
  Value arg[kMaxArguments];
  bool present[kMaxArguments] = {};  // false for an empty argument: take the default
  Text raw[kMaxArguments];
  Text all{};                        // the whole argument text
  Text rest{};                       // the caller's expression after the ")"
  uint16_t* consumed = nullptr;      // how much of rest the function used

  bool has(int i) const { return i < argc && present[i]; }
  bool is_text(int i) const { return has(i) && arg[i].is_text(); }
  // The argument as text; a number is formatted (an arena copy).
  Text text(int i, Text fallback = Text{}) const;
  // The argument as a scaled number; a text is read as a number literal.
  int64_t scaled(int i, int64_t fallback = 0) const;
  // The integer value: a number rounded, a text read as a number ("YES" and
  // the other truth words give 1).
  int64_t integer(int i, int64_t fallback = 0) const;
  // Copies the text arguments onto the arena; 0 or OUTOFMEMORY.
  [[nodiscard]] Status pin();
};

// The next argument of an argument text from *pos (";" outside quotes and
// parentheses ends it); *pos then lies past the ";", or beyond args.len
// after the last argument.
Text next_argument(Text args, uint32_t* pos);

// Integers handed to the core's 16-bit interfaces, clipped to their range.
int clip(int64_t v, int lo, int hi);

// The end of the expression at the start of `s`: the first "," or ";" outside
// quotes and parentheses, or s.len.
uint16_t expression_end(Text s);

// The hooks of functions.h, for the subject files.
Status call_data_hook(const Call& c, Value* out);
Status call_execute_hook(Text target, Text arguments, Value* out);
// NOVALUE (or FEATUREREMOVED) with the function's name as detail.
Status missing_handler(Status code, Text what);
SettingsSaver settings_saver();

// --- functions_text.cpp ------------------------------------------------------
Status fn_slen(Call& c, Value* out);
Status fn_nparm(Call& c, Value* out);
Status fn_chng(Call& c, Value* out);
Status fn_chrs(Call& c, Value* out);
Status fn_mids(Call& c, Value* out);
Status fn_parm(Call& c, Value* out);
Status fn_trim(Call& c, Value* out);
Status fn_envelop(Call& c, Value* out);
Status fn_flds(Call& c, Value* out);

// --- functions_flow.cpp ------------------------------------------------------
Status fn_work_array(Call& c, Value* out);
Status fn_acum(Call& c, Value* out);
Status fn_check(Call& c, Value* out, bool text_result);
Status fn_exp(Call& c, Value* out);
Status fn_exec(Call& c, Value* out);
Status fn_macro(Call& c, Value* out);
Status fn_sqlchild(Call& c, Value* out);
// The _# element named by (name-or-number; offset): -1 when it names none.
Status work_array_element(const Call& c, int64_t* element);
Status work_array_store(int64_t element, const Value& value);

// --- functions_env.cpp -------------------------------------------------------
Status fn_slot(Call& c, Value* out);
Status fn_envron(Call& c, Value* out);
Status fn_read(Call& c, Value* out);
Status fn_write(Call& c, Value* out);
Status fn_filesel(Call& c, Value* out);
Status fn_flen(Call& c, Value* out);
Status fn_sort(Call& c, Value* out);

// --- functions_dates.cpp -----------------------------------------------------
Status fn_valn(Call& c, Value* out);
Status fn_date(Call& c, Value* out);
Status fn_mask(Call& c, Value* out);
Status fn_time(Call& c, Value* out);

// --- functions_settings.cpp --------------------------------------------------
// Saves the listed variables into the settings file and runs it again.
Status settings_save(Text file, Text names);

}  // namespace script::fn
