// A list file replaced whole: written under a temporary name in the same
// folder, flushed to the disk, then renamed over the old one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "admin/lists.h"
#include "core/errors.h"
#include "core/text.h"

namespace admin {

Status file_replace(const std::string& path, std::string_view content, unsigned mode) {
  std::string temporary = path + ".new" + std::to_string(::getpid());
  auto failed = [&](const char* step) {
    std::string detail = path + ": " + step + " (" + std::strerror(errno) + ")";
    ::unlink(temporary.c_str());
    core::error_record(core::kRecord, core::Context::FileSystem, core::FILEIO, core::FILEIO);
    return core::report_detail(core::FILEIO, core::text_view(detail), false);
  };
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
  if (fd < 0) return failed("cannot be written");
  size_t done = 0;
  bool ok = ::fchmod(fd, mode) == 0;
  while (ok && done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  if (ok) ok = ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (!ok) return failed("cannot be written");
  if (::rename(temporary.c_str(), path.c_str()) != 0) return failed("cannot be replaced");
  return 0;
}

}  // namespace admin
