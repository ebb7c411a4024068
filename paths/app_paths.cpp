// The seven application paths, the file-name extensions and the folder
// set-up that derives the definition and help folders.
#include "core/arena.h"
#include "core/slots.h"
#include "paths/paths.h"

namespace paths {
namespace {

using core::ArenaScope;

// The first folder of slot 5 (which may be a comma list), "/"-written.
Text definition_folder() {
  Text list = core::slot_get(core::kGroupEnv, core::kEnvDocPath);
  return path_normalize(
      core::text_unquote(core::text_trim(core::list_field(list, ',', 1), core::kTrimBoth)));
}

Text slot_folder(uint16_t slot) { return path_normalize(core::slot_get(core::kGroupEnv, slot)); }

// No final "/", except for a root.
Text without_final_slash(Text p) {
  while (p.ok() && p.len > 1 && p.at(p.len - 1u) == '/' && p.at(p.len - 2u) != ':')
    p = core::text_sub(p, 0, p.len - 1u);
  return p;
}

Text app_path(uint16_t number) {
  switch (static_cast<AppPath>(number)) {
    case AppPath::RunPath:
      return path_program_folder();
    case AppPath::Default:
      return definition_folder();
    case AppPath::Data: {
      Text base =
          path_late_drive(path_program_folder()) ? definition_folder() : path_app(AppPath::Docs);
      return path_resolve(base, "../data"_t);
    }
    case AppPath::Docs: {
      Text docs = slot_folder(core::kEnvDataPath);
      return docs.len != 0 ? docs : path_current_folder();
    }
    case AppPath::Help: {
      Text help = slot_folder(core::kEnvHelpPath);
      return help.len != 0 ? help : path_resolve(definition_folder(), "Help"_t);
    }
    case AppPath::Backup:
      return path_resolve(slot_folder(core::kEnvDataPath), "Backups"_t);
    case AppPath::BackRel: {
      Text backups = path_join(path_current_folder(), "Backups"_t);
      return path_join(path_join(backups, env_database_field(1)), env_database_field(2));
    }
  }
  return core::text_error_value(core::NOVALUE);
}

}  // namespace

Text path_app(uint16_t number) {
  ArenaScope scope;
  return scope.keep(without_final_slash(app_path(number)));
}

bool path_late_drive(Text run_path) {
  uint8_t c = run_path.at(0);
  if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
  return run_path.len >= 2 && run_path.at(1) == ':' && c >= 'F' && c <= 'Z';
}

Text path_extension(uint16_t position, bool lower) {
  if (position == 0 || position > core::list_count(kExtensionList, ',')) return Text{};
  Text ext = core::list_field(kExtensionList, ',', position);
  return lower ? core::text_case(ext, core::Case::Lower) : ext;
}

Status path_folder_setup(int mode) {
  ArenaScope scope;
  Status st = 0;
  if ((mode & 2) != 0) {
    Text apps = path_resolve(path_current_folder(), "../APPS"_t);
    st = core::slot_set(core::kGroupEnv, core::kEnvDocPath, apps);
    if (st == 0) st = core::slot_set(core::kGroupEnv, core::kEnvHelpPath, path_resolve(apps, "Help"_t));
  } else if ((mode & 1) != 0) {
    st = env_set_if_empty(core::kEnvDocPath, path_app(AppPath::RunPath), false);
    if (st == 0) st = env_set_if_empty(core::kEnvHelpPath, path_app(AppPath::Help), false);
  }
  if (st != 0 || (mode & 8) == 0) return st;
  Text backup = path_app(AppPath::Backup);
  if (!backup.ok()) return backup.len;
  if (path_match_files(backup).ok()) return 0;
  return path_make_folders(backup);
}

}  // namespace paths
