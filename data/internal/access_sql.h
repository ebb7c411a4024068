// The SQL texts of keyed access: conditions, orderings and whole
// statements, in the plain form and the indexed form. Pure text building
// over the dictionary; nothing here talks to the server.
#pragma once

#include <string>
#include <vector>

#include "data/internal/access.h"

namespace data::internal {

// --- plain conditions ---------------------------------------------------------------
// Comparison c by position in "=,>,>=,<,<=,<>" (1 to 6).
const char* comparison_text(int c);
// The parts joined with the connective (" AND " or " OR "), empty parts
// skipped, a part that holds the other connective outside parentheses put
// in parentheses.
std::string join_with(const std::vector<std::string>& parts, std::string_view connective);
// "\"f\" c literal", wrapped as "(... OR \"f\" IS NULL)" when c is odd and
// the piece blank, or c is 4, 5 or 6 and the piece not blank.
std::string compare_text(const KeyField& f, const Piece& p, int c);
// The lexicographic condition of the pieces from field `from` on: c = 1
// joins equalities with AND; otherwise field i compares strictly (c & 6)
// unless it is the last, after equality of the fields before it.
std::string lex_text(const KeyInfo& info, const std::vector<Piece>& v, int from, int c);
// The key's ordering columns with " NULLS FIRST" or " DESC NULLS LAST"
// (" DESC" and nothing in compatibility mode).
std::string order_text(const KeyInfo& info, bool descending, bool compat);

// A range of key values: equality on the leading fields where start and
// limit agree, the start compared by c from there on, the limit by limit_c,
// and an extra SQL condition.
struct Range {
  const KeyInfo* info = nullptr;
  std::vector<Piece> start;
  std::vector<Piece> limit;
  int c = 2;
  int limit_c = 5;
  int prefix = 0;
  bool has_limit = false;  // the limit's rest is neither empty nor the byte 255
  std::string extra;
};
// keep_one: at least the start's last field stays out of the prefix (moves).
Range range_make(const KeyInfo& info, Text start, Text limit, int c, int limit_c, bool keep_one,
                 std::string extra);
std::string range_text(const Range& r);
std::string range_limit_text(const Range& r);

// --- statements ----------------------------------------------------------------------
struct SqlTarget {
  std::string table;
  bool compat = false;   // status word 15 bit 1
  SqlForm form = SqlForm::Indexed;
};
SqlTarget sql_target(uint16_t file);

// The rows of a range in key order (descending for a previous), at most
// `limit` of them.
std::string select_sql(const SqlTarget& t, const Range& r, bool descending, int limit);
// All rows in key order (first and last).
std::string select_all_sql(const SqlTarget& t, const KeyInfo& info, bool descending, int limit);
// The number of rows of a range; with `at_most` the count stops there.
std::string count_sql(const SqlTarget& t, const Range& r, int at_most);
// The query of a scroll cursor over the rows equal to a key value, in key
// order.
std::string run_sql(const SqlTarget& t, const Range& r);

// --- runtime expressions as SQL -----------------------------------------------------
struct SqlOptions {
  // 0: every field reference is a column; else only this file's fields
  // are, and the other files' fields are their values in the buffers.
  uint16_t column_file = 0;
  bool coalesce_numbers = false;  // a number column reads as COALESCE(col, 0)
  bool null_rules = true;         // "<", "<=" and "== 0" also match NULL
};
Status sql_expression(Text expr, const SqlOptions& options, std::string* out);
// access_condition with `file` as the current file (FIELD{} names it).
Text file_condition(uint16_t file, Text expression);

}  // namespace data::internal
