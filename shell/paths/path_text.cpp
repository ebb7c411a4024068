// Path texts: separators, join, split and resolve. Pure text work; nothing
// here touches the file system.
#include "core/arena.h"
#include "shell/paths/paths.h"

namespace shell {
namespace {

using core::ArenaScope;
using core::kNoPos;

bool has_drive(Text p) {
  uint8_t c = p.at(0);
  return p.len >= 2 && p.at(1) == ':' && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
}

bool is_absolute(Text p) { return p.at(0) == '/' || has_drive(p); }

// The parts of a "/"-written path as views into it.
struct Parts {
  Text drive;
  Text folder;
  Text base;
  Text ext;
  bool has_ext = false;
};

Parts parts_of(Text p) {
  Parts r;
  uint16_t from = has_drive(p) ? 2 : 0;
  r.drive = core::text_sub(p, 0, from);
  Text rest = core::text_sub(p, from, core::kToEnd);
  uint16_t slash = core::text_find_last_char(rest, '/');
  Text name = rest;
  if (slash != kNoPos) {
    r.folder = slash == 0 ? core::text_sub(rest, 0, 1) : core::text_sub(rest, 0, slash);
    name = core::text_sub(rest, slash + 1, core::kToEnd);
  }
  uint16_t dot = core::text_find_last_char(name, '.');
  r.base = dot == kNoPos ? name : core::text_sub(name, 0, dot);
  if (dot != kNoPos) {
    r.ext = core::text_sub(name, dot + 1, core::kToEnd);
    r.has_ext = true;
  }
  return r;
}

// The folder a path stands in: drive and folder, "" for a bare name.
Text parent_of(Text p) {
  Parts r = parts_of(p);
  std::string s = text_str(r.drive) + text_str(r.folder);
  return arena_text(s);
}

bool is_root(Text p) {
  return (p.len == 1 && p.at(0) == '/') ||
         (has_drive(p) && (p.len == 2 || (p.len == 3 && p.at(2) == '/')));
}

// One ".." applied to a base folder. Beyond the root nothing is dropped;
// beyond the start of a relative base the ".." is kept.
Text step_up(Text base) {
  if (is_root(base)) return base;
  bool climbs = base.len == 0 || core::text_equal(base, ".."_t) ||
                (base.len >= 3 && core::text_equal(core::text_sub(base, -3, 3), "/.."_t));
  return climbs ? path_join(base, ".."_t) : parent_of(base);
}

}  // namespace

std::string text_str(Text t) { return t.ok() ? std::string(t.ptr, t.len) : std::string(); }

Text arena_text(const std::string& s) {
  if (s.size() > core::kMaxTextLen) return core::text_error_value(core::STRINGTOOLONG);
  return core::text_copy(core::text_view(s.data(), s.size()));
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
  ArenaScope scope;
  std::string f = text_str(path_normalize(folder));
  std::string n = text_str(path_normalize(name));
  if (f.empty() || n.empty()) return scope.keep(arena_text(f + n));
  bool f_slash = f.back() == '/';
  bool n_slash = n.front() == '/';
  if (f_slash && n_slash) return scope.keep(arena_text(f + n.substr(1)));
  if (f_slash || n_slash) return scope.keep(arena_text(f + n));
  return scope.keep(arena_text(f + "/" + n));
}

Text path_split(Text path, int parts) {
  if (!path.ok()) return path;
  ArenaScope scope;
  Text p = path_normalize(path);
  if (!p.ok()) return p;
  Parts r = parts_of(p);
  std::string out;
  if ((parts & kPartDrive) != 0) out += text_str(r.drive);
  if ((parts & kPartFolder) != 0) out += text_str(r.folder);
  if ((parts & kPartBase) != 0) {
    if (!out.empty() && out.back() != ':' && out.back() != '/') out += '/';
    out += text_str(r.base);
  }
  if ((parts & kPartExt) != 0 && r.has_ext) out += "." + text_str(r.ext);
  return scope.keep(arena_text(out));
}

Text path_resolve(Text base, Text relative) {
  if (!base.ok()) return base;
  if (!relative.ok()) return relative;
  ArenaScope scope;
  Text rel = path_normalize(relative);
  if (is_absolute(rel)) return scope.keep(rel);
  Text b = path_normalize(base);
  // Only the root keeps its final "/".
  while (b.len > 1 && b.at(b.len - 1u) == '/' && !is_root(b)) b = core::text_sub(b, 0, b.len - 1u);
  uint32_t at = 0;
  while (at < rel.len) {
    uint32_t end = core::text_find_char(rel, '/', static_cast<uint16_t>(at), true);
    if (end == kNoPos) end = rel.len;
    Text part = core::text_sub(rel, static_cast<int>(at), static_cast<uint16_t>(end - at));
    if (core::text_equal(part, ".."_t)) {
      b = step_up(b);
    } else if (!core::text_equal(part, "."_t) && part.len != 0) {
      break;
    }
    at = end + 1;
    if (!b.ok()) return scope.keep(b);
  }
  Text joined = path_join(b, core::text_sub(rel, static_cast<int>(at), core::kToEnd));
  Text clean = joined;
  while (clean.ok() && core::text_find(clean, "/./"_t, true) != kNoPos)
    clean = core::text_replace(clean, "/./"_t, "/"_t, true);
  return scope.keep(clean);
}

}  // namespace shell
