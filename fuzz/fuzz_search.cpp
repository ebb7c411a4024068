// Fuzzes quote-aware searching and replacing: finds, counts, replace,
// replace_lists and template against plain models, and the small text
// operations for bounds and round trips.
#include <cstring>

#include "fuzz/fuzz_common.h"

using namespace core;

namespace {

uint16_t pos(size_t p) { return p == std::string::npos ? kNoPos : static_cast<uint16_t>(p); }

void check_finds(const std::string& s, const std::string& t, char c, uint16_t from, bool plain) {
  const Text ts = fuzz::view(s);
  const Text tt = fuzz::view(t);
  FUZZ_CHECK(text_find(ts, tt, plain) == pos(fuzz::ref_find(s, t, 0, plain)));
  const std::vector<bool> vis = fuzz::visible(s);
  // A search from a position reads quotes from there on.
  const std::vector<bool> vis_from = fuzz::visible(from < s.size() ? s.substr(from) : std::string());
  size_t expect = std::string::npos;
  for (size_t i = from; i < s.size() && expect == std::string::npos; ++i) {
    if (s[i] == c && (plain || vis_from[i - from])) expect = i;
  }
  FUZZ_CHECK(text_find_char(ts, c, from, plain) == pos(expect));
  expect = std::string::npos;
  for (size_t i = 0; i < s.size() && expect == std::string::npos; ++i) {
    if (!t.empty() && std::memchr(t.data(), s[i], t.size()) != nullptr && (plain || vis[i])) expect = i;
  }
  FUZZ_CHECK(text_find_any(ts, tt, plain) == pos(expect));
  FUZZ_CHECK(text_find_last(ts, tt) == pos(t.empty() ? std::string::npos : s.rfind(t)));
  FUZZ_CHECK(text_find_last_char(ts, c) == pos(s.rfind(c)));
  FUZZ_CHECK(text_find_last_any(ts, tt) == pos(t.empty() ? std::string::npos : s.find_last_of(t)));
  size_t n = 0;
  for (size_t at = t.empty() ? std::string::npos : s.find(t); at != std::string::npos; at = s.find(t, at + t.size())) ++n;
  FUZZ_CHECK(text_count(ts, tt) == n);
  FUZZ_CHECK(text_span(ts, tt) == (t.empty() ? 0 : std::min(s.find_first_not_of(t), s.size())));
  // The quote helpers agree with the model's idea of a quoted section.
  const uint16_t q = text_next_quote(ts, from);
  FUZZ_CHECK(q == pos(s.find_first_of("'\"", from)));
  if (q != kNoPos) {
    const size_t close = s.find(s[q], q + 1u);
    FUZZ_CHECK(text_skip_quoted(ts, q) == (close == std::string::npos ? kNoPos : pos(close + 1)));
  }
}

void check_replace(const std::string& s, const std::string& t, const std::string& u, bool plain) {
  ArenaScope scope;
  const Text r = text_replace(fuzz::view(s), fuzz::view(t), fuzz::view(u), plain);
  const std::string expected = fuzz::ref_replace(s, t, u, plain);
  if (expected.size() > kMaxTextLen) {
    FUZZ_CHECK(text_error(r) == STRINGTOOLONG);
  } else if (r.ok()) {
    FUZZ_CHECK(fuzz::str(r) == expected);
  } else {
    FUZZ_CHECK(text_error(r) == OUTOFMEMORY);
  }
}

void check_lists_and_template(const std::string& s, const std::string& from, const std::string& to,
                              char sep, const std::string& name) {
  {
    ArenaScope scope;
    const uint16_t before = arena_mark();
    const Text r = text_replace_lists(fuzz::view(s), fuzz::view(from), fuzz::view(to), sep);
    FUZZ_CHECK(arena_mark() == (r.ok() ? before + 1 : before));
    if (r.ok()) {
      // The model: the same pairs, replaced plainly from the last to the first.
      std::string expected = s;
      for (uint32_t i = list_count(fuzz::view(from), sep); i > 0; --i) {
        const std::string f = fuzz::str(list_field(fuzz::view(from), sep, static_cast<uint16_t>(i)));
        const std::string g = fuzz::str(list_field(fuzz::view(to), sep, static_cast<uint16_t>(i)));
        expected = fuzz::ref_replace(expected, f, g, true);
      }
      FUZZ_CHECK(fuzz::str(r) == expected);
    }
  }
  {
    ArenaScope scope;
    bool left = false;
    const Text r = text_template(fuzz::view(s), fuzz::view(name), fuzz::view(to), &left);
    if (r.ok()) {
      const std::string expected = name.empty() ? s : fuzz::ref_replace(s, "%" + name + "%", to, true);
      FUZZ_CHECK(fuzz::str(r) == expected);
      FUZZ_CHECK(left == (expected.find('%') != std::string::npos));
    }
  }
}

void check_small_operations(const std::string& s, const std::string& t, char c, int start, uint16_t count) {
  ArenaScope scope;
  const Text ts = fuzz::view(s);
  const Text tt = fuzz::view(t);
  const Text sub = text_sub(ts, start, count);
  FUZZ_CHECK(sub.ok() && sub.ptr >= ts.ptr && sub.ptr + sub.len <= ts.ptr + ts.len);
  const Text trimmed = text_trim(ts, (start & 3));
  FUZZ_CHECK(trimmed.ok() && trimmed.len <= ts.len);
  const Text quoted = text_quote(ts, c);
  if (quoted.ok()) {
    FUZZ_CHECK(quoted.len == ts.len + 2);
    if (fuzz::is_quote(quoted.ptr[0])) FUZZ_CHECK(text_equal(text_unquote(quoted), ts));
  } else {
    FUZZ_CHECK(text_error(quoted) == NOVALUE || text_error(quoted) == OUTOFMEMORY);
  }
  const int ab = text_compare(ts, tt);
  FUZZ_CHECK(ab == -text_compare(tt, ts));
  FUZZ_CHECK((ab == 0) == text_equal(ts, tt));
  for (int code = 0; code <= 6; ++code) {
    const Text picked = text_pick(ts, tt, code);
    FUZZ_CHECK(text_equal(picked, ts) || text_equal(picked, tt));
  }
  const Text collapsed = text_collapse(ts, c);
  if (collapsed.ok()) FUZZ_CHECK(collapsed.len <= ts.len);
  const Text kept = text_keep_only(ts, tt);
  if (kept.ok()) FUZZ_CHECK(kept.len <= ts.len);
  const Text translated = text_translate(ts, tt, text_sub(tt, 1, kToEnd));
  if (translated.ok()) FUZZ_CHECK(translated.len == ts.len);
  std::string buffer = s;
  (void)text_put(fuzz::view(buffer), start, tt);
  FUZZ_CHECK(buffer.size() == s.size());
  (void)text_to_int(ts);
  (void)text_to_int_radix(ts);
  (void)text_is_true(ts);
  const Text formatted = text_format(count, "%s|%d", text_cstr(ts), start);
  const size_t expected_len = std::strlen(text_cstr(ts)) + 1 + std::to_string(start).size();
  if (expected_len > count) {
    FUZZ_CHECK(text_error(formatted) == STRINGTOOLONG);
  } else if (formatted.ok()) {
    FUZZ_CHECK(formatted.len == expected_len);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ensure_context();
  FuzzedDataProvider in(data, size);
  const uint16_t base = arena_mark();
  const bool plain = in.ConsumeBool();
  const char c = static_cast<char>(in.ConsumeIntegral<uint8_t>());
  const char sep = fuzz::pick_sep(in);
  const uint16_t from = in.ConsumeIntegralInRange<uint16_t>(0, 80);
  const int start = in.ConsumeIntegralInRange<int>(-100, 100);
  const uint16_t count = in.ConsumeIntegral<uint16_t>();
  const std::string t = in.ConsumeRandomLengthString(16);
  const std::string u = in.ConsumeRandomLengthString(64);
  const std::string s = in.ConsumeRandomLengthString(4096);
  const std::string lists = in.ConsumeRemainingBytesAsString();
  fuzz::dump("plain c sep", std::string{plain ? '1' : '0', c, sep});
  fuzz::dump("from start count", std::to_string(from) + " " + std::to_string(start) + " " + std::to_string(count));
  fuzz::dump("t", t);
  fuzz::dump("u", u);
  fuzz::dump("s", s);
  fuzz::dump("lists", lists);
  const size_t half = lists.size() / 2;
  {
    ArenaScope scope;
    check_finds(s, t, c, from, plain);
    check_replace(s, t, u, plain);
    check_lists_and_template(s, lists.substr(0, half), lists.substr(half), sep, t);
    check_small_operations(s, t, c, start, count);
  }
  FUZZ_CHECK(arena_mark() == base);
  return 0;
}
