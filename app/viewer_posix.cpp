// The document viewer of POSIX desktops: "xdg-open", started in the
// background by a short-lived shell that the runtime waits for, so that the
// viewer is nobody's child and the runtime never waits for it.
#include <spawn.h>
#include <sys/wait.h>

#include "app/viewer.h"

extern char** environ;

namespace app::viewer {

namespace {

// The path goes to the shell as its first positional parameter: nothing in
// it is read as shell syntax.
constexpr const char* kStarter = "command -v xdg-open >/dev/null || exit 1; xdg-open \"$1\" >/dev/null 2>&1 &";

}  // namespace

bool open_document(const std::string& path) {
  std::string shell = "/bin/sh", flag = "-c", script = kStarter, name = "viewer", argument = path;
  char* argv[] = {shell.data(), flag.data(), script.data(), name.data(), argument.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace app::viewer
