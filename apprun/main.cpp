// apprun: the runtime that interprets an application's definition files.
//
// The application shell (command line, start-up order, menu and process
// dispatcher) is not built yet: this entry brings the core up and down and
// says plainly that it cannot run an application.
#include <cstdio>
#include <cstring>

#include "core/context.h"

namespace {

constexpr const char* kVersion = "apprun 0.1";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
    std::printf("%s\n", kVersion);
    return 0;
  }
  core::CoreContext context;
  if (context.status() != 0) {
    std::fprintf(stderr, "apprun: the runtime could not start (code %u)\n", context.status());
    return context.status() >= 128 ? 1 : 0;
  }
  std::fprintf(stderr,
               "apprun: this build has the runtime core only; it cannot run applications yet.\n");
  int code = context.shutdown() >= 128 ? 1 : 2;
  return code;
}
