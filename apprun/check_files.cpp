// apprun --check, file by file: text that is not text, files cut short,
// menus and the processes they name, screens and their parameter sets.
#include <cstdio>
#include <fstream>
#include <map>

#include "app/app.h"
#include "app/menu.h"
#include "apprun/check.h"
#include "core/arena.h"
#include "core/slots.h"
#include "definitions/definitions.h"
#include "ui/screens.h"

namespace apprun {

namespace {

std::string trimmed(const std::string& s) {
  core::ArenaScope scope;
  return core::text_str(core::text_trim(core::text_view(s), core::kTrimBoth));
}

std::string at(const std::string& file, size_t line, const std::string& message) {
  return file + ":" + std::to_string(line) + ": " + message;
}

// The definition file a name finds, as the runtime would find it.
bool found(const std::string& name, uint16_t type) {
  core::ArenaScope scope;
  return !defs::def_file_find(core::text_view(name), type).empty();
}

// A process name without its "[expression]" parts, which are only known at
// run time (a bracket left open is said by the caller).
std::string without_brackets(const std::string& name, bool* open) {
  std::string out;
  int depth = 0;
  char quote = 0;
  for (char c : name) {
    if (quote != 0) {
      if (c == quote) quote = 0;
      if (depth == 0) out += c;
      continue;
    }
    if (c == '\'' || c == '"') quote = c;
    if (c == '[') {
      ++depth;
    } else if (c == ']' && depth > 0) {
      --depth;
    } else if (depth == 0) {
      out += c;
    }
  }
  *open = depth != 0;
  return out;
}

// Item n (from 0) of a comma list, trimmed.
std::string field(const std::string& list, size_t n) {
  core::ArenaScope scope;
  core::Text item = core::list_field(core::text_view(list), ',', static_cast<uint16_t>(n + 1));
  return core::text_str(core::text_trim(item, core::kTrimBoth));
}

// What is wrong with a process a menu item names: an unknown kind, or a
// definition file it needs that is nowhere. Empty when nothing is.
std::string process_problem(const std::string& process) {
  bool open = false;
  std::string s = trimmed(without_brackets(process, &open));
  if (open) return "\"[\" without its \"]\" in the process \"" + process + "\"";
  size_t cut = s.find_first_of(" ,");
  std::string kind = s.substr(0, cut);
  std::string argument = cut == std::string::npos ? std::string() : trimmed(s.substr(cut + 1));
  core::ArenaScope scope;
  uint16_t k = core::list_index(app::kProcessKinds, ',', core::text_view(kind));
  if (k == 0) return "unknown process kind \"" + kind + "\" in \"" + process + "\"";
  std::string name = field(argument, 0);
  switch (k) {
    case app::kPkMantAux:
    case app::kPkMantMain:
    case app::kPkMantAuto:
    case app::kPkMantMovs:
    case app::kPkLnManMain:
    case app::kPkLnNavMain:
      if (!found(name, defs::kFtParams)) return "no screen \"" + name + "\" (" + name + ".PPN) for \"" + process + "\"";
      if (!found(name, defs::kFtScreen)) return "no screen \"" + name + "\" (" + name + ".PAN) for \"" + process + "\"";
      break;
    case app::kPkAccept:
    case app::kPkAcceptRun:
      if (!found(name, defs::kFtParams)) return "no form \"" + name + "\" (" + name + ".PPN) for \"" + process + "\"";
      break;
    case app::kPkPrcExec: {
      // "entry,file" calls an entry of a procedure file.
      std::string file = argument.find(',') != std::string::npos ? field(argument, 1) : name;
      if (!file.empty() && !found(file, defs::kFtProcedure))
        return "no procedure \"" + file + "\" (" + file + ".PRX) for \"" + process + "\"";
      break;
    }
    case app::kPkReport: {
      // A report described by a parameter set: "Report FILE.PPN,section".
      if (name.size() > 4 && name[name.size() - 4] == '.' &&
          (name.compare(name.size() - 3, 3, "PPN") == 0 || name.compare(name.size() - 3, 3, "ppn") == 0)) {
        if (!found(name, defs::kFtParams)) return "no parameter file \"" + name + "\" for \"" + process + "\"";
        break;
      }
      std::string templ = argument.find(',') != std::string::npos ? field(argument, 1) : name;
      if (!templ.empty() && !found(templ, defs::kFtTemplate))
        return "no print template \"" + templ + "\" (" + templ + ".PDC) for \"" + process + "\"";
      break;
    }
    case app::kPkMenu:
      if (!found(name, defs::kFtMenu) && !found(name, defs::kFtParams))
        return "no menu \"" + name + "\" for \"" + process + "\"";
      break;
    default:
      break;
  }
  return {};
}

// The FD$ names a parameter section gives.
size_t fd_names(const std::string& params) {
  core::ArenaScope scope;
  if (core::slot_append(core::kGroupDefStack, core::text_view(params)) != 0) return 0;
  core::Text fd = defs::def_key_raw(defs::kKeyFd);
  size_t count = fd.empty() ? 0 : core::list_count(fd, ',');
  static_cast<void>(defs::def_section_release());
  return count;
}

}  // namespace

std::vector<std::string> file_lines(const std::string& path, bool* line_end) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.push_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  *line_end = start >= bytes.size();
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

bool check_text(const std::string& name, const std::vector<std::string>& lines, bool line_end,
                std::vector<std::string>* out) {
  for (size_t i = 0; i < lines.size(); ++i) {
    core::ArenaScope scope;
    uint16_t bad = core::text_binary_at(core::text_view(lines[i]));
    if (bad == core::kNoPos) continue;
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(lines[i][bad]));
    out->push_back(at(name, i + 1, std::string("not a text file (byte ") + byte + ")"));
    return false;
  }
  if (!line_end && !lines.empty())
    out->push_back(at(name, lines.size(), "the last line has no line end: is the file cut short?"));
  return true;
}

void check_menu(const std::string& name, const std::vector<std::string>& lines, std::vector<std::string>* out) {
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<app::MenuLine> parsed = app::menu_lines_parse({lines[i]});
    if (parsed.empty() || !parsed[0].item) continue;
    std::string problem = process_problem(parsed[0].process);
    if (!problem.empty()) out->push_back(at(name, i + 1, problem));
  }
}

void check_screen(const std::string& pan_path, const std::string& name, std::vector<std::string>* out) {
  bool line_end = true;
  std::vector<std::string> pan = file_lines(pan_path, &line_end);
  std::string base = name.substr(0, name.size() - 4);
  std::string ppn_name = base + (name.back() == 'n' ? ".ppn" : ".PPN");
  core::ArenaScope scope;
  core::Text ppn_path = defs::def_file_find(core::text_view(base), defs::kFtParams);
  if (ppn_path.empty()) {
    out->push_back(name + ": no parameter file " + base + ".PPN beside it");
    return;
  }
  std::vector<std::string> ppn = file_lines(core::text_str(ppn_path), &line_end);
  // The screens by section: their fields, the line of the last one, and the
  // parameter text of the same section.
  std::map<int, ui::Screen> screens;
  std::map<int, size_t> last_line;
  for (size_t i = 0; i < pan.size(); ++i) {
    core::ArenaScope line_scope;
    defs::LineParts parts;
    if (defs::def_line_parts(core::text_view(pan[i]), 2, &parts) != 0 || parts.section == 0) continue;
    ui::Screen& screen = screens[parts.section];
    if (ui::screen_parse_line(parts.content, &screen) != 0) {
      out->push_back(at(name, i + 1, "not a label or field line of screen " + std::to_string(parts.section) +
                                         ": \"" + core::text_str(parts.content) + "\""));
      continue;
    }
    last_line[parts.section] = i + 1;
  }
  std::map<int, std::string> params;
  for (const std::string& line : ppn) {
    core::ArenaScope line_scope;
    defs::LineParts parts;
    if (defs::def_line_parts(core::text_view(line), 1, &parts) != 0) continue;
    std::string& p = params[parts.section];
    p += (p.empty() ? "" : ":") + core::text_str(parts.content);
  }
  for (const auto& [section, screen] : screens) {
    size_t names = fd_names(params[section]);
    if (names > screen.fields.size())
      out->push_back(at(name, last_line[section],
                        "screen " + std::to_string(section) + " has " + std::to_string(screen.fields.size()) +
                            " field(s), but FD$ of " + ppn_name + " names " + std::to_string(names) +
                            ": is the file cut short?"));
  }
}

}  // namespace apprun
