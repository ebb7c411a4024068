// Runtime expressions as SQL: the conditions of grids and ranges, and the
// value texts of the relational update's SET lists.
//
//   NOMBRE{CLIENTES}=='PEREZ'&&SALDO{}<100
//   -> "NOMBRE"='PEREZ' AND ("SALDO" IS NULL OR "SALDO"<100)
//
// The expression is read with the evaluator's lexer. Field references
// become column names; operators their SQL forms; text constants literals;
// numbers plain decimals; every other operand (a variable, a function
// call) is evaluated and written as its value. NULL counts as 0 and as
// lower than any value: a number column compared by "<", "<=" or "== 0"
// also matches NULL (the test runs to the next comparison or connective),
// and equality with an empty text is IS NULL.
#include <string>

#include "core/arena.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "data/records.h"
#include "data/session.h"
#include "script/eval.h"
#include "script/lexer.h"
#include "script/numbers.h"
#include "script/variables.h"

namespace data {

using core::kOk;

namespace internal {

namespace {

// Operator numbers of the lexer and their SQL forms, by position in
// "*,/,!,%,\xF7,+,-,=,>,<,==,>=,<=,<>,&,|,@,&&,||,@@".
constexpr const char* kSqlOperators[] = {"",    "*",    "/",     "!",    "%",     "\xF7", "+",
                                         "-",   "=",    ">",     "<",    "=",     ">=",   "<=",
                                         "<>",  " AND ", " OR ", " OR ", " AND ", " OR ", " OR "};
constexpr int kOpEqual = 8, kOpLess = 10, kOpEqualEqual = 11, kOpLessEqual = 13, kOpDiffer = 14;

std::string value_text(const script::Value& v) {
  core::ArenaScope scope;
  if (!v.is_text()) return std::string(core::text_bytes(script::number_to_text(v.number)));
  Text t = core::text_trim(v.text, core::kTrimRight);
  if (t.len == 0) return "NULL";
  return text_literal(core::text_bytes(t));
}

class Translator {
 public:
  Translator(const SqlOptions& options, std::string* out) : opt_(options), out_(*out) {}

  Status run(Text s) {
    uint16_t pos = 0;
    bool operand = true;
    while (pos < s.len) {
      Status st = operand ? read_operand(s, &pos) : read_operator(s, &pos);
      if (st != kOk) return st;
      operand = !operand;
    }
    close_tests();
    return operand && s.len != 0 ? core::SINTAXERROR : kOk;
  }

 private:
  // "--" starts a comment in SQL: a minus before a negative value or a
  // unary minus keeps a blank between them ("x - -1", not "x--1").
  void append(const std::string& t) {
    if (!t.empty() && t[0] == '-' && !out_.empty() && out_.back() == '-') out_ += ' ';
    out_ += t;
  }

  // A null test runs to the next comparison or connective.
  void close_tests() {
    for (; open_tests_ > 0; --open_tests_) out_ += ")";
  }

  Status read_operator(Text s, uint16_t* pos) {
    script::lex::Operator op = script::lex::read_operator(s, *pos);
    if (op.number <= 0 || op.number > 20) return core::SINTAXERROR;
    if (op.number >= kOpEqual) close_tests();
    last_op_ = op.number;
    op_at_ = out_.size();
    out_ += kSqlOperators[op.number];
    *pos = static_cast<uint16_t>(*pos + op.length);
    return kOk;
  }

  Status read_operand(Text s, uint16_t* pos) {
    uint8_t c = s.at(*pos);
    if (c == '-' || c == '+') {
      append(std::string(1, static_cast<char>(c)));
      ++*pos;
      return *pos < s.len ? read_operand(s, pos) : core::SINTAXERROR;
    }
    std::string pending = std::move(pending_column_);
    pending_column_.clear();
    size_t pending_at = column_at_;
    new_column_.clear();
    std::string text;
    Status st = kOk;
    bool empty_text = false;
    if (c == '(') {
      uint16_t close = script::lex::matching_paren(s, *pos);
      if (close == core::kNoPos) return core::SINTAXERROR;
      std::string inner;
      st = Translator(opt_, &inner).run(core::text_sub(s, *pos + 1, static_cast<uint16_t>(close - *pos - 1)));
      text = "(" + inner + ")";
      *pos = static_cast<uint16_t>(close + 1);
    } else {
      uint16_t end = script::lex::next_delimiter(s, *pos);
      if (end < s.len && s.at(end) == '(') {
        uint16_t close = script::lex::matching_paren(s, end);
        if (close == core::kNoPos) return core::SINTAXERROR;
        end = static_cast<uint16_t>(close + 1);
        st = evaluated(core::text_sub(s, *pos, static_cast<uint16_t>(end - *pos)), &text);
      } else {
        st = plain_operand(core::text_sub(s, *pos, static_cast<uint16_t>(end - *pos)), &text, &empty_text);
      }
      *pos = end;
    }
    if (st != kOk) return st;
    if (empty_text && (last_op_ == kOpEqual || last_op_ == kOpEqualEqual || last_op_ == kOpDiffer)) {
      out_.resize(op_at_);
      out_ += last_op_ == kOpDiffer ? " IS NOT NULL" : " IS NULL";
    } else {
      if (null_test(pending, pending_at, text)) ++open_tests_;
      append(text);
    }
    if (!new_column_.empty()) {
      pending_column_ = new_column_;
      column_at_ = out_.size() - text.size();
    }
    return kOk;
  }

  // A number column before "<", "<=" or "== 0": NULL counts as below, so
  // the comparison becomes "(col IS NULL OR col<...)".
  bool null_test(const std::string& column, size_t at, const std::string& operand) {
    if (column.empty()) return false;
    bool less = last_op_ == kOpLess || last_op_ == kOpLessEqual;
    bool zero = last_op_ == kOpEqualEqual && operand == "0";
    if (!less && !zero) return false;
    std::string op = out_.substr(op_at_);
    out_.resize(at);
    out_ += "(" + column + " IS NULL OR " + column + op;
    return true;
  }

  Status evaluated(Text expr, std::string* text) {
    core::ArenaScope scope;
    script::Value v;
    Status st = script::expr_value(expr, &v);
    if (st >= 128) return st;
    *text = value_text(v);
    return kOk;
  }

  Status plain_operand(Text token, std::string* text, bool* empty_text) {
    if (token.len == 0) return core::SINTAXERROR;
    uint8_t c = token.at(0);
    if (c == '\'' || c == '"') {
      core::ArenaScope scope;
      Text inner = core::text_sub(token, 1, static_cast<uint16_t>(token.len - 2));
      if (token.len < 2 || token.at(token.len - 1u) != c) return core::SINTAXERROR;
      *empty_text = inner.len == 0;
      *text = inner.len == 0 ? "NULL" : text_literal(core::text_bytes(inner));
      return kOk;
    }
    if (c >= '0' && c <= '9') {
      core::ArenaScope scope;
      *text = std::string(core::text_bytes(script::number_to_text(script::number_from_text(token))));
      return kOk;
    }
    if (core::text_find_char(token, '{', 0, true) != core::kNoPos) return column(token, text);
    return evaluated(token, text);
  }

  Status column(Text ref, std::string* text) {
    uint16_t file = 0, field = 0;
    Status st = dict_field_ref(ref, &file, &field);
    if (st != kOk) return st;
    FieldItem f;
    st = dict_field_attr(file, field, &f);
    if (st != kOk) return st;
    if (opt_.column_file != 0 && file != dict_file_resolve(opt_.column_file)) {
      // Another file's field: its value in the record buffer.
      core::ArenaScope scope;
      Text value = field_get(file, field, Buffer::Current);
      if (!value.ok()) return core::text_error(value);
      bool null = false;
      *text = value_literal(numeric_type(f.type), core::text_bytes(value), &null);
      if (null) *text = numeric_type(f.type) ? "0" : "NULL";
      return kOk;
    }
    std::string name = quote_ident(core::text_bytes(dict_field_name(file, field)));
    bool numeric = numeric_type(f.type);
    *text = numeric && opt_.coalesce_numbers ? "COALESCE(" + name + ", 0)" : name;
    if (numeric && opt_.null_rules) new_column_ = name;
    return kOk;
  }

  const SqlOptions& opt_;
  std::string& out_;
  int last_op_ = 0;
  size_t op_at_ = 0;
  std::string pending_column_;  // a number column just written, before its operator
  size_t column_at_ = 0;
  std::string new_column_;
  int open_tests_ = 0;
};

}  // namespace

Status sql_expression(Text expr, const SqlOptions& options, std::string* out) {
  out->clear();
  if (!expr.ok()) return core::text_error(expr);
  if (expr.len == 0) return kOk;
  core::ArenaScope scope;
  Text prepared = script::lex::prepare(expr);
  if (!prepared.ok()) return core::SINTAXERROR;
  return Translator(options, out).run(prepared);
}

Text file_condition(uint16_t file, Text expression) {
  int16_t current = script::var_get_int(core::kSwCurFil);
  script::var_set_int(core::kSwCurFil, static_cast<int16_t>(file));
  Text cond = access_condition(expression);
  script::var_set_int(core::kSwCurFil, current);
  return cond;
}

}  // namespace internal

Text access_condition(Text expression) {
  std::string out;
  Status st = internal::sql_expression(expression, internal::SqlOptions{}, &out);
  if (st != kOk) return core::text_error_value(st);
  return core::arena_text(out);
}

}  // namespace data
