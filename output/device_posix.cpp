// The devices' operating-system services on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "core/status.h"
#include "output/internal/device_os.h"
#include "output/viewers.h"

namespace output::os {

bool is_device_file(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

std::string spool_name(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string name = folder + "." + base + ".XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  int fd = ::mkstemp(buffer.data());
  if (fd < 0) return {};
  // The final file gets the permissions any new file of the user gets.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  return std::string(buffer.data());
}

core::Status spool_finish(const std::string& spool, const std::string& path, bool append) {
  if (!append) {
    if (::rename(spool.c_str(), path.c_str()) == 0) return 0;
    ::unlink(spool.c_str());
    return core::WRITEERR;
  }
  int in = ::open(spool.c_str(), O_RDONLY);
  int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
  bool ok = in >= 0 && out >= 0;
  char buffer[8192];
  while (ok) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n == 0) break;
    ok = n > 0 && ::write(out, buffer, static_cast<size_t>(n)) == n;
  }
  if (out >= 0 && ::close(out) != 0) ok = false;
  if (in >= 0) ::close(in);
  ::unlink(spool.c_str());
  return ok ? 0 : core::WRITEERR;
}

core::Status print_file(const std::string& queue, const std::string& file) {
  std::vector<std::string> args{"lp", "-s"};
  if (!queue.empty()) {
    args.push_back("-d");
    args.push_back(queue);
  }
  args.push_back("--");
  args.push_back(file);
  if (program_path("lp").empty()) return core::SYSTEMCMDERROR;
  return program_run_args(args, kRunWait) == 0 ? 0 : core::SYSTEMCMDERROR;
}

core::Status write_file(const std::string& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return core::WRITEERR;
  bool ok = true;
  for (size_t at = 0; ok && at < bytes.size();) {
    ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) at += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  return ok ? 0 : core::WRITEERR;
}

void remove_file(const std::string& path) { ::unlink(path.c_str()); }

}  // namespace output::os
