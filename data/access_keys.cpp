// Keys as SQL sees them: the key's fields with their names and types, the
// columns a key orders by, and the pieces of a key value with their
// literals by the empty-value rule.
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/arena.h"
#include "data/internal/access.h"
#include "data/internal/common.h"
#include "data/session.h"

namespace data::internal {

using core::kOk;

bool numeric_type(char type) {
  static constexpr std::string_view kNumericTypes = "NL123456789";
  return kNumericTypes.find(type) != std::string_view::npos;
}

std::string quote_ident(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

namespace {

KeyField key_field(uint16_t file, const FieldItem& f) {
  KeyField k;
  k.field = f.number;
  k.type = f.type;
  k.offset = f.offset;
  k.width = f.width;
  k.numeric = numeric_type(f.type);
  k.name = std::string(core::text_bytes(dict_field_name(file, f.number)));
  return k;
}

}  // namespace

std::vector<KeyField> file_fields(uint16_t file) {
  std::vector<KeyField> out;
  FileItem item;
  if (dict_file_attr(file, &item) != kOk) return out;
  for (uint16_t i = 1; i <= item.field_count; ++i) {
    FieldItem f;
    if (dict_field_attr(file, i, &f) != kOk) break;
    out.push_back(key_field(file, f));
  }
  return out;
}

std::string field_literal(const KeyField& f, const std::string& record) {
  bool null = false;
  std::string_view piece = std::string_view(record).substr(std::min<size_t>(f.offset, record.size()), f.width);
  std::string literal = value_literal(f.numeric, piece, &null);
  return null ? "NULL" : literal;
}

Status key_info(uint16_t file, uint16_t key, KeyInfo* info) {
  info->file = file;
  info->key = key;
  info->count = 0;
  info->order.clear();
  uint16_t fields[kMaxSegments];
  int count = 0;
  Status code = dict_key_fields(file, key, fields, &count);
  if (code != kOk) return code;
  for (int i = 0; i < count; ++i) {
    FieldItem f;
    code = dict_field_attr(file, fields[i], &f);
    if (code != kOk) return code;
    info->field[i] = key_field(file, f);
  }
  info->count = count;
  // A key made of field 1 alone orders by the file's first three fields, so
  // that the lines of a document come in order.
  if (count == 1 && fields[0] == 1) {
    FileItem item;
    code = dict_file_attr(file, &item);
    if (code != kOk) return code;
    for (uint16_t n = 1; n <= item.field_count && n <= 3; ++n)
      info->order.push_back(quote_ident(core::text_bytes(dict_field_name(file, n))));
  } else {
    for (int i = 0; i < count; ++i) info->order.push_back(quote_ident(info->field[i].name));
  }
  return kOk;
}

namespace {

// Digits with an optional sign and decimal point: safe to write unquoted.
bool plain_number(std::string_view v) {
  size_t i = 0;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) ++i;
  bool digits = false, point = false;
  for (; i < v.size(); ++i) {
    if (v[i] >= '0' && v[i] <= '9') {
      digits = true;
    } else if (v[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view v, bool numeric) {
  size_t end = v.size();
  while (end > 0 && blank(v[end - 1])) --end;
  size_t start = 0;
  if (numeric)
    while (start < end && blank(v[start])) ++start;
  return v.substr(start, end - start);
}

constexpr char kMarkOpen = '\x01', kMarkValue = '\x02', kMarkClose = '\x03';
constexpr std::string_view kMarks("\x01\x02\x03", 3);

// Calls take(literal, value) for each marked value and text(piece) for the
// text between them.
template <typename OnText, typename OnValue>
void walk_marks(const std::string& marked, OnText text, OnValue take) {
  size_t at = 0;
  while (at < marked.size()) {
    size_t open = marked.find(kMarkOpen, at);
    if (open == std::string::npos) break;
    size_t mid = marked.find(kMarkValue, open);
    size_t close = marked.find(kMarkClose, mid);
    text(std::string_view(marked).substr(at, open - at));
    take(std::string_view(marked).substr(open + 1, mid - open - 1),
         std::string_view(marked).substr(mid + 1, close - mid - 1));
    at = close + 1;
  }
  text(std::string_view(marked).substr(at));
}

}  // namespace

std::string text_literal(std::string_view v) {
  // Control bytes are written as escapes, so that a statement never holds
  // the bytes that mark values for the prepared forms.
  if (v.find_first_of(kMarks) != std::string_view::npos) {
    std::string out = "E'";
    for (char c : v) {
      auto b = static_cast<unsigned char>(c);
      if (b < 0x20 || c == '\'' || c == '\\' || c == '"') {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", b);
        out += hex;
      } else {
        out += c;
      }
    }
    return out + "'";
  }
  core::ArenaScope scope;
  return std::string(core::text_bytes(sql_literal(core::text_view(v.data(), v.size()))));
}

std::string value_literal(bool numeric, std::string_view value, bool* null) {
  std::string_view v = trimmed(value, numeric);
  *null = v.empty();
  if (v.empty()) return numeric ? "0" : "''";
  // Numbers are written as they stand; anything else a numeric piece may
  // hold goes in quotes, so that it can only ever be a value.
  if (numeric && plain_number(v)) return std::string(v);
  return text_literal(v);
}

std::string value_mark(const std::string& literal, std::string_view raw, bool numeric) {
  std::string_view v = trimmed(raw, numeric);
  if (v.find_first_of(kMarks) != std::string_view::npos) return literal;
  return kMarkOpen + literal + kMarkValue + std::string(v) + kMarkClose;
}

std::string sql_plain(const std::string& marked) {
  if (marked.find(kMarkOpen) == std::string::npos) return marked;
  std::string out;
  walk_marks(
      marked, [&](std::string_view t) { out += t; },
      [&](std::string_view literal, std::string_view) { out += literal; });
  return out;
}

std::string sql_shape(const std::string& marked, std::vector<std::string>* values) {
  std::string out;
  walk_marks(
      marked, [&](std::string_view t) { out += t; },
      [&](std::string_view, std::string_view value) {
        values->emplace_back(value);
        out += "$" + std::to_string(values->size());
      });
  return out;
}

std::vector<Piece> key_pieces(const KeyInfo& info, Text value) {
  std::vector<Piece> pieces;
  std::string_view v = core::text_bytes(value);
  size_t offset = 0;
  for (int i = 0; i < info.count && offset < v.size(); ++i) {
    Piece p;
    p.raw = std::string(v.substr(offset, info.field[i].width));
    offset += info.field[i].width;
    p.literal = value_literal(info.field[i].numeric, p.raw, &p.null);
    if (!p.null) p.literal = value_mark(p.literal, p.raw, info.field[i].numeric);
    pieces.push_back(std::move(p));
  }
  return pieces;
}

}  // namespace data::internal

namespace data {

Text access_index_definition(uint16_t file, uint16_t key, bool unique) {
  internal::KeyInfo info;
  uint16_t n = dict_file_resolve(file);
  if (internal::key_info(n, key, &info) != core::kOk) return core::text_error_value(core::DATAOUTBOUND);
  std::string table(core::text_bytes(dict_file_name(n)));
  std::string name = table + "_ndx" + std::to_string(key);
  auto columns = [](const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& c : names) out += (out.empty() ? "" : ", ") + c + " NULLS FIRST";
    return out;
  };
  std::vector<std::string> key_columns;
  for (int i = 0; i < info.count; ++i) key_columns.push_back(internal::quote_ident(info.field[i].name));
  std::string sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + name + " ON " +
                    table + " USING btree (" + columns(unique ? key_columns : info.order) + ");";
  // A unique key that orders by more columns than it has also needs an
  // index in that order.
  if (unique && info.order != key_columns)
    sql += " CREATE INDEX " + name + "o ON " + table + " USING btree (" + columns(info.order) + ");";
  return core::arena_text(sql);
}

}  // namespace data
