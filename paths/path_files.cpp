// Paths on the file system: real names in any letter case, searching a
// folder list, matching wildcards, making folders, temporary names.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/files.h"
#include "paths/os.h"
#include "paths/paths.h"

namespace paths {
namespace {

using core::ArenaScope;

constexpr size_t kMaxFolderLen = 383;  // a longer current folder is not read

// A name the system can take: no NUL byte (it would silently cut the name).
bool usable(const std::string& s) { return !s.empty() && s.find('\0') == std::string::npos; }

uint8_t fold(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 'a' + 'A') : c; }

bool same_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(static_cast<uint8_t>(a[i])) != fold(static_cast<uint8_t>(b[i]))) return false;
  }
  return true;
}

bool has_wildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// The entry of folder (empty: the current one) whose name equals part
// without regard to case, the first in byte order; empty when none does.
std::string entry_like(const std::string& folder, const std::string& part) {
  std::vector<std::string> names;
  if (!os::list_folder(folder, &names)) return {};
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    if (same_ignoring_case(n, part)) return n;
  }
  return {};
}

// The real path of p ("/"-written), or empty when some part matches nothing.
std::string real_path(const std::string& p) {
  if (p.empty() || os::kind_of(p) != os::Kind::Missing) return p;
  std::string done = p.front() == '/' ? "/" : "";
  size_t at = done.size();
  while (at <= p.size()) {
    size_t end = p.find('/', at);
    if (end == std::string::npos) end = p.size();
    std::string part = p.substr(at, end - at);
    at = end + 1;
    if (part.empty()) continue;
    std::string next = done + (done.empty() || done.back() == '/' ? "" : "/") + part;
    if (os::kind_of(next) == os::Kind::Missing) {
      if (part == "." || part == "..") return {};
      std::string found = entry_like(done, part);
      if (found.empty()) return {};
      next = done + (done.empty() || done.back() == '/' ? "" : "/") + found;
    }
    done = next;
  }
  return done;
}

// The names of the pattern's folder that match its last part, sorted.
bool matching_names(Text pattern, std::vector<std::string>* out) {
  std::string p = path_str(pattern);
  if (!usable(p)) return false;
  size_t slash = p.rfind('/');
  std::string folder = slash == std::string::npos ? "" : (slash == 0 ? "/" : p.substr(0, slash));
  std::string last = slash == std::string::npos ? p : p.substr(slash + 1);
  if (!folder.empty()) {
    std::string real = real_path(folder);
    if (real.empty()) return false;
    folder = real;
  }
  std::vector<std::string> names;
  if (!os::list_folder(folder, &names)) return false;
  Text lt = core::text_view(last.data(), last.size());
  for (const std::string& n : names) {
    if (path_wildcard_match(lt, core::text_view(n.data(), n.size()))) out->push_back(n);
  }
  std::sort(out->begin(), out->end());
  return !out->empty();
}

bool wildcard(const uint8_t* p, size_t pn, const uint8_t* s, size_t sn) {
  // Greedy matching with one back-track point: the last "*" seen.
  size_t pi = 0;
  size_t si = 0;
  size_t star = std::string::npos;
  size_t mark = 0;
  while (si < sn) {
    if (pi < pn && (p[pi] == '?' || (p[pi] != '*' && fold(p[pi]) == fold(s[si])))) {
      ++pi;
      ++si;
    } else if (pi < pn && p[pi] == '*') {
      star = pi++;
      mark = si;
    } else if (star != std::string::npos) {
      pi = star + 1;
      si = ++mark;
    } else {
      return false;
    }
  }
  while (pi < pn && p[pi] == '*') ++pi;
  return pi == pn;
}

}  // namespace

bool path_exists(Text path) {
  std::string p = text_str(path);
  return usable(p) && os::kind_of(p) != os::Kind::Missing;
}

Text path_real_name(Text path) {
  if (!path.ok()) return path;
  ArenaScope scope;
  std::string as_written = text_str(path);
  if (!usable(as_written)) return core::text_error_value(core::FILENOTFOUND);
  if (os::kind_of(as_written) != os::Kind::Missing) return scope.keep(path);
  std::string real = real_path(path_str(path));
  if (real.empty()) return core::text_error_value(core::FILENOTFOUND);
  return scope.keep(core::arena_text(real));
}

Text path_find_file(Text folder, Text name) {
  if (!folder.ok()) return folder;
  if (!name.ok()) return name;
  ArenaScope scope;
  if (name.len == 0) return core::text_error_value(core::FILENOTFOUND);
  return scope.keep(path_real_name(path_join(folder, name)));
}

bool path_wildcard_match(Text pattern, Text name) {
  if (!pattern.ok() || !name.ok() || name.len == 0) return false;
  if (core::text_equal(name, "."_t) || core::text_equal(name, ".."_t)) return false;
  if (name.at(0) == '.' && pattern.at(0) != '.') return false;
  if (core::text_equal(pattern, "*.*"_t)) return true;
  return wildcard(reinterpret_cast<const uint8_t*>(pattern.ptr), pattern.len,
                  reinterpret_cast<const uint8_t*>(name.ptr), name.len);
}

Text path_search(Text folder_list, Text name) {
  if (!folder_list.ok()) return folder_list;
  if (!name.ok()) return name;
  if (name.len == 0) return Text{};
  ArenaScope scope;
  uint16_t folders = core::list_count(folder_list, ',');
  for (uint16_t n = 0; n <= folders; ++n) {
    Text candidate = name;
    if (n > 0) {
      Text folder = core::text_unquote(
          core::text_trim(core::list_field(folder_list, ',', n), core::kTrimBoth));
      if (folder.len == 0) continue;
      candidate = path_join(folder, name);
    }
    if (!candidate.ok()) continue;
    if (has_wildcard(text_str(candidate))) {
      std::vector<std::string> names;
      if (matching_names(candidate, &names)) return scope.keep(path_normalize(candidate));
      continue;
    }
    Text real = path_real_name(candidate);
    if (real.ok()) return scope.keep(real);
  }
  return Text{};
}

Status path_make_folders(Text path) {
  if (!path.ok()) return path.len;
  std::string p = path_str(path);
  if (p.empty()) return 0;
  if (p.find('\0') != std::string::npos) return core::NOVALUE;
  if (os::make_folder(p)) return 0;
  // Make the parents first, from the top down, then the folder itself.
  for (size_t at = p.find('/', 1); at != std::string::npos; at = p.find('/', at + 1)) {
    (void)os::make_folder(p.substr(0, at));
  }
  return os::make_folder(p) ? Status{0} : core::FILEIO;
}

Text path_current_folder() {
  std::string here = os::current_folder();
  if (here.size() > kMaxFolderLen) return Text{};
  return core::arena_text(here);
}

// Names without a folder now reach other files: those kept open under such
// names are closed.
Status path_change_folder(Text path) {
  std::string p = text_str(path_real_name(path));
  if (!usable(p) || !os::change_folder(p)) return core::FILENOTFOUND;
  core::file_close_kept();
  return 0;
}

Status path_change_drive(char letter) {
  bool is_letter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
  return is_letter ? Status{0} : core::NOVALUE;
}

Text path_program_folder() {
  ArenaScope scope;
  std::string exe = os::program_path();
  if (exe.empty()) return Text{};
  return scope.keep(path_split(core::arena_text(exe), kPartDrive | kPartFolder));
}

Text path_runtime_files_of(Text program_folder) {
  if (!program_folder.ok()) return program_folder;
  std::filesystem::path folder(path_str(program_folder));
  if (folder.filename() == "bin") {
    std::error_code ec;
    std::filesystem::path shared = folder.parent_path() / "share" / "apprun";
    if (std::filesystem::is_directory(shared, ec)) return core::arena_text(shared.string());
  }
  return core::text_copy(program_folder);
}

Text path_runtime_files() { return path_runtime_files_of(path_program_folder()); }

Text path_match_files(Text pattern) {
  if (!pattern.ok()) return pattern;
  std::vector<std::string> names;
  if (!matching_names(pattern, &names)) return core::text_error_value(core::FILENOTFOUND);
  std::string out;
  for (const std::string& n : names) {
    if (!out.empty()) out += '\0';
    out += n;
  }
  return core::arena_text(out);
}

Text path_match_list(Text pattern, Text exclude) {
  if (!pattern.ok()) return pattern;
  if (!exclude.ok()) return exclude;
  ArenaScope scope;
  std::vector<std::string> names;
  if (!matching_names(pattern, &names)) return Text{};
  std::string out;
  uint16_t excluded = core::list_count(exclude, ',');
  for (const std::string& n : names) {
    bool skip = false;
    for (uint16_t i = 1; i <= excluded && !skip; ++i) {
      skip = same_ignoring_case(
          n, text_str(core::text_trim(core::list_field(exclude, ',', i), core::kTrimBoth)));
    }
    if (skip) continue;
    std::string item = n;
    if (n.find_first_of(",'\"") != std::string::npos) {
      Text q = core::text_quote(core::text_view(n.data(), n.size()), '"');
      if (!q.ok()) continue;  // a name holding both quotes cannot be listed
      item = text_str(q);
    }
    if (!out.empty()) out += ',';
    out += item;
  }
  return scope.keep(core::arena_text(out));
}

Status path_file_info(Text name, FileInfo* info) {
  if (!name.ok()) return name.len;
  if (!usable(text_str(name))) return core::NOVALUE;
  std::string p = text_str(path_real_name(name));
  os::Stat st;
  if (p.empty() || !os::stat_path(p, &st)) return core::FILENOTFOUND;
  info->size = st.size;
  info->modified = st.modified;
  info->accessed = st.accessed;
  info->changed = st.changed;
  info->folder = st.folder;
  return 0;
}

Text path_temp_name(Text extension) {
  if (!extension.ok()) return extension;
  ArenaScope scope;
  std::string folder = text_str(env_os_variable("TEMP"_t));
  std::string base = os::unique_name(folder);
  if (base.empty()) return core::text_error_value(core::FILEIO);
  base.erase(std::remove(base.begin(), base.end(), '.'), base.end());
  std::string ext = text_str(extension);
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  if (!ext.empty()) base += "." + ext;
  Text path = path_join(core::arena_text(folder), core::arena_text(base));
  // Exactly this name: a file that differs only in case is another file.
  if (path.ok()) os::remove_file(text_str(path));
  return scope.keep(path);
}


}  // namespace paths
