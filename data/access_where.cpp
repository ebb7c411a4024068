// The key comparison and the range condition as plain SQL text: single
// comparisons with their NULL wrapping, lexicographic conditions, ORDER BY
// with NULLS clauses. These are the conditions that define which rows a
// move may land on; the indexed statements only find the same rows faster.
#include <string>

#include "data/internal/access.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"

namespace data::internal {

namespace {

constexpr const char* kComparisons[] = {"", "=", ">", ">=", "<", "<=", "<>"};

// True when `s` holds `word` outside parentheses and quotes.
bool holds_at_top(const std::string& s, std::string_view word) {
  int depth = 0;
  char quote = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') quote = c;
    else if (c == '(') ++depth;
    else if (c == ')') --depth;
    else if (depth == 0 && s.compare(i, word.size(), word) == 0) return true;
  }
  return false;
}

}  // namespace

const char* comparison_text(int c) { return c >= 1 && c <= 6 ? kComparisons[c] : "="; }

std::string join_with(const std::vector<std::string>& parts, std::string_view connective) {
  std::string_view other = connective == " AND " ? " OR " : " AND ";
  size_t filled = 0;
  for (const std::string& p : parts) filled += p.empty() ? 0 : 1;
  std::string out;
  for (const std::string& p : parts) {
    if (p.empty()) continue;
    if (!out.empty()) out += connective;
    if (filled > 1 && holds_at_top(p, other)) out += "(" + p + ")";
    else out += p;
  }
  return out;
}

std::string compare_text(const KeyField& f, const Piece& p, int c) {
  std::string name = quote_ident(f.name);
  std::string s = name + " " + comparison_text(c) + " " + p.literal;
  // A blank piece also matches NULL, and NULL sorts below every value.
  bool wrap = ((c & 1) != 0 && p.null) || (c >= 4 && c <= 6 && !p.null);
  return wrap ? "(" + s + " OR " + name + " IS NULL)" : s;
}

std::string lex_text(const KeyInfo& info, const std::vector<Piece>& v, int from, int c) {
  int n = static_cast<int>(v.size());
  if (n > info.count) n = info.count;
  std::vector<std::string> parts;
  if (c == 1) {
    for (int i = from; i < n; ++i) parts.push_back(compare_text(info.field[i], v[i], 1));
    return join_with(parts, " AND ");
  }
  for (int i = from; i < n; ++i) {
    int ci = i == n - 1 ? c : (c & 6);
    std::string own = compare_text(info.field[i], v[i], ci);
    if (i == from) {
      parts.push_back(own);
      continue;
    }
    std::vector<std::string> all;
    for (int j = from; j < i; ++j) all.push_back(compare_text(info.field[j], v[j], 1));
    all.push_back(own);
    parts.push_back("(" + join_with(all, " AND ") + ")");
  }
  return join_with(parts, " OR ");
}

std::string order_text(const KeyInfo& info, bool descending, bool compat) {
  const char* suffix = descending ? (compat ? " DESC" : " DESC NULLS LAST")
                                  : (compat ? "" : " NULLS FIRST");
  std::string out;
  for (const std::string& column : info.order) {
    if (!out.empty()) out += ", ";
    out += column + suffix;
  }
  return out;
}

Range range_make(const KeyInfo& info, Text start, Text limit, int c, int limit_c,
                 bool keep_one, std::string extra) {
  Range r;
  r.info = &info;
  r.start = key_pieces(info, start);
  r.limit = key_pieces(info, limit);
  r.c = c;
  r.limit_c = limit_c;
  r.extra = std::move(extra);
  int h = 0;
  size_t offset = 0;
  while (h < static_cast<int>(r.start.size()) && h < static_cast<int>(r.limit.size()) &&
         r.start[h].raw == r.limit[h].raw) {
    offset += info.field[h].width;
    ++h;
  }
  // A move always compares at least its last field.
  if (keep_one && h >= static_cast<int>(r.start.size())) h = static_cast<int>(r.start.size()) - 1;
  if (h < 0) h = 0;
  r.prefix = h;
  offset = 0;
  for (int i = 0; i < h; ++i) offset += info.field[i].width;
  std::string_view rest = core::text_bytes(limit);
  rest = offset < rest.size() ? rest.substr(offset) : std::string_view{};
  r.has_limit = !rest.empty() && rest != "\xFF";
  return r;
}

std::string range_limit_text(const Range& r) {
  return r.has_limit ? lex_text(*r.info, r.limit, r.prefix, r.limit_c) : std::string{};
}

std::string range_text(const Range& r) {
  std::vector<std::string> parts;
  std::vector<std::string> prefix;
  for (int i = 0; i < r.prefix; ++i) prefix.push_back(compare_text(r.info->field[i], r.start[i], 1));
  parts.push_back(join_with(prefix, " AND "));
  parts.push_back(lex_text(*r.info, r.start, r.prefix, r.c));
  parts.push_back(range_limit_text(r));
  parts.push_back(r.extra);
  return join_with(parts, " AND ");
}

}  // namespace data::internal
