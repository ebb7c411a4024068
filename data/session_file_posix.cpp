// The remembered log-in file holds a password: it is written readable and
// writable by its owner only, also when it existed before with wider rights.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "data/internal/session.h"

namespace data::internal {

core::Status login_file_write(core::Text name, core::Text content) {
  if (!name.ok() || name.len == 0 || !content.ok()) return core::FILEIO;
  std::string path(core::text_bytes(name));
  if (path.find('\0') != std::string::npos) return core::FILEIO;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return core::FILEIO;
  bool ok = ::fchmod(fd, 0600) == 0;
  size_t done = 0;
  while (ok && done < content.len) {
    ssize_t n = ::write(fd, content.ptr + done, content.len - done);
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  return ok ? core::kOk : core::FILEIO;
}

}  // namespace data::internal
