// Definition file types, names with their type, and finding a definition
// file in the definition folders.
#include "core/arena.h"
#include "core/slots.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

namespace defs {

const Text kFileTypes = "PPN,PAN,STP,DAT,DAT,PDC,PRX,QVA,PMT,PDF,TXT,PDI,HLP"_t;

namespace {

// The position of the "." that starts the name's extension: the last one,
// when it stands after the last separator; kNoPos when there is none.
uint16_t extension_dot(Text name) {
  uint16_t dot = core::text_find_last_char(name, '.');
  uint16_t slash = core::text_find_last_any(name, "/\\"_t);
  if (dot == core::kNoPos || (slash != core::kNoPos && slash > dot)) return core::kNoPos;
  return dot;
}

}  // namespace

uint16_t def_file_type(Text name) {
  uint16_t dot = extension_dot(name);
  if (dot == core::kNoPos) return 0;
  Text ext = core::text_sub(name, dot + 1, core::kToEnd);
  core::ArenaScope scope;
  return core::list_index(kFileTypes, ',', core::text_case(ext, core::Case::Upper));
}

Text def_name_with_type(Text name, uint16_t type) {
  if (!name.ok() || extension_dot(name) != core::kNoPos) return name;
  if (type == 0 || type > core::list_count(kFileTypes, ',')) return name;
  core::ArenaScope scope;
  Text dotted = core::text_concat("."_t, core::list_field(kFileTypes, ',', type));
  return scope.keep(core::text_concat(name, dotted));
}

Text def_file_find(Text name, uint16_t type) {
  if (!name.ok()) return name;
  core::ArenaScope scope;
  Text typed = def_name_with_type(core::text_trim(name, core::kTrimBoth), type);
  return scope.keep(paths::path_search(core::slot_get(core::kGroupEnv, core::kEnvDocPath), typed));
}

}  // namespace defs
