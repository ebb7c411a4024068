// Running rules, and the related writes their assignments to other files
// become.
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "data/access.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "data/internal/relup.h"
#include "data/records.h"
#include "data/relup.h"
#include "script/eval.h"
#include "script/lexer.h"
#include "script/variables.h"

namespace data {

using core::kOk;

namespace {

// The statements of an expression list: split at "," and ";" outside
// quotes and parentheses.
std::vector<Text> statements(Text s) {
  std::vector<Text> out;
  uint16_t start = 0, pos = 0;
  while (pos <= s.len) {
    uint16_t d = script::lex::next_delimiter(s, pos);
    if (d < s.len && s.at(d) == '(') {
      uint16_t close = script::lex::matching_paren(s, d);
      pos = close == core::kNoPos ? s.len : static_cast<uint16_t>(close + 1);
      continue;
    }
    if (d >= s.len || s.at(d) == ',' || s.at(d) == ';') {
      if (d > start) out.push_back(core::text_sub(s, start, static_cast<uint16_t>(d - start)));
      if (d >= s.len) break;
      start = pos = static_cast<uint16_t>(d + 1);
      continue;
    }
    pos = static_cast<uint16_t>(d + 1);
  }
  return out;
}

// "target=value" when the statement's first operator is the assignment.
bool assignment_parts(Text stmt, Text* target, Text* value) {
  uint16_t d = script::lex::next_delimiter(stmt, 0);
  if (d >= stmt.len) return false;
  script::lex::Operator op = script::lex::read_operator(stmt, d);
  if (op.number != script::lex::kOpAssign) return false;
  *target = core::text_sub(stmt, 0, d);
  *value = core::text_sub(stmt, d + 1, core::kToEnd);
  return true;
}

// The file an assignment statement writes to, 0 when it is none of a field.
uint16_t target_file(Text stmt, uint16_t* field = nullptr) {
  Text target, value;
  if (!assignment_parts(stmt, &target, &value)) return 0;
  if (core::text_find_char(target, '{', 0, true) == core::kNoPos) return 0;
  uint16_t file = 0, f = 0;
  if (dict_field_ref(target, &file, &f) != kOk) return 0;
  if (field != nullptr) *field = f;
  return dict_file_resolve(file);
}

// The relation item "<file>R<k>K<n>" for the related file (k = 0: any):
// n, the key of the related file, and k; false when there is none.
bool relation_key(uint16_t file, uint16_t related, int* k, int* n) {
  core::ArenaScope scope;
  std::string name(core::text_bytes(dict_file_name(related)));
  core::TextArray items = core::list_split(dict_relation_text(file), ':');
  for (uint16_t i = 1; i <= items.count; ++i) {
    std::string item(core::text_bytes(core::text_case(core::text_trim(items.at(i), core::kTrimBoth),
                                                    core::Case::Lower)));
    size_t kpos = item.find_last_of('k');
    size_t rpos = kpos == std::string::npos ? kpos : item.find_last_of('r', kpos);
    if (rpos == std::string::npos || rpos == 0) continue;
    std::string who = item.substr(0, rpos);
    if (who != name && who != std::to_string(related)) continue;
    int item_k = std::atoi(item.substr(rpos + 1, kpos - rpos - 1).c_str());
    if (*k != 0 && item_k != *k) continue;
    *k = item_k;
    *n = std::atoi(item.substr(kpos + 1).c_str());
    return *n > 0;
  }
  return false;
}

// The SET list of an assignment to the related file's fields: each value
// adds to the column as it is in the table, not as this runtime last read
// it, so that concurrent writes add up.
Status set_text(uint16_t related, Text assignment, std::string* set) {
  core::ArenaScope scope;
  Text prepared = script::lex::prepare(assignment);
  if (!prepared.ok()) return core::SINTAXERROR;
  internal::SqlOptions options;
  options.column_file = related;
  options.coalesce_numbers = true;
  options.null_rules = false;
  for (Text stmt : statements(prepared)) {
    Text target, value;
    uint16_t field = 0;
    if (target_file(stmt, &field) != related || !assignment_parts(stmt, &target, &value))
      return core::SINTAXERROR;
    std::string rhs;
    Status code = internal::sql_expression(value, options, &rhs);
    if (code != kOk) return code;
    if (!set->empty()) *set += ",";
    *set += internal::quote_ident(core::text_bytes(dict_field_name(related, field))) + " = " + rhs;
  }
  return set->empty() ? core::SINTAXERROR : kOk;
}

// A relation the caller named that the relation text of `file` lacks:
// NOVALUE, with "Relation: <file> -> <related>" (and the key) as detail.
Status relation_missing(uint16_t file, uint16_t related, int key) {
  core::ArenaScope scope;
  std::string detail = "Relation: " + std::string(core::text_bytes(dict_file_name(file))) + " -> " +
                       std::string(core::text_bytes(dict_file_name(related)));
  if (key != 0) detail += " (key " + std::to_string(key) + ")";
  core::error_record(core::kRecord, core::Context::EXPEXEC, core::NOVALUE, core::NOVALUE);
  return core::report_detail(core::NOVALUE, core::arena_text(detail), false);
}

// A rule statement that failed: the file and the statement join the
// detail of the error it recorded.
Status rule_failed(uint16_t file, Text statement, Status code) {
  core::ArenaScope scope;
  core::error_record(core::kRecord, core::Context::EXPEXEC, code, code);
  if (core::error_last().code != code) return code;
  std::string detail = "File " + std::string(core::text_bytes(dict_file_name(file))) +
                       ", rule: " + std::string(core::text_bytes(statement));
  return core::report_detail(code, core::arena_text(detail), core::error_detail().len != 0);
}

}  // namespace

Status related_write(uint16_t file, uint16_t related, int key, int flags, Text assignment) {
  uint16_t a = dict_file_resolve(file), b = dict_file_resolve(related);
  if (a == 0 || b == 0) return core::FILEOUTBOUND;
  int k = key, n = 0;
  if (!relation_key(a, b, &k, &n)) return relation_missing(a, b, key);
  core::ArenaScope scope;
  Text value = core::text_sub(key_value(a, static_cast<uint16_t>(k), Buffer::Current), 0,
                              dict_key_length(b, static_cast<uint16_t>(n), 0));
  if (!value.ok()) return core::text_error(value);
  bool sql = (script::var_get_int(core::kSwUpStat) & kUpSqlSession) != 0;
  if (sql && (flags & kRelDelete) == 0 && assignment.len != 0) {
    std::string set;
    Status code = set_text(b, assignment, &set);
    if (code != kOk) return code;
    return access_update_by_key(b, n, value, core::text_view(set.data(), set.size()), kUpdateInsert);
  }
  Status st = access_find(b, n, value, kFindFillKey);
  if (st >= 128 || assignment.len == 0) return st;
  bool found = st == kOk;
  if ((flags & kRelDelete) != 0) return found ? access_delete(b) : kOk;
  if (!found && (flags & kRelCreate) == 0) return st;
  Status code = script::expr_status(assignment);
  if (code >= 128) return code;
  return found ? access_save(b) : access_insert(b);
}

namespace internal {

Status rules_run(uint16_t file, Text rules) {
  core::ArenaScope scope;
  Text prepared = script::lex::prepare(rules);
  if (!prepared.ok()) return core::SINTAXERROR;
  uint16_t own = dict_file_resolve(file);
  std::vector<Text> list = statements(prepared);
  for (size_t i = 0; i < list.size();) {
    uint16_t target = target_file(list[i]);
    // An assignment to a file the rule's file has no relation with sets
    // that file's current record, as in a procedure; the rule positions
    // and saves that record itself (FILEFIND ... FILELOCATE).
    int k = 0, n = 0;
    if (target == 0 || target == own || !relation_key(own, target, &k, &n)) {
      Status code = script::expr_status(list[i]);
      if (code >= 128) return rule_failed(own, list[i], code);
      ++i;
      continue;
    }
    // Consecutive assignments to the same file are one related write.
    std::string assignment(core::text_bytes(list[i]));
    size_t j = i + 1;
    for (; j < list.size() && target_file(list[j]) == target; ++j)
      assignment += "," + std::string(core::text_bytes(list[j]));
    Text text = core::text_view(assignment.data(), assignment.size());
    Status code = related_write(own, target, 0, kRelCreate, text);
    if (code >= 128) return rule_failed(own, text, code);
    i = j;
  }
  return kOk;
}

}  // namespace internal

}  // namespace data
