// apprun: the runtime that interprets an application's definition files.
//
// The entry installs apprun's process dispatcher and phase callback, then
// runs start-up with the command line and returns its result as the exit
// code.
#include <cstdio>
#include <cstring>

#include "core/text.h"
#include "shell/app/app.h"

namespace {

using core::Status;
using core::Text;
using core::operator""_t;

constexpr const char* kVersion = "apprun 0.1";

constexpr const char* kUsage =
    "usage: apprun [/OPTION:value ...]\n"
    "  /DPATH:'folder'        definition folder (default: the current folder)\n"
    "  /RUN:'Kind,argument'   run one process instead of the menu, e.g. /RUN:'PrcExec,TEST'\n"
    "  /INPUT:'file'          run the process names of a file, one a line\n"
    "  /OUTPUT:'file'         append the runtime's output lines to a file\n"
    "  /APNAME:name /TRACE:n /MODE:ADMIN|PRNTOFILE /APSTART:'file,section'\n"
    "Options may start with /, - or --, and take ':' or '='. A bare value is read\n"
    "in upper case up to the next ':', blank, '&' or '/'; quote a value to keep it\n"
    "as written: apprun \"/RUN:'PrcExec,test'\"\n";

// apprun's dispatcher: the kinds served by the layers linked into apprun.
// Windows, forms, reports, help and the font choice are served here as their
// layers are built; until then they reach the shell's dispatcher, which
// answers "Proceso no definido" for them.
Status dispatch(uint16_t kind, Text argument) { return shell::dispatch_default(kind, argument); }

// Phase 2 opens the SQL session from "sqlparams.dat" (mode 2) and phase 3
// closes it once the session layer is linked in; until then every phase
// goes on.
Status phase(int /*flags_and_phase*/) { return 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
    std::printf("%s\n", kVersion);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  shell::dispatcher_set(dispatch);
  shell::StartupArgs args;
  args.argc = argc;
  args.argv = argv;
  args.app_code = "KALMIR"_t;
  args.description = "General Purpose PostgreSQL DataBase for Windows"_t;
  args.menu_file = "DBMENU.PMT"_t;
  args.flags = 0;
  args.phase = phase;
  return shell::app_main(args);
}
