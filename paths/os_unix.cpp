// The path layer's operating-system services on POSIX systems.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "paths/os.h"

namespace paths::os {

bool get_variable(const char* name, std::string* value) {
  const char* v = std::getenv(name);
  if (v == nullptr) return false;
  *value = v;
  return true;
}

std::string program_path() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

std::string current_folder() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::current_path(ec);
  return ec ? std::string() : p.string();
}

bool change_folder(const std::string& path) { return ::chdir(path.c_str()) == 0; }

Kind kind_of(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return Kind::Missing;
  if (S_ISDIR(st.st_mode)) return Kind::Folder;
  if (S_ISREG(st.st_mode)) return Kind::File;
  return Kind::Other;
}

bool list_folder(const std::string& path, std::vector<std::string>* names) {
  std::error_code ec;
  std::filesystem::directory_iterator it(path.empty() ? "." : path, ec);
  if (ec) return false;
  for (const auto& entry : it) names->push_back(entry.path().filename().string());
  return true;
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool make_folder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  return errno == EEXIST && kind_of(path) == Kind::Folder;
}

bool stat_path(const std::string& path, Stat* out) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  out->size = static_cast<int64_t>(st.st_size);
  out->modified = static_cast<int64_t>(st.st_mtime);
  out->accessed = static_cast<int64_t>(st.st_atime);
  out->changed = static_cast<int64_t>(st.st_ctime);
  out->folder = S_ISDIR(st.st_mode);
  return true;
}

std::string unique_name(const std::string& folder) {
  std::string pattern = (folder.empty() ? std::string(".") : folder) + "/apXXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd < 0) return {};
  ::close(fd);
  ::unlink(buf.data());
  std::string made(buf.data());
  return made.substr(made.find_last_of('/') + 1);
}

}  // namespace paths::os
