// appcontrol: administration of users, companies, groups and permissions.
//
// Not built yet beyond the runtime core: this entry says so and exits.
#include <cstdio>
#include <cstring>

#include "core/context.h"
#include "core/version.h"

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
    std::printf("appcontrol %s\n", core::kVersion);
    return 0;
  }
  core::CoreContext context;
  if (context.status() != 0) {
    std::fprintf(stderr, "appcontrol: the runtime could not start (code %u)\n", context.status());
    return 1;
  }
  std::fprintf(stderr,
               "appcontrol: this build has the runtime core only; administration is not "
               "available yet.\n");
  return context.shutdown() >= 128 ? 1 : 2;
}
