// apprun: the runtime that interprets an application's definition files.
//
// The entry runs start-up with the command line, its composition root
// (runtime.cpp: every context and every hook), its process dispatcher and
// its phase callback, and returns the result as the exit code.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/text.h"
#include "apprun/check.h"
#include "apprun/runtime.h"
#include "core/arena.h"
#include "core/slots.h"
#include "core/version.h"
#include "data/dictionary.h"
#include "data/session.h"
#include "app/app.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

namespace {

using core::Status;
using core::Text;
using core::operator""_t;

constexpr const char* kUsage =
    "usage: apprun [/OPTION:value ...]\n"
    "       apprun --check [folder,...]   load every definition file and report what fails\n"
    "  /DPATH:'folder'        definition folder (default: the current folder)\n"
    "  /RUN:'Kind,argument'   run one process instead of the menu, e.g. /RUN:'PrcExec,TEST'\n"
    "  /INPUT:'file'          run the process names of a file, one a line\n"
    "  /OUTPUT:'file'         append the runtime's output lines to a file\n"
    "  /APNAME:name /TRACE:n /MODE:ADMIN|PRNTOFILE /APSTART:'file,section'\n"
    "  /sqlhost:'host' /database:'name' /user:'name' /passw:'password'\n"
    "                         the database, in place of the file sqlparams.dat\n"
    "Options may start with /, - or --, and take ':' or '='. A bare value is read\n"
    "in upper case up to the next ':', blank, '&' or '/'; quote a value to keep it\n"
    "as written: apprun \"/RUN:'PrcExec,test'\"\n";

// The application's dictionary files (its prefix and "DICC.DAT", with
// "REL.DAT" for the relations between files) when the definition folders
// hold them. The session builds the dictionary from the catalogue only
// when no file is defined yet.
Status load_dictionary_files() {
  core::ArenaScope scope;
  Text prefix = core::text_copy(core::text_sub(core::slot_get(core::kGroupEnv, core::kEnvApName), 0, 2));
  Text path = defs::def_file_find(core::text_concat(prefix, "DICC.DAT"_t), defs::kFtStructure);
  if (path.empty()) return 0;
  return data::dict_load(prefix, paths::path_split(path, paths::kPartDrive | paths::kPartFolder), Text{});
}

// Phase 2 opens the SQL session from "sqlparams.dat" with the dictionary of
// the application's dictionary files, else built from the catalogue
// (columns and keys); phase 3 closes it.
Status phase(int flags_and_phase) {
  switch (flags_and_phase & 15) {
    case app::kPhaseCommandLine:
      return app::language_from_environment();
    case app::kPhaseConnect: {
      Status st = load_dictionary_files();
      if (st == 0) st = data::session_phase_open();
      // A log-in the user cancelled ends the run without a box: say why.
      if (st == core::CANCELLED) std::fputs("apprun: the log-in was cancelled; no database session\n", stderr);
      return st;
    }
    case app::kPhaseShutdown:
      (void)data::session_phase_close();
      return 0;
    default:
      return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
    std::printf("apprun %s\n", core::kVersion);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--check") == 0) {
    return apprun::check_main(argc > 2 ? argv[2] : "");
  }
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  apprun::Runtime runtime;
  app::StartupArgs args;
  args.argc = argc;
  args.argv = argv;
  args.app_code = "KALMIR"_t;
  args.description = "General Purpose PostgreSQL DataBase for Windows"_t;
  args.menu_file = "DBMENU.PMT"_t;
  args.flags = 0;
  args.phase = phase;
  args.runtime = &runtime;
  return app::app_main(args);
}
