// The rule store of the relational update: reading a file's rules from the
// rule file, the rule lists, and dropping rules again.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/internal/access.h"
#include "data/internal/common.h"
#include "data/relup.h"
#include "data/session.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"

namespace data {

using core::kOk;

namespace {

constexpr int kRuleLayout = 4;

Text rule_file_name() {
  Text prefix = core::text_sub(core::slot_get(core::kGroupEnv, core::kEnvApName), 0, 2);
  bool sql = (script::var_get_int(core::kSwCompat) & kSessionOpenBit) != 0;
  return core::text_concat(prefix, sql ? kRuleFileSql : kRuleFile);
}

// Stores one line "NNtext" of the file's section at base + NN.
Status store_line(int32_t base, Text line, int* count) {
  Text content = core::text_trim(line, core::kTrimLeft);
  if (content.len < 2 || content.at(0) < '0' || content.at(0) > '9' || content.at(1) < '0' ||
      content.at(1) > '9')
    return kOk;
  int n = (content.at(0) - '0') * 10 + (content.at(1) - '0');
  if (n == 0) return kOk;
  Text text = core::text_trim(core::text_sub(content, 2, core::kToEnd), core::kTrimBoth);
  auto entry = static_cast<uint16_t>(base + n);
  // Entries up to this one exist, so that the group stays in order.
  for (uint16_t i = core::slot_count(core::kGroupRules); i < entry; ++i) {
    Status code = core::slot_set(core::kGroupRules, i, Text{});
    if (code != kOk) return code;
  }
  Text joined = core::text_join(core::slot_get(core::kGroupRules, entry), ";"_t, text);
  Status code = core::slot_set(core::kGroupRules, entry, joined);
  if (code != kOk) return code;
  if (n > *count) *count = n;
  core::log_line(core::text_format(1024, "\tidef:%u: %s", entry, core::text_cstr(text)),
                 core::kTraceRelational);
  return kOk;
}

// One item of a rule list: a number, or an expression giving one.
int rule_number(Text item) {
  Text t = core::text_trim(item, core::kTrimBoth);
  if (t.len == 0) return 0;
  if (core::text_all_in(t, "0123456789"_t)) return core::text_to_int(t);
  return script::expr_int(t);
}

}  // namespace

Status relup_load(uint16_t file, Text rule_list) {
  uint16_t n = dict_file_resolve(file);
  if (n == 0) return core::FILEOUTBOUND;
  core::ArenaScope scope;
  if (core::text_equal(core::text_trim(rule_list, core::kTrimBoth), kNoRules)) return kOk;
  internal::FileCtrl& ctrl = internal::file_ctrl(n);
  if (ctrl.rule_base >= 0) return kOk;
  core::log_line("RecRelUpLoad"_t, core::kTraceRelational);
  auto base = static_cast<int32_t>(core::slot_count(core::kGroupRules));
  Status code = core::slot_set(core::kGroupRules, static_cast<uint16_t>(base),
                               core::text_format(32, "file %u", n));
  if (code != kOk) return code;
  uint16_t before = core::slot_count(core::kGroupLineQueue);
  uint16_t lines = 0;
  int32_t read = defs::def_section_queue(rule_file_name(), kRuleLayout, n, &lines);
  int count = 0;
  if (read == 0) {
    for (uint16_t i = 0; i < lines && code == kOk; ++i)
      code = store_line(base, core::text_copy(core::slot_get(core::kGroupLineQueue, before + i)), &count);
    while (core::slot_count(core::kGroupLineQueue) > before)
      static_cast<void>(core::slot_delete(core::kGroupLineQueue, static_cast<uint16_t>(core::slot_count(core::kGroupLineQueue) - 1)));
  } else if (read != defs::kNoFile) {
    code = static_cast<Status>(read);
  }
  if (code != kOk) {
    static_cast<void>(core::slot_truncate(core::kGroupRules, static_cast<uint16_t>(base)));
    return code;
  }
  ctrl.rule_base = base;
  ctrl.rule_count = static_cast<uint16_t>(count);
  return kOk;
}

int relup_rule_count(uint16_t file) {
  uint16_t n = dict_file_resolve(file);
  return n == 0 ? 0 : internal::file_ctrl(n).rule_count;
}

int relup_base(uint16_t file) {
  uint16_t n = dict_file_resolve(file);
  return n == 0 ? -1 : internal::file_ctrl(n).rule_base;
}

Text relup_rules(uint16_t file, Text rule_list) {
  uint16_t n = dict_file_resolve(file);
  if (n == 0) return core::text_error_value(core::FILEOUTBOUND);
  core::ArenaScope scope;
  Text list = core::text_trim(rule_list, core::kTrimBoth);
  if (core::text_equal(list, kNoRules)) return Text{};
  Status code = relup_load(n, list);
  if (code != kOk) return core::text_error_value(code);
  const internal::FileCtrl& ctrl = internal::file_ctrl(n);
  if (list.len == 0) {
    if (ctrl.rule_count == 1 || ctrl.rule_count == 2) list = "1"_t;
    else if (ctrl.rule_count > 2 && dict_field_by_name(n, "N_LINE"_t) > 0) list = "1+(N_LINE{}>0)"_t;
  }
  std::string texts;
  core::TextArray items = core::list_split(list, ',');
  for (uint16_t i = 1; i <= items.count; ++i) {
    int rule = rule_number(items.at(i));
    if (rule < 1 || rule > ctrl.rule_count) continue;
    Text text = core::slot_get(core::kGroupRules, static_cast<uint16_t>(ctrl.rule_base + rule));
    if (text.len == 0) continue;
    if (!texts.empty()) texts += ";";
    texts += core::text_bytes(text);
  }
  return scope.keep(core::arena_text(texts));
}

void relup_reset(uint16_t file, int base) {
  uint16_t n = dict_file_resolve(file);
  core::ArenaScope scope;
  int own = n == 0 ? -1 : internal::file_ctrl(n).rule_base;
  core::log_line(core::text_format(256, "RecRelUpReset\r\n\tfile:%u base:%d Ctrl.base:%d", n, base, own),
                 core::kTraceRelational);
  if (base < 0) return;
  static_cast<void>(core::slot_truncate(core::kGroupRules, static_cast<uint16_t>(base)));
  internal::AccessState& s = internal::access_state();
  for (internal::FileCtrl& ctrl : s.files) {
    if (ctrl.rule_base >= base) {
      ctrl.rule_base = -1;
      ctrl.rule_count = 0;
    }
  }
}

}  // namespace data
