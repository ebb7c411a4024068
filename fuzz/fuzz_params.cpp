// Fuzzes keyed parameter strings: param_find against a plain model of the
// key rules, param_value's normalising, and param_set round trips.
#include "fuzz/fuzz_common.h"

using namespace core;

namespace {

bool is_boundary(char c) { return c == ':' || c == ' ' || c == '&' || c == '/'; }

// Where a pair of key is found: from the key to the end of its value.
struct Place {
  size_t key = std::string::npos;
  size_t end = std::string::npos;
};

// The value of key by the rules written out the long way; false when absent.
bool ref_find(const std::string& s, const std::string& key, std::string* value, Place* place = nullptr) {
  if (key.empty() || key.find_first_of("'\"") != std::string::npos) return false;
  const std::vector<bool> vis = fuzz::visible(s);
  for (char form : {':', '='}) {
    for (size_t i = 0; i + key.size() < s.size(); ++i) {
      if (!vis[i] || s.compare(i, key.size(), key) != 0 || s[i + key.size()] != form) continue;
      if (i > 0 && !is_boundary(s[i - 1])) continue;
      size_t end = i + key.size() + 1;
      while (end < s.size() && !(vis[end] && is_boundary(s[end]))) ++end;
      // The model's visibility ends at an unclosed quote; so does the value.
      *value = s.substr(i + key.size() + 1, end - i - key.size() - 1);
      if (place != nullptr) *place = Place{i, end};
      return true;
    }
  }
  return false;
}

std::string ref_value(const std::string& raw) {
  size_t from = 0;
  size_t to = raw.size();
  while (from < to && (raw[from] == ' ' || raw[from] == '\t')) ++from;
  while (to > from && (raw[to - 1] == ' ' || raw[to - 1] == '\t')) --to;
  std::string v = raw.substr(from, to - from);
  if (v.size() >= 2 && fuzz::is_quote(v[0]) && v.back() == v[0]) v = v.substr(1, v.size() - 2);
  if (v.size() == raw.size()) {
    for (char& c : v) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return v;
}

void check_find(const std::string& text, const std::string& key) {
  ArenaScope scope;
  std::string expected;
  const bool present = ref_find(text, key, &expected);
  const Text found = param_find(fuzz::view(text), fuzz::view(key));
  FUZZ_CHECK(found.ok() == present);
  if (!present) {
    FUZZ_CHECK(text_error(found) == NOVALUE);
    FUZZ_CHECK(param_value(fuzz::view(text), fuzz::view(key)).len == 0);
    return;
  }
  FUZZ_CHECK(fuzz::str(found) == expected);
  const Text value = param_value(fuzz::view(text), fuzz::view(key));
  FUZZ_CHECK(value.ok() && fuzz::str(value) == ref_value(expected));
}

void check_set(const std::string& text, const std::string& key, const std::string& value,
               const std::string& other) {
  ArenaScope scope;
  std::string old_value;
  Place old_place;
  if (!ref_find(text, key, &old_value, &old_place)) old_place = Place{text.size(), text.size()};
  const Text r = param_set(fuzz::view(text), fuzz::view(key), fuzz::view(value));
  if (!r.ok()) {
    FUZZ_CHECK(text_error(r) == NOVALUE || text_error(r) == STRINGTOOLONG || text_error(r) == OUTOFMEMORY);
    return;
  }
  const std::string written = fuzz::str(r);
  // The key reads back as the value, as given or quoted.
  const Text found = param_find(r, fuzz::view(key));
  FUZZ_CHECK(found.ok());
  FUZZ_CHECK(fuzz::str(found) == value || fuzz::str(text_unquote(found)) == value);
  // Another key reads as before, unless its pair and the one set overlap:
  // in KEY:A:B the value A is also the key of a pair A:B, and in A:KEY=1
  // the value of A holds the pair of KEY.
  if (other != key && key.find('=') == std::string::npos && other.find_first_of("=: &/") == std::string::npos) {
    Place new_place;
    if (!ref_find(written, key, &old_value, &new_place)) return;
    std::string before;
    std::string after;
    Place was_at;
    Place is_at;
    const bool was = ref_find(text, other, &before, &was_at);
    const bool is = ref_find(written, other, &after, &is_at);
    auto overlap = [](Place a, Place b) { return a.key <= b.end && b.key <= a.end; };
    if (was && overlap(was_at, old_place)) return;
    if (is && overlap(is_at, new_place)) return;
    FUZZ_CHECK(was == is);
    FUZZ_CHECK(before == after);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ensure_context();
  FuzzedDataProvider in(data, size);
  const uint16_t base = arena_mark();
  const std::string key = in.ConsumeRandomLengthString(12);
  const std::string other = in.ConsumeRandomLengthString(12);
  const std::string value = in.ConsumeRandomLengthString(64);
  const std::string text = in.ConsumeRemainingBytesAsString();
  fuzz::dump("key", key);
  fuzz::dump("other", other);
  fuzz::dump("value", value);
  fuzz::dump("text", text);
  check_find(text, key);
  check_find(text, other);
  check_set(text, key, value, other);
  FUZZ_CHECK(arena_mark() == base);
  return 0;
}
