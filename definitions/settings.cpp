// Settings files: texts of assignments run by the expression evaluator, and
// saving variables into them.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/slots.h"
#include "script/eval.h"
#include "script/functions.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

namespace defs {
namespace {

using core::ArenaScope;

// The statements of a settings text, one a line, joined with ";"; blank
// lines and end-of-file marks are left out.
std::string statement_list(Text body) {
  std::string out;
  uint32_t i = 0;
  while (i < body.len) {
    uint32_t start = i;
    while (i < body.len && body.at(i) != '\r' && body.at(i) != '\n') ++i;
    Text line = core::text_trim(
        core::text_sub(body, static_cast<int>(start), static_cast<uint16_t>(i - start)),
        core::kTrimBoth);
    ++i;
    if (line.len == 0 || (line.len == 1 && line.at(0) == 0x1A)) continue;
    if (!out.empty()) out += ';';
    out += core::text_str(line);
  }
  return out;
}

Status settings_failed(Status code, Text name) {
  (void)core::report_detail(code, name, false);
  return core::error_record(core::kRecord, core::Context::LOADFILESTR, code, code);
}

// The settings file a name (its tokens expanded) stands for; empty when it
// is nowhere, an error value for a name that does not expand.
Text settings_path(Text expanded) {
  if (!expanded.ok()) return expanded;
  return def_file_find(expanded, 0);
}

}  // namespace

Status settings_run(Text name, bool must_exist) {
  ArenaScope scope;
  Text expanded = paths::env_expand(name);
  Text path = settings_path(expanded);
  if (!path.ok()) return path.len;
  if (path.len == 0) return must_exist ? settings_failed(core::FILENOTFOUND, expanded) : Status{0};
  Text body = core::file_load(path, 0, core::kToEnd);
  if (!body.ok()) return settings_failed(body.len, path);
  Text list = core::arena_text(statement_list(body));
  if (!list.ok()) return settings_failed(list.len, path);
  if (list.len == 0) return 0;
  script::Value ignored;
  Status st = script::expr_value(list, &ignored);
  return st >= 128 ? st : Status{0};
}

Status settings_save(Text name, Text names) {
  ArenaScope scope;
  Text expanded = paths::env_expand(name);
  Text path = settings_path(expanded);
  if (path.ok() && path.len == 0) {
    Text given = paths::path_normalize(core::text_trim(expanded, core::kTrimBoth));
    bool has_folder = core::text_find_char(given, '/', 0, true) != core::kNoPos;
    path = has_folder ? given : paths::path_join(paths::path_app(paths::AppPath::Default), given);
  }
  if (!path.ok()) return path.len;
  return script::settings_file_save(path, names);
}


}  // namespace defs
