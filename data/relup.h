// Relational update: the rules that keep dependent data (totals, stock
// counts, balances) in step when a record is inserted, saved or deleted.
//
// A rule is a list of assignments, run once with the sign -1 on the
// record's old values (taking its effect away) and once with +1 on its new
// values (putting it back), so that an edit moves the effect from the old
// values to the new ones. The sign is status word 12 (_SGN) while a rule
// runs, and rules multiply by it:
//
//   SALDO{CUENTAS}=SALDO{CUENTAS}+IMPORTE{}*_SGN
//
// An assignment to a field of another file is a related write: the record
// of that file is found through the relation text of the rule's file (an
// item "CUENTASR2K1" says: key 2 of this file gives the value of key 1 of
// CUENTAS) and updated there. Over the SQL session this is one UPDATE that
// adds to the column ("SALDO" = COALESCE("SALDO", 0) + ...), inserting the
// related record first when it is missing, so that two users' edits add up
// exactly.
//
// Rule files: the dictionary prefix followed by "RELUPSQL.DAT" (while a
// session is open) or "RELUP.DAT", read with line layout 4: the data
// file's number in columns 1-2, then a two-digit rule number and the rule
// text. Lines with the same rule number are joined with ";". The rules of
// a file live in group 7 of the slot store from a base entry (which names
// the file) on: rule n at base + n.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace data {

using core::Status;
using core::Text;
using core::operator""_t;

inline constexpr Text kRuleFile = "RELUP.DAT"_t;
inline constexpr Text kRuleFileSql = "RELUPSQL.DAT"_t;
inline constexpr Text kNoRules = "NONE"_t;

// Operation flags of a record update.
inline constexpr int kRecNew = 0x100;      // the write has new values
inline constexpr int kRecOld = 0x200;      // the write has old values
inline constexpr int kRecWrite = 0x400;
inline constexpr int kRecInsert = 0x500;
inline constexpr int kRecDelete = 0x600;
inline constexpr int kRecSave = 0x700;
inline constexpr int kRecAssign = 0x800;   // apply the assignment text first
inline constexpr int kRecNoRules = 0x1000;

// Related-write flags.
inline constexpr int kRelDelete = 1;   // delete the related record
inline constexpr int kRelCreate = 4;   // create it when it is missing

// Loads the file's rules unless the list is "NONE" or they are loaded.
// A missing rule file is no error (the file has no rules). Logged at
// _TRACE bit 16: "RecRelUpLoad" and "\tidef:entry: text" per line.
[[nodiscard]] Status relup_load(uint16_t file, Text rule_list);
// The texts of the listed rules (loading them first), joined with ";". An
// empty list takes the default: "1" for a file with one or two rules,
// "1+(N_LINE{}>0)" for more rules and a field N_LINE, else none. Items of
// the list may be expressions. An arena text.
Text relup_rules(uint16_t file, Text rule_list);
// The number of rules loaded for the file.
int relup_rule_count(uint16_t file);
// Drops the rule-store entries from the base on (every file whose rules
// lie there must load them again). Logged at bit 16.
void relup_reset(uint16_t file, int base);
int relup_base(uint16_t file);

// The write of a record with its rules (flags above). Logged at bit 16 as
// "RecRelUpdate <Insert|Update|Delete> File <n> (<rule list>)". With
// kRecAssign the assignment text is applied first, and an insert whose
// key-1 value exists already is status 5 (unless bit 64 of status word 13
// is set). Rules run only while bit 1 of status word 13 is set; a rule that
// fails stops the update with its code (the record write stays done).
[[nodiscard]] Status record_update(int flags, uint16_t file, Text rule_list, Text assignment);

// Takes away the effect of the record in the current buffer: its rules
// (the file's default list) with the sign -1.
[[nodiscard]] Status relup_take_away(uint16_t file);

// Related write from the current file to `related` through the relation
// item for `related` and the current file's key `key` (0: the first
// relation item for that file). INDEXCMDERROR... see relup_related.cpp;
// NOVALUE when the relation text has no such item. An empty assignment
// only finds the related record (a lookup).
[[nodiscard]] Status related_write(uint16_t file, uint16_t related, int key, int flags,
                                   Text assignment);

}  // namespace data
