// The data layer's answers to the expression language: the data functions
// (FILEFIND, FILEREL, FILELOCATE, FILESEL of a data file, KEY$, IER,
// FN#FLEN of a data file, FN$FLDS of a data field, SQLCHILD's nested
// access), field references NAME{FILE} in expressions, and the positions
// of the data files across local procedure calls: the script layer's hooks
// (script/hooks.h) that the composition root fills with them.
//
// A file named by an application's text that names no file fails the
// expression with FILEOUTBOUND (a number) or FILESOPEN (a name), the name
// as detail; it never stops the runtime.
#pragma once

#include <initializer_list>

#include "script/hooks.h"

namespace data {

using core::Status;
using core::Text;
using script::Value;

// The data functions (a DataFunctionHook).
Status data_function(int number, int argc, const Value* args, Value* out);
// A field reference NAME{FILE} read or written (a FieldHook).
Status field_reference(Text ref, bool write, Value* value, bool* is_text_type);
// The start and the end of a local procedure call (a LocalCallHook): the
// data files' positions are kept and put back.
void local_call(bool begin, bool restore_positions);
// The end of such a call that puts back only the given files (0 is no
// file); the others stay where the call left them.
void local_call_end_restoring(std::initializer_list<uint16_t> files);

}  // namespace data
