// Statements over a range of key values, in the plain form and in the
// indexed form.
//
// The indexed form reads the same rows as the plain one, in the same
// order, but only through index range scans. The plain condition is an OR
// over the key's fields; on a key's index (every column NULLS FIRST) the
// rows it matches fall into a few stretches, which are listed here in
// index order:
//
//   next from (a, b), no blank piece:   ("k1", "k2") > ('a', 'b')
//   next from (blank, b):               "k1" IS NULL AND "k2" > 'b'
//                                       "k1" = '' AND "k2" > 'b'
//                                       "k1" > ''
//   previous from (a, b), descending:   "k1" = 'a' AND "k2" < 'b'
//                                       "k1" = 'a' AND "k2" IS NULL
//                                       "k1" < 'a'
//                                       "k1" IS NULL
//
// A row comparison matches exactly the plain condition when no piece is
// blank: both stop at the first field that differs, and a NULL there fails
// both. A blank piece stands for NULL and for the empty value (0 for
// numbers), which lie apart in the index (below 0 come the negative
// numbers), so each becomes a stretch of its own. Each stretch is one
// index scan; UNION ALL runs them in the order written and stops as soon
// as LIMIT has its rows, so a move costs one index descent per empty
// stretch before the first row.
//
// The limit of a range and the extra condition are applied to every
// stretch as they stand; where a stretch holds no NULL in the limit's
// first field, the limit also bounds the scan there.
#include <string>

#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "script/variables.h"

namespace data::internal {

namespace {

struct Stretch {
  std::vector<std::string> atoms;
  bool bounded = false;  // the field where the limit starts cannot be NULL here
};

class StretchMaker {
 public:
  StretchMaker(const Range& r, bool descending) : r_(r), desc_(descending) {}

  std::vector<Stretch> make() {
    walk(0);
    return std::move(out_);
  }

 private:
  std::string name(int i) const { return quote_ident(r_.info->field[i].name); }
  std::string is_null(int i) const { return name(i) + " IS NULL"; }
  std::string cmp(int i, const char* op) const {
    return name(i) + " " + op + " " + r_.start[i].literal;
  }
  // The fields from i on compared as one row; a single field plainly.
  std::string row_cmp(int i, const char* op) const {
    int n = static_cast<int>(r_.start.size());
    if (n - i == 1) return cmp(i, op);
    std::string names, values;
    for (int j = i; j < n; ++j) {
      if (j > i) {
        names += ", ";
        values += ", ";
      }
      names += name(j);
      values += r_.start[j].literal;
    }
    return "(" + names + ") " + op + " (" + values + ")";
  }

  void emit(int i, const std::string& atom, bool not_null) {
    Stretch s;
    s.atoms = atoms_;
    if (!atom.empty()) s.atoms.push_back(atom);
    // Equality on every ordering column would let the planner drop the
    // ordering and scan the table for a few rows; the last equality written
    // as a range keeps it on the index.
    int n = r_.info->count;
    if (atom.empty() && equals_ == n && static_cast<int>(r_.info->order.size()) == n) {
      s.atoms.back() = name(n - 1) + " >= " + r_.start[n - 1].literal + " AND " + name(n - 1) +
                       " <= " + r_.start[n - 1].literal;
    }
    s.bounded = bounded_ || (i == r_.prefix && not_null);
    out_.push_back(std::move(s));
  }
  // An atom of the path on to the next field: an equality when not_null,
  // else IS NULL.
  void deeper(int i, const std::string& atom, bool not_null) {
    atoms_.push_back(atom);
    bool was = bounded_;
    bool equal = not_null;
    if (i == r_.prefix) bounded_ = not_null;
    equals_ += equal ? 1 : 0;
    walk(i + 1);
    equals_ -= equal ? 1 : 0;
    bounded_ = was;
    atoms_.pop_back();
  }
  // The values equal to a piece, in scan order: a blank piece is NULL and
  // the empty value.
  void equal_then_deeper(int i) {
    const Piece& p = r_.start[i];
    if (!p.null) return deeper(i, cmp(i, "="), true);
    if (desc_) {
      deeper(i, cmp(i, "="), true);
      deeper(i, is_null(i), false);
    } else {
      deeper(i, is_null(i), false);
      deeper(i, cmp(i, "="), true);
    }
  }

  void walk(int i) {
    int n = static_cast<int>(r_.start.size());
    if (i >= n) return emit(i, std::string{}, false);
    bool last = i == n - 1;
    if (i < r_.prefix || r_.c == 1) return equal_then_deeper(i);
    if (!desc_) return ascending(i, last);
    descending(i, last);
  }

  // c is 2 (next) or 3 (at or after).
  void ascending(int i, bool last) {
    const Piece& p = r_.start[i];
    bool blank_ahead = false;
    for (size_t j = static_cast<size_t>(i); j < r_.start.size(); ++j) blank_ahead |= r_.start[j].null;
    if (!blank_ahead) return emit(i, row_cmp(i, r_.c == 2 ? ">" : ">="), true);
    if (!last) {
      equal_then_deeper(i);
      return emit(i, cmp(i, ">"), true);
    }
    if (r_.c == 2) return emit(i, cmp(i, ">"), true);
    if (p.null) emit(i, is_null(i), false);
    emit(i, cmp(i, ">="), true);
  }

  // c is 4 (previous): below the piece, NULL lowest of all.
  void descending(int i, bool last) {
    const Piece& p = r_.start[i];
    if (last) {
      emit(i, cmp(i, "<"), true);
      if (!p.null) emit(i, is_null(i), false);
      return;
    }
    deeper(i, cmp(i, "="), true);
    emit(i, cmp(i, "<"), true);
    if (p.null) deeper(i, is_null(i), false);
    else emit(i, is_null(i), false);
  }

  const Range& r_;
  bool desc_;
  std::vector<std::string> atoms_;
  bool bounded_ = false;
  int equals_ = 0;  // equality atoms on the current path
  std::vector<Stretch> out_;
};

// The condition of one stretch with the limit and the extra condition.
std::string stretch_where(const Range& r, const Stretch& s, bool descending) {
  std::vector<std::string> parts = s.atoms;
  if (r.has_limit && s.bounded && !descending && r.limit_c == 5)
    parts.push_back(quote_ident(r.info->field[r.prefix].name) + " <= " + r.limit[r.prefix].literal);
  parts.push_back(range_limit_text(r));
  parts.push_back(r.extra);
  return join_with(parts, " AND ");
}

std::string where_clause(const std::string& condition) {
  return condition.empty() ? std::string{} : " WHERE " + condition;
}

bool indexed(const SqlTarget& t, const Range& r, bool descending) {
  if (t.form != SqlForm::Indexed || t.compat) return false;
  // Stretches are made for the comparisons moves, finds and counts use.
  if (descending) return r.c == 4;
  return r.c >= 1 && r.c <= 3;
}

// Each stretch as "(SELECT <what> FROM t WHERE ... <tail>)", joined.
std::string stretch_union(const SqlTarget& t, const Range& r, bool descending,
                          const std::string& what, const std::string& tail) {
  std::string out;
  for (const Stretch& s : StretchMaker(r, descending).make()) {
    if (!out.empty()) out += " UNION ALL ";
    out += "(SELECT " + what + " FROM " + t.table + where_clause(stretch_where(r, s, descending)) +
           tail + ")";
  }
  return out;
}

}  // namespace

SqlTarget sql_target(uint16_t file) {
  SqlTarget t;
  t.table = std::string(core::text_bytes(dict_file_name(file)));
  t.compat = (script::var_get_int(core::kSwSysCompat) & 1) != 0;
  t.form = access_state().form;
  return t;
}

std::string select_all_sql(const SqlTarget& t, const KeyInfo& info, bool descending, int limit) {
  return "SELECT * FROM " + t.table + " ORDER BY " + order_text(info, descending, t.compat) +
         " LIMIT " + std::to_string(limit) + ";";
}

std::string select_sql(const SqlTarget& t, const Range& r, bool descending, int limit) {
  std::string order = order_text(*r.info, descending, t.compat);
  std::string tail = " ORDER BY " + order + " LIMIT " + std::to_string(limit);
  if (!indexed(t, r, descending))
    return "SELECT * FROM " + t.table + where_clause(range_text(r)) + tail + ";";
  std::vector<Stretch> stretches = StretchMaker(r, descending).make();
  if (stretches.size() == 1)
    return "SELECT * FROM " + t.table + where_clause(stretch_where(r, stretches[0], descending)) +
           tail + ";";
  // UNION ALL keeps its branches in the order written (no parallel plan is
  // ever chosen for scans this small), and each is in key order.
  return "SELECT * FROM (" + stretch_union(t, r, descending, "*", tail) + ") AS u LIMIT " +
         std::to_string(limit) + ";";
}

std::string count_sql(const SqlTarget& t, const Range& r, int at_most) {
  if (!indexed(t, r, false)) {
    std::string condition = range_text(r);
    while (!condition.empty() && condition.back() == ' ') condition.pop_back();
    return "SELECT COUNT (*) FROM " + t.table + where_clause(condition) + ";";
  }
  // Stopped early, each stretch reads the index from its start (in key
  // order, so that the planner never prefers to scan for a few rows).
  std::string tail = at_most > 0 ? " ORDER BY " + order_text(*r.info, false, t.compat) + " LIMIT " +
                                       std::to_string(at_most)
                                 : std::string{};
  return "SELECT COUNT (*) FROM (" + stretch_union(t, r, false, "1", tail) + ") AS u;";
}

std::string run_sql(const SqlTarget& t, const Range& r) {
  std::string order = " ORDER BY " + order_text(*r.info, false, t.compat);
  if (!indexed(t, r, false)) return "SELECT * FROM " + t.table + where_clause(range_text(r)) + order;
  std::vector<Stretch> stretches = StretchMaker(r, false).make();
  if (stretches.size() == 1)
    return "SELECT * FROM " + t.table + where_clause(stretch_where(r, stretches[0], false)) + order;
  return "SELECT * FROM (" + stretch_union(t, r, false, "*", std::string{}) + ") AS u" + order;
}

}  // namespace data::internal
