// Reading field lists.
#include <algorithm>

#include "core/arena.h"
#include "core/errors.h"
#include "script/eval.h"
#include "script/variables.h"
#include "ui/forms.h"

namespace ui {

namespace {

constexpr int kDefaultWidth = 30;
constexpr int16_t kCompatVariableAsWritten = 1024;

std::string copy(Text t) { return t.ok() ? std::string(t.ptr, t.len) : std::string(); }

// Separators outside quotes.
int count_outside_quotes(Text s, char c) { return s.empty() ? 0 : core::list_count(s, c) - 1; }

// A part's value: a quoted text as it stands, anything else evaluated (an
// expression that fails is kept as written).
std::string part_value(const std::string& part) {
  if (part.empty()) return part;
  core::ArenaScope scope;
  Text t = core::text_view(part.data(), part.size());
  char first = part.front();
  if ((first == '\'' || first == '"') && part.size() >= 2 && part.back() == first) {
    return copy(core::text_unquote(t));
  }
  Text value = script::expr_text(t);
  if (!value.ok()) {
    core::error_clear();
    return part;
  }
  return copy(value);
}

// Takes "/ROW" or "/COL", one separator character and a number out of a
// field; 0 when the field has none.
int take_place(std::string* field, const char* key) {
  core::ArenaScope scope;
  Text f = core::text_view(field->data(), field->size());
  uint16_t at = core::text_find(f, core::text_from_c(key), false);
  if (at == core::kNoPos) return 0;
  size_t pos = at + 5;  // past the key and its separator
  size_t end = pos;
  while (end < field->size() && (*field)[end] >= '0' && (*field)[end] <= '9') ++end;
  int value = end > pos ? std::atoi(field->substr(pos, end - pos).c_str()) : 0;
  field->erase(at, std::min(end, field->size()) - at);
  return value;
}

// The type and width of a type part ("A30", "26"); a field of only a
// label, or of type V, takes them from its variable's kind.
void read_type(FormField* f, const std::string& type_text, bool single) {
  std::string t = type_text;
  if (single || t.empty()) t = "V";
  char letter = t[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  int width = t.size() > 1 ? std::atoi(t.c_str() + 1) : 0;
  if (letter == 'V' && (script::var_get_int(core::kSwCompat) & kCompatVariableAsWritten) == 0) {
    const std::string& name = f->parts[2].empty() ? f->label : f->parts[2];
    int kind = script::var_kind(core::text_view(name.data(), name.size()));
    letter = kind == script::kKindText ? 'A' : 'N';
  } else if (letter == 'V') {
    letter = 'A';
  }
  f->type = letter;
  f->width = width > 0 ? width : kDefaultWidth;
}

}  // namespace

Status form_parse(Text list, FieldList* out) {
  core::ArenaScope scope;
  out->fields.clear();
  Text fields = list;
  uint16_t slash = core::text_find(list, " /"_t, false);
  if (slash != core::kNoPos) {
    fields = core::text_sub(list, 0, slash);
    out->options = copy(core::text_sub(list, slash + 2, core::kToEnd));
  }
  core::TextArray items = core::list_split(fields, ',');
  if (items.status != 0) return items.status;
  for (uint16_t n = 1; n <= items.count; ++n) {
    std::string field = copy(core::text_trim(items.at(n), core::kTrimBoth));
    if (field.empty()) continue;
    FormField f;
    f.row = take_place(&field, "/ROW");
    f.column = take_place(&field, "/COL");
    Text ft = core::text_view(field.data(), field.size());
    char sep = ':';
    if (count_outside_quotes(ft, ':') == 1 && count_outside_quotes(ft, ';') >= 2) sep = ';';
    if (sep == ';') {
      field = copy(core::text_replace(ft, ":"_t, ";"_t, false));
      ft = core::text_view(field.data(), field.size());
    }
    core::TextArray parts = core::list_split(ft, sep);
    if (parts.count > 5) {
      core::report_detail(core::SINTAXERROR, ft, false);
      return core::error_record(core::kRecord, core::Context::Screen, core::SINTAXERROR, core::SINTAXERROR);
    }
    for (uint16_t p = 1; p <= parts.count; ++p) f.parts[p - 1] = copy(core::text_trim(parts.at(p), core::kTrimBoth));
    std::string label = part_value(f.parts[0]);
    if (!label.empty() && label[0] == '{') {
      size_t comma = label.find(',');
      size_t close = label.find('}');
      if (comma != std::string::npos && close != std::string::npos && comma < close) {
        f.row = std::atoi(label.c_str() + 1);
        f.column = std::atoi(label.c_str() + comma + 1);
      }
    }
    size_t last = label.rfind('}');
    f.label = last == std::string::npos ? label : label.substr(last + 1);
    read_type(&f, part_value(f.parts[1]), parts.count == 1);
    out->fields.push_back(std::move(f));
  }
  return 0;
}

std::string form_fd_complete(Text fd, const std::vector<FormField>& fields) {
  core::ArenaScope scope;
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    Text named = core::text_trim(core::list_field(fd, ',', static_cast<uint16_t>(i + 1)), core::kTrimBoth);
    std::string name = copy(named);
    if (name.empty()) {
      char t = fields[i].type;
      bool text = t == 'A' || t == 'B' || t == 'C' || t == 'D' || t == 'F' || t == 'P';
      name = "_SCRF" + std::to_string(i + 1) + (text ? "$" : "#");
    }
    out += (i == 0 ? "" : ",") + name;
  }
  return out;
}

Text form_generate(Text names, int parameter) {
  core::ArenaScope scope;
  std::string out;
  core::TextArray items = core::list_split(names, ',');
  for (uint16_t n = 1; n <= items.count; ++n) {
    std::string name = copy(core::text_trim(items.at(n), core::kTrimBoth));
    if (name.empty()) continue;
    const char* type = script::var_kind(core::text_view(name.data(), name.size())) == script::kKindText ? "A511" : "A32";
    std::string field = "\"" + name + ": \":\"" + type + "\":" + name + ":";
    field += parameter > 0 ? "FN$PARM([" + name + "];" + std::to_string(parameter) + ")" : "[" + name + "]";
    out += (out.empty() ? "" : ",") + field;
  }
  return scope.keep(core::text_copy(core::text_view(out.data(), out.size())));
}

}  // namespace ui
