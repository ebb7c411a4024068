// The write of a record with its relational rules: old values with the
// sign -1, new values with +1.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/internal/common.h"
#include "data/internal/relup.h"
#include "data/records.h"
#include "data/relup.h"
#include "data/session.h"
#include "script/eval.h"
#include "script/lexer.h"
#include "script/variables.h"

namespace data {

using core::kOk;

namespace {

const char* operation_name(int flags) {
  switch (flags & 0x700) {
    case kRecInsert: return "Insert";
    case kRecSave: return "Update";
    case kRecDelete: return "Delete";
    default: return "";
  }
}

// Keeps status words for the time of a rule run and puts them back.
class RuleScope {
 public:
  RuleScope(uint16_t file, int sign)
      : file_(script::var_get_int(core::kSwCurFil)), up_(script::var_get_int(core::kSwUpStat)) {
    script::var_set_int(core::kSwCurFil, static_cast<int16_t>(file));
    script::var_set_int(core::kSwSgn, static_cast<int16_t>(sign));
    bool sql = (script::var_get_int(core::kSwCompat) & kSessionOpenBit) != 0;
    script::var_set_int(core::kSwUpStat, static_cast<int16_t>(sql ? (up_ | kUpSqlSession) : (up_ & ~kUpSqlSession)));
  }
  ~RuleScope() {
    script::var_set_int(core::kSwSgn, 0);
    script::var_set_int(core::kSwUpStat, up_);
    script::var_set_int(core::kSwCurFil, file_);
  }
  RuleScope(const RuleScope&) = delete;
  RuleScope& operator=(const RuleScope&) = delete;

 private:
  int16_t file_;
  int16_t up_;
};

Status run_rules(uint16_t file, Text rules, int sign) {
  if (rules.len == 0 || (script::var_get_int(core::kSwUpStat) & kUpRulesOn) == 0) return kOk;
  RuleScope scope(file, sign);
  return internal::rules_run(file, rules);
}

// An insert over a key-1 value that exists already is refused.
bool key_taken(uint16_t file) {
  core::ArenaScope scope;
  Text value = key_value(file, 1, Buffer::Current);
  return value.ok() && access_count(file, 1, value, value, Text{}) > 0;
}

}  // namespace

Status relup_take_away(uint16_t file) {
  uint16_t n = dict_file_resolve(file);
  if (n == 0) return core::FILEOUTBOUND;
  core::ArenaScope scope;
  int16_t current = script::var_get_int(core::kSwCurFil);
  script::var_set_int(core::kSwCurFil, static_cast<int16_t>(n));
  Text rules = relup_rules(n, Text{});
  script::var_set_int(core::kSwCurFil, current);
  if (!rules.ok()) return core::text_error(rules);
  return run_rules(n, rules, -1);
}

Status record_update(int flags, uint16_t file, Text rule_list, Text assignment) {
  uint16_t n = dict_file_resolve(file);
  if (n == 0) return core::FILEOUTBOUND;
  core::ArenaScope scope;
  core::log_line(core::text_format(512, "RecRelUpdate %s File %u (%s)", operation_name(flags), n,
                                   core::text_cstr(rule_list)),
                 core::kTraceRelational);
  int op = flags & 0x700;
  Status code = kOk;
  if ((flags & kRecAssign) != 0) {
    if (assignment.len != 0) {
      int16_t current = script::var_get_int(core::kSwCurFil);
      script::var_set_int(core::kSwCurFil, static_cast<int16_t>(n));
      code = script::expr_status(assignment);
      script::var_set_int(core::kSwCurFil, current);
      if (code >= 128) return code;
    }
    // The key check does not depend on the assignment: an insert over a
    // key that exists is refused before anything is sent.
    if (op == kRecInsert && (script::var_get_int(core::kSwUpStat) & kUpNoKeyCheck) == 0 && key_taken(n))
      return kStatusBadKey;
  }
  if (op == kRecInsert) code = access_insert(n);
  else if (op == kRecSave) code = access_save(n);
  if (code != kOk) return code;

  Text rules{};
  if ((flags & kRecNoRules) == 0) {
    int16_t current = script::var_get_int(core::kSwCurFil);
    script::var_set_int(core::kSwCurFil, static_cast<int16_t>(n));
    rules = relup_rules(n, rule_list);
    script::var_set_int(core::kSwCurFil, current);
    if (!rules.ok()) return core::text_error(rules);
  }
  if ((flags & kRecOld) != 0) {
    // The old values stand in the buffer while their effect is taken away.
    std::string kept(core::text_bytes(buffer_get(n, Buffer::Current)));
    std::string old(core::text_bytes(buffer_get(n, Buffer::Saved)));
    Text old_text = core::text_view(old.data(), old.size());
    code = buffer_restore(n);
    // A delete inside a run of equal keys moves the file to the record
    // before; the rules still take away the deleted record's values.
    if (code == kOk && op == kRecDelete) code = access_delete(n);
    if (code == kOk) code = buffer_put(n, Buffer::Current, old_text);
    if (code == kOk) code = run_rules(n, rules, -1);
    Status back = buffer_put(n, Buffer::Current, core::text_view(kept.data(), kept.size()));
    if (code != kOk) return code;
    if (back != kOk) return back;
  }
  if ((flags & kRecNew) != 0) code = run_rules(n, rules, 1);
  return code;
}

}  // namespace data
