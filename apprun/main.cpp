// apprun: the runtime that interprets an application's definition files.
//
// The entry installs apprun's process dispatcher and phase callback, then
// runs start-up with the command line and returns its result as the exit
// code.
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/text.h"
#include "apprun/windows.h"
#include "data/context.h"
#include "data/session.h"
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
    "  /sqlhost:'host' /database:'name' /user:'name' /passw:'password'\n"
    "                         the database, in place of the file sqlparams.dat\n"
    "Options may start with /, - or --, and take ':' or '='. A bare value is read\n"
    "in upper case up to the next ':', blank, '&' or '/'; quote a value to keep it\n"
    "as written: apprun \"/RUN:'PrcExec,test'\"\n";

// apprun's dispatcher: the kinds served by the layers linked into apprun.
// Forms (AcceptRun) and the font choice (FontSet) go to the window layer;
// maintenance and document windows, reports and help are served here as
// their layers are built; until then they reach the shell's dispatcher,
// which answers "Proceso no definido" for them.
Status dispatch(uint16_t kind, Text argument) {
  if (kind == shell::kPkAcceptRun || kind == shell::kPkFontSet) {
    return apprun::window_layer_dispatch(kind, argument);
  }
  return shell::dispatch_default(kind, argument);
}

// The data layer's runtime (the runtime vectors and the session slots)
// lives from phase 1, when the core and the variables exist, to phase 3.
std::unique_ptr<data::DataContext> g_data;

// Phase 2 opens the SQL session from "sqlparams.dat" with the dictionary
// built from the catalogue (columns and keys); phase 3 closes it.
Status phase(int flags_and_phase) {
  switch (flags_and_phase & 15) {
    case shell::kPhaseCommandLine:
      g_data = std::make_unique<data::DataContext>();
      return g_data->status();
    case shell::kPhaseConnect:
      return data::session_phase_open();
    case shell::kPhaseShutdown:
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
    std::printf("%s\n", kVersion);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  shell::dispatcher_set(dispatch);
  apprun::window_layer_install();
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
