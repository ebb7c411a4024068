// Parameter-set keys: codes to names, the key prefix, and key values read
// from the current section.
#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "script/eval.h"
#include "script/numbers.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

namespace defs {
namespace {

using core::ArenaScope;

struct KeySet {
  uint16_t base;
  Text names;
};
// Highest base first: a code belongs to the first set whose base is not
// above it.
constexpr KeySet kKeySets[] = {
    {100,
     "ACCEPT_PRC%,WINNAME$,PROG_MODE$,PARM_FILE$,PARM_FILE_WRITE$,SOURCEFILE%,IMP_MODE%,"
     "RD_EXP$,WR_EXP$,EOT_EXP$,RD_COND$,TARGET$,LOAD_IMPORT$,MNU_IMPORT$,AUTO_IMPORT$,STRUCT$"_t},
    {90, "DEVICE$,DOCNAME$,ACBOUND$,INDEX%,LIMITS$,AUXLOAD$,RESET$,STEPS$,PRCNAME$"_t},
    {70,
     "ATEND$,BRKEND$,BREAK$,COND$,MAXLINE%,LINESTEP%,TOTALBASE%,CONTINUE%,EXTRASTEP%,TITLE$,WD"_t},
    {50,
     "FD$,ALARM$,ASSIGN$,LNASSIGN$,FILEDEF$,PERFORM$,UPDFIELDS$,WIDTHS$,TYPES$,WINDOWS$,CLEAR$,"
     "ON_CONFIRM$,ON_CANCEL$,USR_COND$,IK$(1),IK$(2),IK$(3)"_t},
    {30,
     "NUMCAB$,WRITECAB0$,WRITECABS$,WRITELINS$,FITCLC$,FTCLC$,READLINS$,LNINS$,LNDEL$,ALARMLINS$,"
     "BOUNDS$,DOCTYPETXT$,MODE$,FASTFIND$,FLDUPDATE$,BEGINFLD%,MAXLIN%"_t},
    {10,
     "SCREENSIZE$,SET$,OPEN$,EDIT$,NOEDIT$,WRITE$,DOC$,DOCSETS$,HELP$,SAVED$,HIDDEN$,RELOPT%,"
     "UNICNDX%,AUTONDX%,KEYMAP%,SCANDEF$,SCANWIN$,SCANSET$,VOIDMODE%"_t},
    {0, "MODULES$,MENU$,CALLER$,SUBMENU$,LOAD$,EXEC$,COUNTER$"_t},
};

// The last code of each set closes its list; the names below must follow.
static_assert(kKeyCounter == 7 && kKeyVoidMode == 29 && kKeyMaxLin == 47 && kKeyIk3 == 67 &&
              kKeyWd == 81 && kKeyPrcName == 99 && kKeyStruct == 116);

// The key with the selected prefix and a "." before it, or as it is.
Text prefixed(Text key) {
  Text prefix = def_key_prefix();
  if (prefix.len == 0 || key.len == 0) return key;
  return core::text_concat(core::text_concat(prefix, "."_t), key);
}

// The text of an expression, or empty when it does not evaluate; a failure
// here leaves no error recorded that was not recorded before.
Text evaluated_quietly(Text expr) {
  bool clean = core::error_last().code == 0;
  Text value = script::expr_text(expr);
  if (value.ok()) return value;
  if (clean) core::error_clear();
  return Text{};
}

// A key absent from the section: its name without "%" evaluated, so that a
// variable of that name supplies the value. Nothing for indexed names.
Text default_value(Text key) {
  if (key.len == 0 || core::text_find_char(key, '(', 0, true) != core::kNoPos) return Text{};
  Text name = core::text_replace(key, "%"_t, ""_t, true);
  if (name.len == 0) return Text{};
  return evaluated_quietly(name);
}

}  // namespace

Text def_key_prefix() {
  int16_t selected = script::var_get_int(core::kSwAux);
  if (selected <= 0) return Text{};
  Text list = core::slot_get(core::kGroupRuntime, core::kRtKeyPrefixes);
  return core::text_trim(core::list_field(list, ',', static_cast<uint16_t>(selected)),
                         core::kTrimBoth);
}

Text def_key_base_name(uint16_t code) {
  for (const KeySet& set : kKeySets) {
    if (code < set.base) continue;
    if (code == set.base) return Text{};
    return core::list_field(set.names, ',', static_cast<uint16_t>(code - set.base));
  }
  return Text{};
}

Text def_key_name(uint16_t code) {
  ArenaScope scope;
  return scope.keep(prefixed(def_key_base_name(code)));
}

Text def_param_value(Text key) {
  if (!key.ok() || key.len == 0) return Text{};
  ArenaScope scope;
  return scope.keep(core::param_value(def_section_current(), prefixed(key)));
}

Text def_key_value(uint16_t code) { return def_param_value(def_key_base_name(code)); }

int32_t def_key_number(uint16_t code) {
  ArenaScope scope;
  return core::text_to_int(def_key_value(code));
}

Text def_param_raw(Text key, uint16_t field) {
  if (!key.ok() || key.len == 0) return Text{};
  ArenaScope scope;
  Text section = def_section_current();
  Text raw = core::param_find(section, prefixed(key));
  if (!raw.ok()) raw = core::param_find(section, key);
  Text value;
  if (raw.ok()) {
    value = core::text_trim(raw, core::kTrimBoth);
    if (key.at(key.len - 1u) != '%') value = core::text_unquote(value);
  } else {
    value = default_value(key);
  }
  if (field != 0) value = core::list_field(value, ',', field);
  return scope.keep(value);
}

Text def_key_raw(uint16_t code, uint16_t field) {
  return def_param_raw(def_key_base_name(code), field);
}

int32_t def_key_raw_number(uint16_t code, uint16_t field) {
  ArenaScope scope;
  Text value = evaluated_quietly(core::text_trim(def_key_raw(code, field), core::kTrimBoth));
  int64_t whole = script::number_to_int(script::number_from_text(value));
  if (whole > INT32_MAX) return INT32_MAX;
  if (whole < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(whole);
}

}  // namespace defs
