// Text functions: lengths, lists, substrings, changes, trimming, quoting and
// reading a value by name.
#include <cstdint>

#include "core/arena.h"
#include "core/errors.h"
#include "script/eval.h"
#include "script/internal/fn_call.h"
#include "script/numbers.h"

namespace script::fn {
namespace {

using core::kNoPos;
using core::operator""_t;

Text upper(Text s) { return core::text_case(s, core::Case::Upper); }

// A byte code argument (a separator, a quote, a character): 0 to 255.
Status byte_argument(const Call& c, int i, int64_t fallback, uint8_t* out) {
  int64_t code = c.integer(i, fallback);
  if (code < 0 || code > 255) return core::SINTAXERROR;
  *out = static_cast<uint8_t>(code);
  return 0;
}

// FILTER with from and to: from is cut into to.len pieces of equal length;
// each occurrence of piece i becomes the byte to[i]. One pass from the
// left, so a replaced byte is never looked at again.
Text filter_pieces(Text s, Text from, Text to) {
  if (to.len == 0 || from.len < to.len) return core::text_error_value(core::SINTAXERROR);
  uint16_t piece = static_cast<uint16_t>(from.len / to.len);
  Status st = 0;
  char* outp = core::arena_new(s.len, &st);
  if (outp == nullptr) return core::text_error_value(st);
  uint16_t n = 0;
  for (uint32_t i = 0; i < s.len;) {
    bool hit = false;
    if (i + piece <= s.len) {
      for (uint16_t k = 0; k < to.len; ++k) {
        if (core::text_equal(core::text_sub(s, static_cast<int>(i), piece),
                             core::text_sub(from, k * piece, piece))) {
          outp[n++] = static_cast<char>(to.at(k));
          i += piece;
          hit = true;
          break;
        }
      }
    }
    if (!hit) outp[n++] = s.ptr[i++];
  }
  return core::text_view(outp, n);
}

Status give_text(Text t, Value* out) {
  if (!t.ok()) return t.len;
  *out = Value::txt(t);
  return 0;
}

// The indices inside "name(i;j)", evaluated.
Status element_indices(Text inside, int32_t* indices, int* count) {
  *count = 0;
  uint32_t pos = 0;
  while (pos <= inside.len) {
    if (*count == kMaxArrayDims) return core::DIMSTRUCERROR;
    core::ArenaScope scope;
    Value v;
    Status st = expr_value(next_argument(inside, &pos), &v);
    if (st >= 128) return st;
    if (v.is_text()) return core::TYPEMISMATCH;
    indices[(*count)++] = static_cast<int32_t>(clip(number_to_int(v.number), INT32_MIN, INT32_MAX));
  }
  return 0;
}

Status value_as_text(const Value& v, Value* out) {
  return give_text(v.is_text() ? core::text_copy(v.text) : number_to_text(v.number), out);
}

}  // namespace

Status fn_slen(Call& c, Value* out) {
  Text s = c.text(0);
  if (!s.ok()) return s.len;
  *out = Value::num(number_from_int(s.len));
  return 0;
}

// (list) field count; (list; item) its field number; (list; item; values)
// the number at that position of values.
Status fn_nparm(Call& c, Value* out) {
  Text list = c.text(0);
  if (c.argc < 2) {
    *out = Value::num(number_from_int(core::list_count(list, ',')));
    return 0;
  }
  uint16_t at = core::list_index(list, ',', c.text(1));
  if (c.argc < 3) {
    *out = Value::num(number_from_int(at));
    return 0;
  }
  Text field = at == 0 ? Text{} : core::list_field(c.text(2), ',', at);
  *out = Value::num(number_from_text(core::text_unquote(core::text_trim(field, core::kTrimBoth))));
  return 0;
}

Status fn_chng(Call& c, Value* out) {
  Text s = c.text(0);
  Text mode = c.text(1);
  Text word = upper(mode);
  if (!s.ok()) return s.len;
  if (!word.ok()) return word.len;
  if (c.argc == 2) {
    if (core::text_equal(word, "UCASE"_t)) return give_text(core::text_case(s, core::Case::Upper), out);
    if (core::text_equal(word, "LCASE"_t)) return give_text(core::text_case(s, core::Case::Lower), out);
    if (core::text_equal(word, "CLEAN"_t)) return give_text(core::text_collapse(s, ' '), out);
  }
  if (c.argc >= 3 && core::text_equal(word, "FILTER"_t)) {
    if (c.argc == 3) return give_text(core::text_keep_only(s, c.text(2)), out);
    return give_text(filter_pieces(s, c.text(2), c.text(3)), out);
  }
  // Search and replace; two arguments remove every occurrence.
  bool plain = c.integer(3, 0) != 0;
  return give_text(core::text_replace(s, mode, c.text(2), plain), out);
}

Status fn_chrs(Call& c, Value* out) {
  Text unit;
  if (c.is_text(0)) {
    unit = c.arg[0].text;
  } else {
    uint8_t code = 0;
    Status st = byte_argument(c, 0, 0, &code);
    if (st != 0) return st;
    unit = core::text_char(code);
    if (!unit.ok()) return unit.len;
  }
  int64_t count = c.integer(1, 1);
  if (count <= 0 || unit.len == 0) return give_text(Text{}, out);
  if (count > core::kMaxTextLen || count * unit.len > static_cast<int64_t>(core::kMaxTextLen))
    return core::STRINGTOOLONG;
  return give_text(core::text_repeat(unit, static_cast<uint16_t>(count)), out);
}

// (text; start; count): start counts from 1, a negative one from the end.
Status fn_mids(Call& c, Value* out) {
  Text s = c.text(0);
  if (!s.ok()) return s.len;
  int64_t start = c.integer(1, 1);
  int64_t from = start > 0 ? start - 1 : (start < 0 ? s.len + start : 0);
  if (from < 0) from = 0;
  if (from >= s.len) return give_text(Text{}, out);
  int64_t count = c.has(2) ? c.integer(2) : s.len - from;
  if (count <= 0) return give_text(Text{}, out);
  if (count > s.len - from) count = s.len - from;
  return give_text(core::text_sub(s, static_cast<int>(from), static_cast<uint16_t>(count)), out);
}

// (list; n; separator code), the comma by default.
Status fn_parm(Call& c, Value* out) {
  uint8_t sep = 0;
  Status st = byte_argument(c, 2, ',', &sep);
  if (st != 0) return st;
  int64_t n = c.integer(1, 1);
  if (n < 1 || n > 65535) return give_text(Text{}, out);
  return give_text(core::list_field(c.text(0), static_cast<char>(sep), static_cast<uint16_t>(n)), out);
}

Status fn_trim(Call& c, Value* out) {
  Text s = c.text(0);
  Text mode = upper(c.text(1, "BOTHTRIM"_t));
  if (!s.ok()) return s.len;
  if (!mode.ok()) return mode.len;
  if (core::text_equal(mode, "LEFTTRIM"_t)) return give_text(core::text_trim(s, core::kTrimLeft), out);
  if (core::text_equal(mode, "RIGHTRIM"_t)) return give_text(core::text_trim(s, core::kTrimRight), out);
  if (core::text_equal(mode, "BOTHTRIM"_t)) return give_text(core::text_trim(s, core::kTrimBoth), out);
  if (!core::text_equal(mode, "FIT"_t)) return core::SINTAXERROR;
  // A bare value is upper-cased; one that was trimmed or quoted keeps its case.
  Text trimmed = core::text_trim(s, core::kTrimBoth);
  Text unquoted = core::text_unquote(trimmed);
  if (trimmed.len == s.len && unquoted.len == trimmed.len) return give_text(upper(s), out);
  return give_text(unquoted, out);
}

Status fn_envelop(Call& c, Value* out) {
  uint8_t quote = 0;
  Status st = byte_argument(c, 1, '\'', &quote);
  if (st != 0) return st;
  return give_text(core::text_enclose(c.text(0), static_cast<char>(quote)), out);
}

// (name; index): the value of the variable, array element or data field
// whose name is written as the argument, as text.
Status fn_flds(Call& c, Value* out) {
  Status st = c.pin();
  if (st != 0) return st;
  Text name = core::text_unquote(c.text(0));
  if (name.len == 0) return core::SINTAXERROR;
  if (core::text_find_char(name, '{', 0, true) != kNoPos) {
    c.arg[0] = Value::txt(name);
    return call_data_hook(c, out);
  }
  int kind = var_kind(name);
  if (kind == kKindNone) return core::SINTAXERROR;
  Value v;
  uint16_t open = core::text_find_char(name, '(', 0, false);
  if (kind == kKindIndexed || (c.has(1) && array_exists(name))) {
    int32_t indices[kMaxArrayDims];
    int count = 1;
    Text base = name;
    if (open != kNoPos) {
      base = core::text_sub(name, 0, open);
      if (name.at(name.len - 1u) != ')') return core::SINTAXERROR;
      st = element_indices(core::text_sub(name, open + 1, static_cast<uint16_t>(name.len - open - 2)), indices, &count);
      if (st >= 128) return st;
    } else {
      indices[0] = static_cast<int32_t>(clip(c.integer(1), INT32_MIN, INT32_MAX));
    }
    // Reading never defines an array here: the name must be one already.
    if (!array_exists(base)) return core::SINTAXERROR;
    st = array_get(base, indices, count, &v);
    if (st != 0) return st;
    return value_as_text(v, out);
  }
  // A name the store does not know (a screen field, say) is offered to the
  // variable hook; the store itself asks it first for "_" names.
  if (var_find(name).index < 0 && name.at(0) != '_') {
    Text answer = var_hook_read(name);
    if (answer.ok()) return value_as_text(Value::txt(answer), out);
    return core::text_error(answer) == core::NOVALUE ? core::SINTAXERROR : core::text_error(answer);
  }
  st = var_get_value(name, &v);
  if (st != 0) return st;
  return value_as_text(v, out);
}

}  // namespace script::fn
