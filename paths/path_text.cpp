// Path texts: separators, join, split and resolve. Pure text work; nothing
// here touches the file system. The work is done on std::string, so that
// only the result takes room in the scratch arena.
#include "core/arena.h"
#include "paths/paths.h"

namespace paths {
namespace {


bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool has_drive(const std::string& p) { return p.size() >= 2 && p[1] == ':' && is_letter(p[0]); }
bool is_absolute(const std::string& p) { return (!p.empty() && p[0] == '/') || has_drive(p); }
bool is_root(const std::string& p) {
  return p == "/" || (has_drive(p) && (p.size() == 2 || (p.size() == 3 && p[2] == '/')));
}
bool ends_with(const std::string& s, const char* tail) {
  std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

// The parts of a "/"-written path.
struct Parts {
  std::string drive;
  std::string folder;
  std::string base;
  std::string ext;
  bool has_ext = false;
};

Parts parts_of(const std::string& p) {
  Parts r;
  size_t from = has_drive(p) ? 2 : 0;
  r.drive = p.substr(0, from);
  std::string rest = p.substr(from);
  size_t slash = rest.rfind('/');
  std::string name = rest;
  if (slash != std::string::npos) {
    r.folder = slash == 0 ? "/" : rest.substr(0, slash);
    name = rest.substr(slash + 1);
  }
  size_t dot = name.rfind('.');
  r.base = name.substr(0, dot);
  if (dot != std::string::npos) {
    r.ext = name.substr(dot + 1);
    r.has_ext = true;
  }
  return r;
}

std::string join(const std::string& f, const std::string& n) {
  if (f.empty() || n.empty()) return f + n;
  bool f_slash = f.back() == '/';
  bool n_slash = n.front() == '/';
  if (f_slash && n_slash) return f + n.substr(1);
  return f_slash || n_slash ? f + n : f + "/" + n;
}

// One ".." applied to a base folder. Beyond the root nothing is dropped;
// beyond the start of a relative base the ".." is kept.
std::string step_up(const std::string& base) {
  if (is_root(base)) return base;
  if (base.empty() || base == ".." || ends_with(base, "/..")) return join(base, "..");
  Parts r = parts_of(base);
  return r.drive + r.folder;
}

}  // namespace

std::string path_str(Text path) {
  std::string s = text_str(path);
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
  return s;
}

Text value_form(Text raw) {
  if (!raw.ok()) return raw;
  Text trimmed = core::text_trim(raw, core::kTrimBoth);
  Text unquoted = core::text_unquote(trimmed);
  if (unquoted.len != trimmed.len) return unquoted;
  return core::text_case(trimmed, core::Case::Upper);
}

Text path_normalize(Text path) { return core::text_translate(path, "\\"_t, "/"_t); }

Text path_join(Text folder, Text name) {
  if (!folder.ok()) return folder;
  if (!name.ok()) return name;
  return core::arena_text(join(path_str(folder), path_str(name)));
}

Text path_split(Text path, int parts) {
  if (!path.ok()) return path;
  Parts r = parts_of(path_str(path));
  std::string out;
  if ((parts & kPartDrive) != 0) out += r.drive;
  if ((parts & kPartFolder) != 0) out += r.folder;
  if ((parts & kPartBase) != 0) {
    if (!out.empty() && out.back() != ':' && out.back() != '/') out += '/';
    out += r.base;
  }
  if ((parts & kPartExt) != 0 && r.has_ext) out += "." + r.ext;
  return core::arena_text(out);
}

Text path_resolve(Text base, Text relative) {
  if (!base.ok()) return base;
  if (!relative.ok()) return relative;
  std::string rel = path_str(relative);
  if (is_absolute(rel)) return core::arena_text(rel);
  std::string b = path_str(base);
  // Only the root keeps its final "/".
  while (b.size() > 1 && b.back() == '/' && !is_root(b)) b.pop_back();
  size_t at = 0;
  while (at < rel.size()) {
    size_t end = rel.find('/', at);
    if (end == std::string::npos) end = rel.size();
    std::string part = rel.substr(at, end - at);
    if (part == "..") {
      b = step_up(b);
    } else if (part != "." && !part.empty()) {
      break;
    }
    at = end + 1;
  }
  std::string joined = join(b, at < rel.size() ? rel.substr(at) : std::string());
  // Every "/./" made "/", in one pass: "/././" is "/" as well.
  std::string clean;
  for (size_t i = 0; i < joined.size(); ++i) {
    if (joined[i] == '/' && i + 2 < joined.size() && joined[i + 1] == '.' && joined[i + 2] == '/') {
      ++i;
      continue;
    }
    clean += joined[i];
  }
  return core::arena_text(clean);
}

}  // namespace paths
