// Definition files by name, and saving variables into a settings file: a
// text of assignments, one statement per line or several separated by ";",
// that the expression evaluator runs.
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/slots.h"
#include "script/eval.h"
#include "script/internal/fn_call.h"
#include "script/lexer.h"
#include "script/numbers.h"

namespace script::fn {
namespace {

using core::ArenaScope;
using core::kNoPos;
using core::operator""_t;

// Names written with "\" still work: the separator is "/".
Text posix_path(Text s) { return core::text_translate(s, "\\"_t, "/"_t); }

bool has_folder(Text name) { return core::text_find_char(name, '/', 0, true) != kNoPos; }

Text path_join(Text folder, Text name) {
  if (folder.len == 0 || folder.at(folder.len - 1u) == '/') return core::text_concat(folder, name);
  return core::text_concat(core::text_concat(folder, "/"_t), name);
}

Text folder_field(uint16_t n) {
  Text folders = core::slot_get(core::kGroupEnv, core::kEnvDocPath);
  return posix_path(core::text_unquote(core::text_trim(core::list_field(folders, ',', n), core::kTrimBoth)));
}

// The statements of a settings text: split at line ends and at ";" outside
// quotes and parentheses.
std::vector<Text> statements(Text body) {
  std::vector<Text> out;
  int depth = 0;
  uint8_t quote = 0;
  uint32_t start = 0;
  for (uint32_t i = 0; i <= body.len; ++i) {
    uint8_t c = body.at(i);
    bool end = i == body.len;
    if (!end && quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (!end && (c == '\'' || c == '"')) {
      quote = c;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && depth > 0) --depth;
    if (end || c == '\r' || c == '\n' || (c == ';' && depth == 0)) {
      Text s = core::text_trim(core::text_sub(body, static_cast<int>(start), static_cast<uint16_t>(i - start)),
                               core::kTrimBoth);
      if (s.len != 0) out.push_back(s);
      start = i + 1;
    }
  }
  return out;
}

// The variable a statement assigns: the name before its first "=" (not
// "=="), or empty.
Text assigned_name(Text statement) {
  uint16_t d = lex::next_delimiter(statement, 0);
  if (d >= statement.len || statement.at(d) != '=' || statement.at(d + 1u) == '=') return Text{};
  return core::text_trim(core::text_sub(statement, 0, d), core::kTrimBoth);
}

// One listed item: NAME (its current value) or NAME=expression (the
// expression's value), as the entry NAME=value.
Status entry_for(Text item, std::string* entry, Text* name) {
  uint16_t eq = core::text_find_char(item, '=', 0, false);
  if (eq == kNoPos) {
    *name = item;
    Text e = var_settings_entry(item);
    if (!e.ok()) return e.len;
    entry->assign(e.ptr, e.len);
    return 0;
  }
  *name = core::text_trim(core::text_sub(item, 0, eq), core::kTrimBoth);
  if (var_kind(*name) == kKindNone || var_kind(*name) == kKindIndexed) return core::SINTAXERROR;
  Value v;
  Status st = expr_value(core::text_sub(item, eq + 1, core::kToEnd), &v);
  if (st >= 128) return st;
  Text value = v.is_text() ? core::text_quote(v.text, '\'') : number_to_text(v.number);
  if (!value.ok()) return value.len;
  entry->assign(name->ptr, name->len);
  entry->append("=").append(value.ptr, value.len);
  return 0;
}

// The lookup without an installed finder: see functions.h.
Text lookup_in_folders(Text name) {
  ArenaScope scope;
  Text given = posix_path(name);
  uint16_t folders = core::list_count(core::slot_get(core::kGroupEnv, core::kEnvDocPath), ',');
  if (has_folder(given) || folders == 0) return core::file_exists(given) ? scope.keep(given) : Text{};
  for (uint16_t n = 1; n <= folders; ++n) {
    Text path = path_join(folder_field(n), given);
    if (path.ok() && core::file_exists(path)) return scope.keep(path);
  }
  return Text{};
}

}  // namespace

// Rewrites the file with one assignment per listed variable, keeping its
// other statements, then runs it again. A new file goes into the first
// definition folder unless its name gives a folder.
Status settings_save(Text file, Text names) {
  if (!file.ok()) return file.len;
  if (!names.ok()) return names.len;
  ArenaScope scope;
  Text path = definition_file_find(file);
  if (path.len == 0) {
    Text given = posix_path(file);
    Text folder = has_folder(given) ? Text{} : folder_field(1);
    path = path_join(folder, given);
  }
  if (!path.ok()) return path.len;

  std::vector<std::string> entries;
  std::vector<Text> listed;
  core::TextArray items = core::list_split(names, ',');
  if (items.status != 0) return items.status;
  for (uint16_t i = 1; i <= items.count; ++i) {
    Text item = core::text_trim(items.at(i), core::kTrimBoth);
    if (item.len == 0) continue;
    std::string entry;
    Text name;
    Status st = entry_for(item, &entry, &name);
    if (st != 0) return st;
    entries.push_back(std::move(entry));
    listed.push_back(name);
  }

  std::string body;
  if (core::file_exists(path)) {
    Text old = core::file_load(path, 0, core::kToEnd);
    if (!old.ok()) return old.len;
    for (Text s : statements(old)) {
      Text target = assigned_name(s);
      bool replaced = false;
      for (Text n : listed) replaced = replaced || (target.len != 0 && core::text_equal(target, n));
      if (!replaced) body.append(s.ptr, s.len).append("\r\n");
    }
  }
  for (const std::string& e : entries) body.append(e).append("\r\n");
  Text content = core::arena_text(body);
  if (!content.ok()) return content.len;
  Status st = core::file_put(path, -2, content);
  if (st != 0) return st;

  // Run it again, as a settings file is run: its lines joined with ";".
  std::string joined;
  for (Text s : statements(content)) {
    if (!joined.empty()) joined += ';';
    joined.append(s.ptr, s.len);
  }
  if (joined.empty()) return 0;
  Value ignored;
  st = expr_value(core::arena_text(joined), &ignored);
  return st >= 128 ? st : Status{0};
}

}  // namespace script::fn

namespace script {

Status settings_file_save(Text file, Text names) { return fn::settings_save(file, names); }

namespace {
DefinitionFinder g_definition_finder = nullptr;
}  // namespace

void definition_finder_set(DefinitionFinder finder) { g_definition_finder = finder; }

Text definition_file_find(Text name) {
  if (!name.ok() || name.len == 0) return Text{};
  if (g_definition_finder != nullptr) return g_definition_finder(name);
  return fn::lookup_in_folders(name);
}

}  // namespace script
