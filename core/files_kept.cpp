// Files kept open by name. A procedure that writes a text file line by line
// names it in every WRITE; opening, seeking and closing it each time costs
// most of the write. While keeping is on, a write at the end of a named
// file goes through a descriptor kept for that name, opened for appending:
// one write(2) of the whole text. Nothing is buffered, so every byte is in
// the file when the write returns, as with a write through a stream. Any
// other operation that reaches a kept file by name (opening it, reading,
// deleting, renaming, a write at a position) closes it first, so it meets
// the file as it is and a name that comes back after a delete or a rename
// is a new file again.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/errors.h"
#include "core/files.h"
#include "core/internal/state.h"

namespace core {
namespace {

FileState& kept_files() { return state().files; }

void close_entry(FileState& fs, int i) {
  ::close(fs.kept[i].fd);
  for (int k = i + 1; k < fs.kept_count; ++k) fs.kept[k - 1] = std::move(fs.kept[k]);
  --fs.kept_count;
  fs.kept[fs.kept_count] = KeptFile{};
}

// All of text at the end of the file: 0, or FILEIO when not every byte got
// there (the file is then closed, as the next write opens it afresh).
Status write_all(FileState& fs, int i, Text text) {
  uint32_t done = 0;
  while (done < text.len) {
    ssize_t put = ::write(fs.kept[i].fd, text.ptr + done, text.len - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      close_entry(fs, i);
      return FILEIO;
    }
    done += static_cast<uint32_t>(put);
  }
  return kOk;
}

}  // namespace

bool kept_write(Text name, Text text, Status* result) {
  FileState& fs = kept_files();
  if (!fs.keeping || !name.ok()) return false;
  for (int i = 0; i < fs.kept_count; ++i) {
    if (text_bytes(name) != fs.kept[i].name) continue;
    *result = write_all(fs, i, text);
    return true;
  }
  return false;
}

// Opened for reading as well, as a write through a stream needs a file it
// may read: one it could not read is refused the same way.
bool kept_open_write(Text name, const char* c_name, Text text, Status* result) {
  FileState& fs = kept_files();
  if (!fs.keeping) return false;
  int fd = ::open(c_name, O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  if (fs.kept_count == kKeptFiles) close_entry(fs, 0);
  KeptFile& k = fs.kept[fs.kept_count++];
  k.fd = fd;
  k.device = st.st_dev;
  k.inode = st.st_ino;
  k.name.assign(name.ptr, name.len);
  *result = write_all(fs, fs.kept_count - 1, text);
  return true;
}

// A name that reaches no file may still stand for a kept one that was
// deleted meanwhile: such files are closed too.
void kept_release(const char* c_name) {
  FileState& fs = kept_files();
  if (fs.kept_count == 0) return;
  struct stat st {};
  bool found = ::stat(c_name, &st) == 0;
  for (int i = fs.kept_count - 1; i >= 0; --i) {
    struct stat own {};
    bool gone = !found && (::fstat(fs.kept[i].fd, &own) != 0 || own.st_nlink == 0);
    bool same = found && fs.kept[i].device == st.st_dev && fs.kept[i].inode == st.st_ino;
    if (gone || same) close_entry(fs, i);
  }
}

void kept_close_all(FileState& fs) {
  while (fs.kept_count > 0) close_entry(fs, fs.kept_count - 1);
}

void file_keep_open(bool keep) {
  FileState& fs = kept_files();
  if (!keep) kept_close_all(fs);
  fs.keeping = keep;
}

void file_close_kept() { kept_close_all(kept_files()); }

}  // namespace core
