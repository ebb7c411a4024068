// appcontrol: the administration tool of an installation (users,
// companies, groups and permissions as PostgreSQL roles, grants, databases
// and tables).
//
// The entry runs start-up with the command line, its composition root
// (runtime.cpp) and its main window in place of a menu, and returns the
// result as the exit code.
#include <cstdio>
#include <cstring>

#include "admin/control.h"
#include "app/app.h"
#include "appcontrol/runtime.h"
#include "core/version.h"

namespace {

using core::operator""_t;

constexpr const char* kUsage =
    "usage: appcontrol [/OPTION:value ...]\n"
    "  /DPATH:'folder'   the application's definition folder, whose dictionaries\n"
    "                    (??DICC.DAT, with their ??DICC.SQL scripts) make new companies\n"
    "                    (default: the current folder when it holds a dictionary,\n"
    "                    else ../APPS)\n"
    "  /TRACE:n          bit 4 logs every statement sent, bit 2 every failure\n"
    "The lists of users and companies live in the data folder (../data beside the\n"
    "current folder); the host of the last administration log-in in sqladmprm.dat.\n"
    "APP_UI=qt|headless and APP_UI_SCRIPT choose the toolkit and scripted input,\n"
    "as for apprun.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
    std::printf("appcontrol %s\n", core::kVersion);
    return 0;
  }
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  appcontrol::Runtime runtime;
  app::StartupArgs args;
  args.argc = argc;
  args.argv = argv;
  args.app_code = "APCONTROL"_t;
  args.description = "Control de Aplicacion"_t;
  args.phase = appcontrol::phase;
  args.runtime = &runtime;
  args.main_window = admin::main_window_open;
  return app::app_main(args);
}
