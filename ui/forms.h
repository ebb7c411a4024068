// Accept forms: a column of labelled edit fields built from a one-line field
// list, an "Ok" button, and the application's expressions for defaults,
// computed fields (ASSIGN$, computed when a field is left and at F2), checks
// and the actions run on confirm and on cancel.
//
// A field list: fields separated by ",", parts by ":" (a field holding
// exactly one ":" and two or more ";" reads every ";" as ":"), each part an
// expression (a quoted text is a literal):
//   1 label ("{row,column}" in front places the field; the text after the
//     last "}" is shown)
//   2 type letter and width ("A30"; a digit type "26" is two decimals, width 6)
//   3 the variable that receives the value (the label names the field when empty)
//   4 the default (when empty: the value entered in this same form last time)
//   5 an assignment target run on confirm
// "/ROW" and "/COL" with one separator character and a number place a field.
// The text after the first " /" is the form's definition section (FD$,
// ON_CONFIRM$, ON_CANCEL$, HELP$, NOEDIT$, WRITE$, KEYMAP%, BEGINFLD% ...).
#pragma once

#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "ui/windows.h"

namespace ui {

struct FormField {
  std::string parts[5];   // as written, trimmed
  std::string label;      // shown
  int row = 0;            // an explicit place (0: the form places it)
  int column = 0;
  char type = 'A';        // P stays P (hidden characters)
  int width = 0;
  std::string variable;   // bound by the completed FD$ list
  int comparison = 0;     // a limit field's comparison (1 to 6 of "==,>,>=,<,<=,<>")
};

struct FieldList {
  std::vector<FormField> fields;
  std::string options;    // the text after the first " /"
};

// Parses a field list: parts split, labels and types evaluated, places read.
// SINTAXERROR for a field with more than five parts.
[[nodiscard]] Status form_parse(Text list, FieldList* out);
// The FD$ list completed with "_SCRF%s$" (types A, B, C, D, F, P) or
// "_SCRF%s#" (the others) for the fields it does not name.
std::string form_fd_complete(Text fd, const std::vector<FormField>& fields);

// Flags of a form run.
inline constexpr int kFormTrim = 1;         // text values trimmed at the right
inline constexpr int kFormTargets = 2;      // part 3 is also a target (not for limit fields)
inline constexpr int kFormSizeToFields = 0x40;
inline constexpr int kFormOneRow = 0x80;    // no labels, the fields side by side
inline constexpr int kFormCancelButton = 0x100;  // a Cancel button beside Ok

struct FormRequest {
  Text title;
  Text fields;
  int flags = 0;
  std::vector<int> comparisons;   // per field, for limit fields (0: not one)
};

// How a form ended: on confirm code is 0 (or the collection's error); a
// form left by Esc, the close button or a key that does not confirm gives
// CANCELLED. form_code is the form's own code (24 Esc, 4 close, 0 confirm,
// or what the third function or ON_CONFIRM$/ON_CANCEL$ gave); end_action
// the action that ended it.
struct FormResult {
  Status code = 0;
  int form_code = 0;
  int end_action = 0;
  std::string values;       // 'value','value',... as stored in slot 7 of group 9
  std::string condition;    // the limit fields' condition (slot 1 of group 9)
};
inline constexpr int kFormEndEscape = 24;
inline constexpr int kFormEndClose = 4;

// Shows the form modally and collects its results. NOGRAPHICS when the
// window does not fit (the text of error 185 pending).
[[nodiscard]] Status form_run(const FormRequest& request, FormResult* result);

// The value of item n (from 1) of the last form's values, unquoted.
Text form_last_value(int n);

// AcceptRun: the argument names a parameter file and a section ("FILE,3");
// the section's ACBOUND$ is the field list and WINNAME$ the title; on
// confirm the process function numbered ACCEPT_PRC% gets the values.
// NOVALUE with the detail "ACBOUND$" for a section without a field list.
[[nodiscard]] Status accept_run(Text argument);

// Numbered process functions the application registers (1 to 63): the
// function AcceptRun calls, and 22, the forms' help.
inline constexpr int kProcessFunctions = 64;
inline constexpr int kProcessHelp = 22;
using ProcessFunction = Status (*)(Text argument);
void process_function_set(int number, ProcessFunction function);
ProcessFunction process_function(int number);

// A field list of one field per variable of a comma list: the label, the
// type ("A511" for text variables, "A32" for the others), the variable, and
// its value as default; with a parameter number, FN$PARM of the value.
Text form_generate(Text names, int parameter);

}  // namespace ui
