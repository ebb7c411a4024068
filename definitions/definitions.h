// Definition files and parameter sets.
//
// Applications are plain text definition files in the definition folders
// (slot 5 of group 0, one folder or a comma list). A file is read line by
// line; each line carries a section number at a fixed place (its layout)
// and a content part. Loading a section pushes the contents of its lines,
// joined with ":", on the definition stack (group 31 of the slot store);
// the top is the current section, and windows, reports and forms read their
// keys from it by numeric code:
//
//   01 FD$=CLIENTES:ASSIGN$=',A'        (layout 1: number in columns 1-2)
//   01 EDIT$='NOMBRE,DIREC'
//
// Keys are found as keyed parameters are (core::param_find): the name
// followed by ":" wherever it stands, else by "=", at the start or after
// ":", a blank, "&" or "/", outside quotes.
//
// Settings files hold assignments ("NAME='value';COUNT=3"), one statement a
// line or several separated by ";", run by the expression evaluator.
//
// Every operation answers the runtime's codes; a file that is malformed,
// binary, truncated or too large gives a code, never a fault.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace defs {

using core::Status;
using core::Text;
using core::operator""_t;

// --- file types ------------------------------------------------------------------
// Positions in the type list; the order is fixed. DAT stands twice: data
// files (4) and the dictionary's structure files (5).
extern const Text kFileTypes;  // "PPN,PAN,STP,DAT,DAT,PDC,PRX,QVA,PMT,PDF,TXT,PDI,HLP"
enum FileType : uint16_t {
  kFtParams = 1,  // PPN: screens, forms, reports, menus of the second format, the font list
  kFtScreen,      // PAN: screen files, layout 2
  kFtStp,
  kFtData,       // DAT
  kFtStructure,  // DAT: dictionary files
  kFtTemplate,   // PDC: print templates
  kFtProcedure,  // PRX
  kFtAppSelect,  // QVA
  kFtMenu,       // PMT
  kFtPdf,
  kFtText,
  kFtPdi,
  kFtHelp,  // HLP
};
// The position of the name's extension (upper-cased) in the list, the first
// match; 0 without an extension or for one not listed.
uint16_t def_file_type(Text name);
// The name with "." and the type's extension appended when it has no
// extension of its own; as it is otherwise, or for a type outside the list.
Text def_name_with_type(Text name, uint16_t type);
// The path of a definition file: the name (typed as above) as given, else in
// each definition folder in turn, in any letter case. Empty when missing.
Text def_file_find(Text name, uint16_t type);

// --- line layouts --------------------------------------------------------------
// Where the section number and the content stand in a line (columns from 1):
//   0  no number (section 0), the whole line
//   1  number 1-2, content from column 4         (parameter files, help)
//   2  number 2-3, content from column 4 up to the last character but one
//   3  number 1-4, content from column 6         (help of over 100 topics)
//   4  number 1-2, content from column 3         (relational updates)
//   5  no number, the whole line
//   6  number 1-5, the whole line, number included
inline constexpr int kLayoutCount = 7;
struct LineParts {
  int32_t section = 0;  // blanks and missing columns read as "0"
  Text content;         // a view into the line
};
// NOVALUE for a layout outside 0-6 (parts unchanged).
[[nodiscard]] Status def_line_parts(Text line, int layout, LineParts* parts);

// The next line of an open file, without its end: 0 and *line; DISKIO at
// the end of the file; STRINGTOOLONG for a line too long for the scratch
// arena (it is skipped, so reading can go on), else the file layer's code.
[[nodiscard]] Status def_read_line(uint16_t number, Text* line);

// --- sections --------------------------------------------------------------------
inline constexpr int32_t kNoFile = -1;
// Reads the lines of `section` and appends their contents, in file order, to
// the line queue (group 37) behind what it already holds; *count receives
// how many. The file is opened as given, else (a name with no folder part)
// found in the definition folders. kNoFile when it cannot be opened; else 0
// or a code of 128 or more (the queue is then as it was before): NOVALUE for
// a bad layout, STRINGTOOLONG for a line too long to read, the slot store's
// STROUTBOUND when the queue is full; recorded in context LOADFILESTR with
// the file name as detail.
[[nodiscard]] int32_t def_section_queue(Text file, int layout, int32_t section, uint16_t* count);
// Loads a section: its contents joined with ":" pushed on the definition
// stack. 0, kNoFile (nothing pushed), or a code as above (nothing pushed;
// STRINGTOOLONG also when the joined text passes 65,535 bytes).
[[nodiscard]] int32_t def_section_load(Text file, int layout, int32_t section);
// The same, but a file that cannot be opened pushes an empty section, so
// that every load can be matched by one release. 0 or a code of 128 or more.
[[nodiscard]] int32_t def_section_load_or_empty(Text file, int layout, int32_t section);
// The number of lines of the section, or kNoFile, or a code.
[[nodiscard]] int32_t def_section_count(Text file, int layout, int32_t section);
// Where the section's line `index` (from 0) lies in the file: its line
// number from 1; 0 when the section has no such line or the file cannot be
// read. For errors that name the line of what a loader refused.
uint32_t def_section_line(Text file, int layout, int32_t section, uint32_t index);
// Pops the definition stack. STROUTBOUND when it is empty.
[[nodiscard]] Status def_section_release();
// The current section (the top of the stack; empty when there is none): a
// view into the slot store, valid until its next write.
Text def_section_current();

// --- parameter-set keys ----------------------------------------------------------
// A key's code selects its set by range and its name by position: the first
// set whose base is not above the code, testing 100, 90, 70, 50, 30, 10, 0,
// gives field (code - base) of that set's list. "$" marks a text value, "%"
// an integer value.
// clang-format off
enum KeyCode : uint16_t {
  // menus (base 0)
  kKeyModules = 1, kKeyMenu, kKeyCaller, kKeySubmenu, kKeyLoad, kKeyExec, kKeyCounter,
  // screens and forms (base 10)
  kKeyScreenSize = 11, kKeySet, kKeyOpen, kKeyEdit, kKeyNoEdit, kKeyWrite, kKeyDoc, kKeyDocSets,
  kKeyHelp, kKeySaved, kKeyHidden, kKeyRelOpt, kKeyUnicNdx, kKeyAutoNdx, kKeyKeyMap, kKeyScanDef,
  kKeyScanWin, kKeyScanSet, kKeyVoidMode,
  // documents (base 30)
  kKeyNumCab = 31, kKeyWriteCab0, kKeyWriteCabs, kKeyWriteLins, kKeyFitClc, kKeyFtClc,
  kKeyReadLins, kKeyLnIns, kKeyLnDel, kKeyAlarmLins, kKeyBounds, kKeyDocTypeTxt, kKeyMode,
  kKeyFastFind, kKeyFldUpdate, kKeyBeginFld, kKeyMaxLin,
  // maintenance windows and forms (base 50)
  kKeyFd = 51, kKeyAlarm, kKeyAssign, kKeyLnAssign, kKeyFileDef, kKeyPerform, kKeyUpdFields,
  kKeyWidths, kKeyTypes, kKeyWindows, kKeyClear, kKeyOnConfirm, kKeyOnCancel, kKeyUsrCond,
  kKeyIk1, kKeyIk2, kKeyIk3,
  // report bodies (base 70)
  kKeyAtEnd = 71, kKeyBrkEnd, kKeyBreak, kKeyCond, kKeyMaxLine, kKeyLineStep, kKeyTotalBase,
  kKeyContinue, kKeyExtraStep, kKeyTitle, kKeyWd,
  // report runs and devices (base 90)
  kKeyDevice = 91, kKeyDocName, kKeyAcBound, kKeyIndex, kKeyLimits, kKeyAuxLoad, kKeyReset,
  kKeySteps, kKeyPrcName,
  // import of document lines (base 100)
  kKeyAcceptPrc = 101, kKeyWinName, kKeyProgMode, kKeyParmFile, kKeyParmFileWrite,
  kKeySourceFile, kKeyImpMode, kKeyRdExp, kKeyWrExp, kKeyEotExp, kKeyRdCond, kKeyTarget,
  kKeyLoadImport, kKeyMnuImport, kKeyAutoImport, kKeyStruct,
};
// clang-format on

// The key prefix: status word 28 (0 = none) selects a field of the comma
// list in slot 8 of group 9; a selected prefix is put before every key with
// a "." (CAB.FD$), so that header and lines can carry the same keys.
Text def_key_prefix();

// The key's name without the prefix (a view of static text; empty for a code
// of no set), and with it.
Text def_key_base_name(uint16_t code);
Text def_key_name(uint16_t code);
// The key's value in the current section: trimmed, one pair of quotes
// removed keeping the case, a bare value upper-cased; empty when absent.
Text def_key_value(uint16_t code);
Text def_param_value(Text key);
// The value read as a whole number; 0 when absent.
int32_t def_key_number(uint16_t code);
// The raw form: trimmed, quotes removed and the case kept (an integer key,
// one whose name ends in "%", keeps its quotes). A prefixed key that is not
// found is looked for without its prefix. When the key is absent and its
// name holds no "(", its name with every "%" removed is evaluated as an
// expression, so a variable of the key's name supplies the default. With a
// field number, that field of the value as a comma list.
Text def_key_raw(uint16_t code, uint16_t field = 0);
Text def_param_raw(Text key, uint16_t field = 0);
// The raw form evaluated as an expression, as a whole number (rounded); 0
// when it is empty or does not evaluate.
int32_t def_key_raw_number(uint16_t code, uint16_t field = 0);

// --- settings files --------------------------------------------------------------
// Expands %NAME% tokens in the name, finds the file (def_file_find) and runs
// it: its lines joined with ";" and evaluated as one statement list. A
// missing file is FILENOTFOUND with the name as detail when it must exist,
// else 0; otherwise 0 or the evaluation's code of 128 or more.
[[nodiscard]] Status settings_run(Text name, bool must_exist);
// Rewrites the settings file so that it holds one assignment of the current
// value of each listed variable (a comma list; NAME=expression assigns the
// expression's value), keeping its other statements, then runs it again. A
// file that is not found yet is made in the first definition folder unless
// the name gives a folder of its own. 0 or the code.
[[nodiscard]] Status settings_save(Text name, Text names);
// (The expression language's WRITE(name; -2; names) saves through it: a
// SettingsSaver of script/hooks.h.)

}  // namespace defs
