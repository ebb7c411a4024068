// The dictionary built from the PostgreSQL catalogue of the current
// connection: one file per table of schema public, its columns as fields,
// its indexes as keys.
//
// The numbering must not change between runs, because applications name
// files and keys by number: tables come in creation order (by OID), keys
// with the primary key first, then the other unique indexes, then the rest,
// each group in creation order.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "data/dictionary.h"
#include "data/internal/catalogue.h"
#include "data/internal/dictionary.h"
#include "data/internal/session.h"
#include "data/session.h"

namespace data {

using core::kOk;

namespace {

// Types whose position (2 to 10) makes a numeric field.
constexpr Text kCatalogueTypes =
    "character,smallint,integer,bigint,decimal,numeric,real,double precision,serial,bigserial"_t;

// A column whose type gives no width would make a field of width 0, which
// holds nothing: its values would be lost on every read and every insert
// would write them as NULL. Such columns get a width that holds their usual
// values: a date is a date field (stored as YYYYMMDD, the connection reads
// dates in the ISO style), a truth value one character ("t" or "f"), times
// and time stamps their longest ISO form, numbers without precision 20
// digits, and every other text 255 characters.
void widen_unsized(Text type, char* letter, int64_t* width) {
  if (*width > 0) return;
  std::string_view t = core::text_bytes(type);
  if (t == "date") {
    *letter = 'D';
    *width = 8;
  } else if (t == "boolean") {
    *width = 1;
  } else if (t.rfind("timestamp", 0) == 0) {
    *width = 32;
  } else if (t.rfind("time", 0) == 0) {
    *width = 21;
  } else if (*letter != 'A') {
    *width = 20;
  } else {
    *width = 255;
  }
}

// A query whose rows are read and released before the next one runs.
struct Rows {
  int slot = -1;
  int64_t count = 0;
  Status code = kOk;

  Rows(Text statement) {
    code = sql_exec(statement, -1, &count);
    if (code == kNoRows) {
      code = kOk;
      count = 0;
    }
    if (code == kOk && count > 0) slot = session_current_slot();
  }
  ~Rows() {
    if (slot >= 0) sql_release(slot);
  }
  Rows(const Rows&) = delete;
  Rows& operator=(const Rows&) = delete;

  Text at(int64_t row, Text column) const {
    return sql_value(static_cast<int>(row), column_number(column), slot);
  }
  int column_number(Text column) const { return sql_column(column, slot); }
  int64_t number(int64_t row, Text column) const {
    return std::strtoll(std::string(core::text_bytes(at(row, column))).c_str(), nullptr, 10);
  }
};

struct CatalogueColumn {
  std::string name;
  std::string type;
  int64_t max_length = 0;
  int64_t precision = 0;
  int64_t scale = 0;
  int64_t position = 0;
};

struct TableCatalogue {
  std::vector<CatalogueColumn> columns;
  std::vector<std::string> indexes;   // each index's column numbers, blank-separated
};

using Catalogue = std::map<std::string, TableCatalogue, std::less<>>;

std::string text_string(Text t) { return std::string(core::text_bytes(t)); }

Status read_catalogue(Catalogue* catalogue) {
  {
    Rows rows(internal::kColumnQuery);
    if (rows.code != kOk) return rows.code;
    for (int64_t row = 0; row < rows.count; ++row) {
      core::ArenaScope scope;
      CatalogueColumn c;
      c.name = text_string(rows.at(row, "column_name"_t));
      c.type = text_string(rows.at(row, "data_type"_t));
      c.max_length = rows.number(row, "character_maximum_length"_t);
      c.precision = rows.number(row, "numeric_precision"_t);
      c.scale = rows.number(row, "numeric_scale"_t);
      c.position = rows.number(row, "ordinal_position"_t);
      (*catalogue)[text_string(rows.at(row, "table_name"_t))].columns.push_back(std::move(c));
    }
  }
  Rows rows(internal::kIndexQuery);
  if (rows.code != kOk) return rows.code;
  for (int64_t row = 0; row < rows.count; ++row) {
    core::ArenaScope scope;
    (*catalogue)[text_string(rows.at(row, "table_name"_t))].indexes.push_back(
        text_string(rows.at(row, "indkey"_t)));
  }
  return kOk;
}

Status add_fields(Text table, const std::vector<CatalogueColumn>& columns, std::vector<int64_t>* positions) {
  for (const CatalogueColumn& column : columns) {
    core::ArenaScope scope;
    Text type = core::text_view(column.type.data(), column.type.size());
    uint16_t position = core::list_index(kCatalogueTypes, ',', type);
    char letter = 'A';
    int64_t width = column.max_length;
    if (position >= 2 && position <= 10) {
      letter = column.scale <= 0 ? 'N' : static_cast<char>('0' + (column.scale > 9 ? 9 : column.scale));
      width = column.precision;
    }
    if (width < 0 || width > 65535) width = 0;
    widen_unsized(type, &letter, &width);
    Text name = core::text_copy(core::text_view(column.name.data(), column.name.size()));
    positions->push_back(column.position);
    Status code = dict_add_field(name, static_cast<uint16_t>(width), letter);
    if (code != kOk) {
      return core::report_detail(code, core::text_concat(core::text_concat(table, "."_t), name),
                                 false);
    }
  }
  return kOk;
}

// The segments of one index, from its column numbers (blank-separated);
// false for an index on an expression or a column that is not a field.
bool index_segments(uint16_t file, Text columns, const std::vector<int64_t>& positions,
                    KeySegment* segments, int* count) {
  *count = 0;
  for (uint16_t i = 1, n = core::list_count(columns, ' '); i <= n; ++i) {
    int64_t column = core::list_field_int(columns, ' ', i);
    uint16_t field = 0;
    for (size_t k = 0; k < positions.size() && field == 0; ++k)
      if (positions[k] == column && column > 0) field = static_cast<uint16_t>(k + 1);
    FieldItem f;
    if (field == 0 || dict_field_attr(file, field, &f) != kOk) return false;
    if (*count < kMaxSegments) segments[(*count)++] = KeySegment{f.offset, f.width};
  }
  return *count > 0;
}

Status add_keys(uint16_t file, const std::vector<std::string>& indexes, const std::vector<int64_t>& positions) {
  int keys = 0;
  for (const std::string& columns : indexes) {
    KeySegment segments[kMaxSegments];
    int count = 0;
    if (!index_segments(file, core::text_view(columns.data(), columns.size()), positions, segments, &count))
      continue;
    Status code = dict_add_key(file, segments, count);
    if (code != kOk) return code;
    ++keys;
  }
  return keys > 0 ? kOk : dict_add_default_key(file);
}

// What the catalogue build knows of one file: its number and the column
// number (attnum) of each field.
struct TableFile {
  uint16_t file = 0;
  std::vector<int64_t> positions;
};

// Column numbers of an array text "{2,3}" as field numbers (0: a column
// that is no field).
std::vector<uint16_t> array_fields(Text array, const std::vector<int64_t>& positions) {
  std::vector<uint16_t> fields;
  std::string s(core::text_bytes(array));
  for (char& c : s)
    if (c == '{' || c == '}' || c == ',') c = ' ';
  const char* p = s.c_str();
  char* end = nullptr;
  for (long column = std::strtol(p, &end, 10); end != p; column = std::strtol(p, &end, 10)) {
    p = end;
    uint16_t field = 0;
    for (size_t k = 0; k < positions.size() && field == 0; ++k)
      if (positions[k] == column) field = static_cast<uint16_t>(k + 1);
    fields.push_back(field);
  }
  return fields;
}

std::vector<uint16_t> key_field_list(uint16_t file, uint16_t key) {
  uint16_t fields[kMaxSegments];
  int count = 0;
  if (dict_key_fields(file, key, fields, &count) != kOk) return {};
  return std::vector<uint16_t>(fields, fields + count);
}

uint16_t field_width(uint16_t file, uint16_t field) {
  FieldItem f;
  return dict_field_attr(file, field, &f) == kOk ? f.width : 0;
}

// One foreign key of file a (fields `from`) to file b (fields `to`) as the
// relation item "<b>R<k>K<n>": n is the key of b made of the referenced
// fields, k the key of a that starts with the referencing fields in the
// order of key n. A file without such a key gets one (after the keys of its
// indexes, so that their numbers stay). Nothing is added for a foreign key
// whose fields differ in width from the fields they reference, or for which
// b has no key: its value could not be read from a key of a.
Status add_relation(uint16_t a, const std::vector<uint16_t>& from, uint16_t b,
                    const std::vector<uint16_t>& to) {
  if (from.empty() || from.size() != to.size() || from.size() > kMaxSegments) return kOk;
  FileItem fb, fa;
  if (dict_file_attr(b, &fb) != kOk || dict_file_attr(a, &fa) != kOk) return kOk;
  for (uint16_t n = 1; n <= fb.key_count; ++n) {
    std::vector<uint16_t> key = key_field_list(b, n);
    if (key.size() != to.size()) continue;
    // The referencing fields in the order of b's key.
    std::vector<uint16_t> wanted;
    for (uint16_t field : key) {
      size_t j = 0;
      while (j < to.size() && to[j] != field) ++j;
      if (j == to.size() || from[j] == 0 || field_width(a, from[j]) != field_width(b, field)) break;
      wanted.push_back(from[j]);
    }
    if (wanted.size() != key.size()) continue;
    uint16_t k = 0;
    for (uint16_t i = 1; i <= fa.key_count && k == 0; ++i) {
      std::vector<uint16_t> own = key_field_list(a, i);
      if (own.size() >= wanted.size() && std::equal(wanted.begin(), wanted.end(), own.begin())) k = i;
    }
    if (k == 0) {
      KeySegment segments[kMaxSegments];
      for (size_t i = 0; i < wanted.size(); ++i) {
        FieldItem f;
        if (dict_field_attr(a, wanted[i], &f) != kOk) return kOk;
        segments[i] = KeySegment{f.offset, f.width};
      }
      Status code = dict_add_key(a, segments, static_cast<int>(wanted.size()));
      if (code != kOk) return code;
      k = static_cast<uint16_t>(fa.key_count + 1);
    }
    std::string item = std::string(core::text_bytes(dict_file_name(b))) + "R" + std::to_string(k) + "K" + std::to_string(n);
    return dict_add_relation(a, core::text_view(item.data(), item.size()));
  }
  return kOk;
}

Status add_relations(const std::vector<std::pair<std::string, TableFile>>& files) {
  auto find = [&files](Text name) -> const TableFile* {
    for (const auto& [table, f] : files)
      if (core::text_bytes(name) == table) return &f;
    return nullptr;
  };
  Rows rows(internal::kForeignKeyQuery);
  if (rows.code != kOk) return rows.code;
  for (int64_t row = 0; row < rows.count; ++row) {
    core::ArenaScope scope;
    const TableFile* a = find(rows.at(row, "from_table"_t));
    const TableFile* b = find(rows.at(row, "to_table"_t));
    if (a == nullptr || b == nullptr) continue;
    Status code = add_relation(a->file, array_fields(rows.at(row, "from_columns"_t), a->positions), b->file,
                               array_fields(rows.at(row, "to_columns"_t), b->positions));
    if (code != kOk) return code;
  }
  return kOk;
}

}  // namespace

Status dict_build_from_catalogue(int flags) {
  core::ArenaScope scope;
  // The current slot is where the caller left it once the rows are read.
  struct SlotKeeper {
    int slot = internal::current_slot();
    ~SlotKeeper() { internal::set_current_slot(slot); }
  } keeper;
  std::vector<std::string> tables;
  {
    Rows rows(internal::kTableQuery);
    if (rows.code != kOk)
      return core::error_record(core::kRecord, core::Context::SQLCONNECT, core::PERMISSION,
                                core::PERMISSION);
    for (int64_t row = 0; row < rows.count; ++row)
      tables.emplace_back(core::text_bytes(rows.at(row, "table_name"_t)));
  }
  std::vector<std::pair<std::string, TableFile>> built;
  Catalogue catalogue;
  const TableCatalogue no_catalogue;
  bool catalogue_read = false;
  for (const std::string& table : tables) {
    Text name = core::text_view(table.data(), table.size());
    Status code = dict_add_file(0, name, Text{});
    if (code != kOk) {
      core::error_record(core::kRecord, core::Context::SQLCONNECT, code, code);
      return core::report_detail(code, name, false);
    }
    if ((flags & kOpenColumns) == 0) continue;
    // Read once, when the first table needs it.
    if (!catalogue_read) {
      code = read_catalogue(&catalogue);
      catalogue_read = true;
      if (code != kOk) return core::error_record(core::kRecord, core::Context::SQLCONNECT, code, code);
    }
    TableFile f;
    f.file = dict_file_count();
    auto found = catalogue.find(table);
    const TableCatalogue& own = found != catalogue.end() ? found->second : no_catalogue;
    code = add_fields(name, own.columns, &f.positions);
    if (code == kOk) code = add_keys(f.file, own.indexes, f.positions);
    if (code != kOk)
      return core::error_record(core::kRecord, core::Context::SQLCONNECT, code, code);
    built.emplace_back(table, std::move(f));
  }
  // Foreign keys become relations once every file has its keys.
  if ((flags & kOpenColumns) == 0) return kOk;
  Status code = add_relations(built);
  return code == kOk ? kOk : core::error_record(core::kRecord, core::Context::SQLCONNECT, code, code);
}

}  // namespace data
