// Built-in functions of the expression language. The function list is slot
// 8 of group 0 when the application installs one, else the built-in list of
// 33 names; a function's number is its field number there.
//
// Arguments are separated by ";" (outside quotes and parentheses), at most
// 16, evaluated left to right and pushed on the argument stack (group 35 of
// the slot store) with their type; the stack is popped back after the call.
// An empty argument takes the function's default. Integer arguments take the
// integer value of a number (a text is read as a number); text arguments
// take a number formatted as by number_to_text.
//
// Results: a text on the arena, or a number value. A data status below 128
// is the number of that code; codes from 128 fail the call and the
// expression.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"
#include "script/variables.h"

namespace script {

inline constexpr uint16_t kBuiltinFunctions = 33;
inline constexpr uint16_t kMaxArguments = 16;

// The numbers of the built-in list. The order is fixed: a number is the
// function's field number in the list.
enum FunctionNumber : int {
  kFnWorkArray = 1,  // _#
  kFnFlen,           // FN#FLEN
  kFnSlen,           // FN#SLEN
  kFnNParm,          // FN#PARM
  kFnValn,           // FN#VALN
  kFnAcum,           // FN#ACUM
  kFnCheckNumber,    // CHK#
  kFnFileFind,
  kFnFileRel,
  kFnFileLocate,
  kFnFileSel,
  kFnChng,           // FN$CHNG
  kFnChrs,           // FN$CHRS
  kFnDate,           // FN$DATE
  kFnFlds,           // FN$FLDS
  kFnMask,           // FN$MASK
  kFnMids,           // FN$MIDS
  kFnParm,           // FN$PARM
  kFnTrim,           // FN$TRIM
  kFnEnvelop,        // ENVELOP$
  kFnCheckText,      // CHK$
  kFnSort,           // SORT$
  kFnExec,           // EXEC$
  kFnRead,           // READ$
  kFnWrite,          // WRITE
  kFnMacro,          // MACRO$
  kFnEnvron,         // ENVRON$
  kFnSlot,           // _$
  kFnKey,            // KEY$
  kFnTime,           // TIME$
  kFnIer,            // IER
  kFnExp,            // EXP$
  kFnSqlChild,       // SQLCHILD
};

// The function's number, 0 when the name is not in the list.
int function_number(Text name);
// Evaluates the arguments (args is the text between the parentheses; the
// evaluator hands the rest of its expression after the call to the few
// functions that consume it), checks their count, runs the function and
// fills *out (texts on the arena). *consumed tells how much of `rest` the
// function used (CHK#, CHK$, EXP$). Returns 0, a warning below 128, or the
// error code.
Status function_call(int number, Text name, Text args, Text rest, Value* out, uint16_t* consumed);
// Assignment to a call, "_#(i)=value": stores into the work array (defined
// with 256 elements, or as many as the index needs, on the first store).
// Any other function is not a place: SINTAXERROR.
Status function_assign(int number, Text name, Text args, const Value& value);

// Functions that reach into data files (FILEFIND, FILEREL, FILELOCATE,
// FILESEL of a data file, KEY$, IER, FN#FLEN of a data file, FN$FLDS of a
// data field, SQLCHILD's nested access) and SORT$ are served by the data and
// report layers through this hook. Without one they fail with NOVALUE and a
// detail naming the function.
//
// The hook gets the evaluated arguments (an empty argument as an empty text;
// FN$FLDS gets the field reference as written). It fills *out and returns 0,
// a status below 128 or an error. For the functions whose result is a number
// a status below 128 becomes that number. SQLCHILD calls it twice: with the
// one argument 1 after raising _SQLSTK (enter the child level), and with 0
// after the nested work, before lowering it again (leave).
using DataFunctionHook = Status (*)(int number, int argc, const Value* args, Value* out);
void data_function_hook_set(DataFunctionHook hook);

// The application's function handler (names beyond field 33 of an installed
// list) and execute handler (EXEC$ of anything but an expression file).
// Without them: FEATUREREMOVED.
using AppFunctionHook = Status (*)(int number, Text name, int argc, const Value* args, Value* out);
void app_function_hook_set(AppFunctionHook hook);
using ExecuteHook = Status (*)(Text target, Text arguments, Value* out);
void execute_hook_set(ExecuteHook hook);

// MACRO$'s expander, installed by the application shell: the text with its
// macros expanded under the flags (with flag 4 against the list), as an
// arena text or an error value. Without one the text stays as written; the
// flags MACRO$ handles itself (8: trim and evaluate) still apply.
using MacroExpander = Text (*)(Text text, int flags, Text list);
void macro_expander_set(MacroExpander expander);
// The text through the installed expander, or unchanged without one.
Text macro_expand(Text text, int flags, Text list);

// Definition files (procedures, expression files of EXEC$, settings files)
// by name: the path to open, or the empty text when the file is nowhere.
// The shell's definitions layer installs its own finder (its folder list,
// language variants); without one a name that gives a folder is used as it
// is, and a bare name is looked for in each folder of the comma list in
// slot 5 of group 0 in turn (in the working folder when that slot is
// empty). "\" in names is read as "/".
using DefinitionFinder = Text (*)(Text name);
void definition_finder_set(DefinitionFinder finder);
Text definition_file_find(Text name);

// WRITE(name; -2; names) saves the listed variables into a settings file.
// The definition-file layer may take this over; without it the functions
// module rewrites the file itself (see settings_save in functions_settings).
using SettingsSaver = Status (*)(Text file, Text names);
void settings_saver_set(SettingsSaver saver);
// The functions module's own saver, for a saver that finds the file its own
// way and leaves the rewriting to it: `file` is used as given when it exists
// or names a folder.
[[nodiscard]] Status settings_file_save(Text file, Text names);

}  // namespace script
