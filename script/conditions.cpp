// The condition builder: search and limit dialogs write their conditions as
// expressions for the evaluator.
#include "core/arena.h"
#include "script/eval.h"

namespace script {
namespace {

using core::operator""_t;

constexpr Text kComparisons = "==,>,>=,<,<=,<>"_t;
constexpr Text kNumericTypes = "NL123456789"_t;

}  // namespace

Text cond_compare(Text name, int comparison, Text value, char type_letter) {
  if (!name.ok()) return name;
  if (!value.ok()) return value;
  if (value.len == 0) return Text{};
  core::ArenaScope scope;
  int n = comparison < 1 ? 1 : (comparison > 6 ? 6 : comparison);
  Text op = core::list_field(kComparisons, ',', static_cast<uint16_t>(n));
  bool numeric = core::text_find_char(kNumericTypes, type_letter, 0, true) != core::kNoPos;
  // A text value is quoted with the quote it does not contain, so that a
  // value holding an apostrophe still reads back as one literal.
  Text rhs = numeric ? value : core::text_quote(value, '\'');
  return scope.keep(core::text_concat(core::text_concat(name, op), rhs));
}

Text cond_join(Text condition, Text comparison, Text joiner) {
  if (!condition.ok()) return condition;
  if (!comparison.ok()) return comparison;
  if (joiner.ok() && joiner.len == 0) joiner = "&&"_t;
  core::ArenaScope scope;
  return scope.keep(core::text_join(condition, joiner, comparison));
}

Text cond_any_field(Text fields, Text from, Text to) {
  if (!fields.ok()) return fields;
  if (!from.ok()) return from;
  core::ArenaScope scope;
  bool range = to.ok() && to.len > 0 && core::text_compare(from, to) < 0;
  Text result{};
  uint16_t count = core::list_count(fields, ',');
  for (uint16_t i = 1; i <= count && result.ok(); ++i) {
    Text name = core::list_field(fields, ',', i);
    int nl = name.len, fl = from.len, tl = range ? to.len : 0;
    Text part = range ? core::text_format(core::kMaxTextLen, "(%.*s>=%.*s&&%.*s<=%.*s)", nl, name.ptr,
                                          fl, from.ptr, nl, name.ptr, tl, to.ptr)
                      : core::text_format(core::kMaxTextLen, "%.*s==%.*s", nl, name.ptr, fl, from.ptr);
    // Keep only the growing result, so long field lists use no more arena entries.
    result = core::arena_keep(scope.mark(), core::text_join(result, "||"_t, part));
  }
  return scope.keep(result);
}

}  // namespace script
