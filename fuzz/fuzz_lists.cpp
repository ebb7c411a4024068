// Fuzzes separated lists: counting, fields, split, set, union and minus, on
// lists cut from the input (and sometimes repeated to reach the limits),
// against a plain model of the quote rules.
#include <algorithm>

#include "fuzz/fuzz_common.h"

using namespace core;

namespace {

bool has_byte(const std::string& s, char c) { return s.find(c) != std::string::npos; }
bool has_quotes(const std::string& s) { return has_byte(s, '\'') || has_byte(s, '"'); }

void check_reading(Text list, char sep) {
  ArenaScope scope;
  const std::string raw = fuzz::str(list);
  const std::vector<std::string> model = fuzz::ref_fields(raw, sep);
  const uint16_t count = list_count(list, sep);
  FUZZ_CHECK(count == std::min<size_t>(model.size(), 65535));
  // Fields are views that cover the list between separators.
  // Reading field i walks the list: the first fields, one in the middle
  // and the last are read by number, the split array is compared whole.
  std::vector<uint32_t> probes;
  for (uint32_t i = 1; i <= std::min<uint32_t>(count, 24); ++i) probes.push_back(i);
  if (count > 24) probes.push_back(count / 2);
  if (count > 24) probes.push_back(count);
  for (const uint32_t i : probes) {
    const Text f = list_field(list, sep, static_cast<uint16_t>(i));
    FUZZ_CHECK(f.ok() && fuzz::str(f) == model[i - 1]);
    FUZZ_CHECK(f.len == 0 || (f.ptr >= list.ptr && f.ptr + f.len <= list.ptr + list.len));
    const uint16_t at = list_index(list, sep, f);
    FUZZ_CHECK(at >= 1 && at <= i && text_equal(list_field(list, sep, at), f));
  }
  FUZZ_CHECK(list_field(list, sep, 0).len == 0);
  if (count < 65535) FUZZ_CHECK(list_field(list, sep, static_cast<uint16_t>(count + 1)).len == 0);
  TextArray a = list_split(list, sep);
  if (a.status == kOk) {
    FUZZ_CHECK(a.count == count);
    for (uint32_t i = 1; i <= count; ++i) FUZZ_CHECK(fuzz::str(a.at(static_cast<uint16_t>(i))) == model[i - 1]);
    FUZZ_CHECK(a.at(0).len == 0);
  } else {
    FUZZ_CHECK(a.status == OUTOFMEMORY && a.count == 0);
  }
  if (count > 0) FUZZ_CHECK(list_shortest(list, sep) <= list_longest(list, sep));
  const Text bytes = list_to_bytes(list);
  if (bytes.ok()) FUZZ_CHECK(bytes.len == list_count(list, ','));
  (void)list_field_int(list, sep, static_cast<uint16_t>(count / 2 + 1));
}

void check_set(Text list, char sep, int n, Text value) {
  ArenaScope scope;
  const Text r = list_set(list, sep, n, value);
  if (!r.ok()) {
    FUZZ_CHECK(text_error(r) == STRINGTOOLONG || text_error(r) == OUTOFMEMORY);
    return;
  }
  const std::string l = fuzz::str(list);
  const std::string v = fuzz::str(value);
  // Quotes and separators in the value may merge or split fields; the
  // field arithmetic holds where they cannot.
  if ((sep != '\0' && (has_quotes(l) || has_quotes(v))) || has_byte(v, sep) || fuzz::is_quote(sep)) return;
  const uint32_t count = list_count(list, sep);
  if (count >= 65535 || list_count(r, sep) >= 65535) return;
  if (n > 0) {
    FUZZ_CHECK(fuzz::str(list_field(r, sep, static_cast<uint16_t>(n))) == v);
    if (r.len > 0) FUZZ_CHECK(list_count(r, sep) == std::max<uint32_t>(std::max<uint32_t>(count, 1), n));
  } else if (n == 0) {
    FUZZ_CHECK(fuzz::str(list_field(r, sep, list_count(r, sep))) == v);
    if (count > 0) FUZZ_CHECK(list_count(r, sep) == count + 1);
  } else {
    const uint32_t m = static_cast<uint32_t>(-static_cast<int64_t>(n));
    if (m > count) {
      FUZZ_CHECK(text_equal(r, list));
    } else if (count > 1 && r.len > 0) {
      // (A list left with one empty field reads as the empty list.)
      FUZZ_CHECK(list_count(r, sep) == count - 1);
      for (uint32_t i = 1; i < count && i <= 50; ++i) {
        const uint32_t from = i < m ? i : i + 1;
        FUZZ_CHECK(text_equal(list_field(r, sep, static_cast<uint16_t>(i)),
                              list_field(list, sep, static_cast<uint16_t>(from))));
      }
    }
  }
}

void check_union_minus(Text a, char sa, Text b, char sb) {
  ArenaScope scope;
  const std::string ra = fuzz::str(a);
  const std::string rb = fuzz::str(b);
  // A quote as separator is never found; a list made with one is one field.
  const bool clean = !fuzz::is_quote(sa) && !fuzz::is_quote(sb) &&
                     ((sa == '\0' && sb == '\0') || (!has_quotes(ra) && !has_quotes(rb)));
  const Text u = list_union(a, sa, b, sb);
  FUZZ_CHECK(u.ok() || text_error(u) == STRINGTOOLONG || text_error(u) == OUTOFMEMORY);
  if (u.ok() && clean && (sa == sb || !has_byte(rb, sa)) && list_count(u, sa) < 65535) {
    for (const std::string& f : fuzz::ref_fields(ra, sa)) FUZZ_CHECK(list_index(u, sa, fuzz::view(f)) > 0);
    for (const std::string& f : fuzz::ref_fields(rb, sb)) {
      if (!f.empty()) FUZZ_CHECK(list_index(u, sa, fuzz::view(f)) > 0);
    }
    FUZZ_CHECK(list_count(u, sa) <= uint32_t{list_count(a, sa)} + list_count(b, sb));
  }
  const Text m = list_minus(a, sa, b, sb);
  FUZZ_CHECK(m.ok() || text_error(m) == STRINGTOOLONG || text_error(m) == OUTOFMEMORY);
  if (m.ok() && m.len > 0 && clean && (sa == sb || !has_byte(ra, sb))) {
    FUZZ_CHECK(list_count(m, sb) <= list_count(a, sa));
    for (const std::string& f : fuzz::ref_fields(fuzz::str(m), sb)) FUZZ_CHECK(list_index(b, sb, fuzz::view(f)) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ensure_context();
  FuzzedDataProvider in(data, size);
  const uint16_t base = arena_mark();
  const char sep_a = fuzz::pick_sep(in);
  const char sep_b = in.ConsumeBool() ? sep_a : fuzz::pick_sep(in);
  const int n = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-70, 70) : in.ConsumeIntegral<int>();
  const uint16_t repeat = in.ConsumeIntegralInRange<uint16_t>(0, 40);
  const std::string value = in.ConsumeRandomLengthString(64);
  const std::string a = in.ConsumeRandomLengthString(4096);
  const std::string b = in.ConsumeRemainingBytesAsString();
  fuzz::dump("seps", std::string{sep_a, sep_b});
  fuzz::dump("n repeat", std::to_string(n) + " " + std::to_string(repeat));
  fuzz::dump("value", value);
  fuzz::dump("a", a);
  fuzz::dump("b", b);
  {
    ArenaScope scope;
    Text list_a = fuzz::view(a);
    // Repeated, the list reaches toward the 16-bit and arena limits.
    if (repeat > 1) {
      const Text big = text_repeat(list_a, repeat);
      if (big.ok()) list_a = big;
    }
    check_reading(list_a, sep_a);
    check_reading(fuzz::view(b), sep_b);
    check_set(list_a, sep_a, n, fuzz::view(value));
    check_set(fuzz::view(b), sep_b, n, fuzz::view(value));
    check_union_minus(fuzz::view(a), sep_a, fuzz::view(b), sep_b);
  }
  FUZZ_CHECK(arena_mark() == base);
  return 0;
}
