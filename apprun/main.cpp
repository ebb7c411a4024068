// apprun: the runtime that interprets an application's definition files.
//
// The entry installs apprun's process dispatcher and phase callback, then
// runs start-up with the command line and returns its result as the exit
// code.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/text.h"
#include "apprun/windows.h"
#include "core/arena.h"
#include "core/slots.h"
#include "core/version.h"
#include "data/context.h"
#include "data/dictionary.h"
#include "data/session.h"
#include "app/app.h"
#include "definitions/definitions.h"
#include "output/reports.h"
#include "paths/paths.h"

namespace {

using core::Status;
using core::Text;
using core::operator""_t;

constexpr const char* kUsage =
    "usage: apprun [/OPTION:value ...]\n"
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

// apprun's dispatcher: the kinds served by the layers linked into apprun.
// Forms (AcceptRun), maintenance windows (MantMain), the font choice
// (FontSet) and help (Help) go to the window layer and the menu; reports to
// the output layer; document windows reach the shell's dispatcher, which
// answers "Proceso no definido" for them until their layer is built.
Status dispatch(uint16_t kind, Text argument) {
  switch (kind) {
    case app::kPkAcceptRun:
    case app::kPkMantMain:
    case app::kPkFontSet:
    case app::kPkHelp:
      return apprun::window_layer_dispatch(kind, argument);
    case app::kPkReport:
      return output::report_process(argument);
    default:
      return app::dispatch_default(kind, argument);
  }
}

// The data layer's runtime (the runtime vectors and the session slots)
// lives from phase 1, when the core and the variables exist, to phase 3.
std::unique_ptr<data::DataContext> g_data;

// The language of the runtime's texts: the variable APP_LANG (EN, ES, FR,
// DE or IT, whose module QV_LANG_<code>.MSJ the definition folder holds);
// start-up takes Spanish when it is not set.
Status choose_language() {
  const char* code = std::getenv("APP_LANG");
  if (code == nullptr || *code == '\0') return 0;
  core::ArenaScope scope;
  Text upper = core::text_case(core::text_trim(core::text_from_c(code), core::kTrimBoth), core::Case::Upper);
  return core::slot_set(core::kGroupEnv, core::kEnvLanguage, upper);
}

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
    case app::kPhaseCommandLine: {
      g_data = std::make_unique<data::DataContext>();
      Status st = g_data->status();
      return st != 0 ? st : choose_language();
    }
    case app::kPhaseConnect: {
      Status st = load_dictionary_files();
      return st != 0 ? st : data::session_phase_open();
    }
    case app::kPhaseShutdown:
      if (g_data != nullptr) {
        (void)data::session_phase_close();
        g_data.reset();
      }
      // The window layer goes before the runtime memory does.
      apprun::window_layer_release();
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
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  app::dispatcher_set(dispatch);
  apprun::window_layer_install();
  app::StartupArgs args;
  args.argc = argc;
  args.argv = argv;
  args.app_code = "KALMIR"_t;
  args.description = "General Purpose PostgreSQL DataBase for Windows"_t;
  args.menu_file = "DBMENU.PMT"_t;
  args.flags = 0;
  args.phase = phase;
  return app::app_main(args);
}
