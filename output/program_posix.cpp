// Starting programs on POSIX systems: posix_spawn with the arguments as a
// list (no shell reads them), standard input from /dev/null; a program not
// waited for writes nowhere and is reaped by a thread of its own, so that
// it never lingers as a zombie.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/files.h"
#include "output/internal/device_os.h"
#include "output/viewers.h"

extern char** environ;

namespace output {

namespace {

constexpr char kDefaultPath[] = "/usr/local/bin:/usr/bin:/bin";

bool runnable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The program's end: its exit code, or kRunWaitFailed.
int wait_for(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return kRunWaitFailed;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : kRunWaitFailed;
}

}  // namespace

namespace os {

std::string program_path(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return runnable(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : kDefaultPath;
  for (size_t at = 0; at <= folders.size();) {
    size_t end = folders.find(':', at);
    if (end == std::string::npos) end = folders.size();
    std::string folder = folders.substr(at, end - at);
    std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
    if (runnable(candidate)) return candidate;
    at = end + 1;
  }
  return {};
}

}  // namespace os

int program_run_args(const std::vector<std::string>& args, int flags) {
  if (args.empty()) return 0;
  std::string program = os::program_path(args[0]);
  if (program.empty()) return 0;
  // The program may move or delete files the runtime keeps open by name.
  core::file_close_kept();
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  bool wait = (flags & kRunNoWait) == 0 || (flags & kRunWait) != 0;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  // A program left running does not write into the runtime's own output
  // (nor keeps a pipe of whoever reads it open).
  if (!wait) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if ((flags & kRunDetach) != 0) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return 0;
  if (!wait) {
    std::thread([pid] { (void)wait_for(pid); }).detach();
    return 0;
  }
  return wait_for(pid);
}

}  // namespace output
