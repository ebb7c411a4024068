// The command line: joining an argument vector, normalising, and options by
// position.
#include <cctype>
#include <cstring>
#include <string>

#include "core/arena.h"
#include "core/slots.h"
#include "app/app.h"
#include "paths/paths.h"

namespace app {

const Text kOptionList =
    "?;HELP,APNAME,APSTART,DPATH,SCRWID,SCRHIG,INPUT,OUTPUT,FILE,INDEX,DEVICE,RUN,MODE,TRACE"_t;
const Text kModeList = "ADMIN,PRNTOFILE"_t;

namespace {

using core::ArenaScope;

// An option argument whose value the shell's quote removal would leave cut
// short is given its quotes back: a value holding a blank or a tab, or one
// starting with "/" or "." (a POSIX path), and no quote of its own.
std::string requoted(const std::string& arg) {
  size_t name = arg.find_first_not_of("/-");
  if (name == 0 || name == std::string::npos) return arg;
  size_t sep = arg.find_first_of(":=", name);
  if (sep == std::string::npos || sep == name) return arg;
  std::string value = arg.substr(sep + 1);
  if (value.empty() || value.find_first_of("'\"") != std::string::npos) return arg;
  bool cut_short =
      value.find_first_of(" \t") != std::string::npos || value[0] == '/' || value[0] == '.';
  return cut_short ? arg.substr(0, sep + 1) + "'" + value + "'" : arg;
}

// The names of an option ("?;HELP" has two).
Text option_names(uint16_t position) { return core::list_field(kOptionList, ',', position); }

}  // namespace

Text command_line_join(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    if (i > 1) line += ' ';
    line += requoted(argv[i]);
  }
  if (!line.empty() && static_cast<unsigned char>(line.back()) <= 13) line.pop_back();
  return core::arena_text(line);
}

Text command_line_normalise(Text line) {
  if (!line.ok()) return line;
  Text s = core::text_trim(line, core::kTrimBoth);
  std::string out;
  // The start counts as a blank, so that the first option, which follows
  // none when the line comes from an argument vector, is turned too.
  bool after_blank = true;
  for (uint32_t i = 0; i < s.len; ++i) {
    char c = s.ptr[i];
    if (c == '\'' || c == '"') {
      // A quoted stretch is kept as written; an unclosed quote hides the rest.
      uint16_t end = core::text_skip_quoted(s, static_cast<uint16_t>(i));
      uint32_t stop = end == core::kNoPos ? s.len : end;
      out.append(s.ptr + i, stop - i);
      i = stop - 1;
      after_blank = false;
      continue;
    }
    if (c == ' ' && after_blank && !out.empty()) continue;  // one blank of a run
    if (c == '-' && after_blank) {
      if (s.at(i + 1u) == '-') ++i;  // " --" as well as " -" reads as " /"
      c = '/';
    }
    out += c;
    after_blank = c == ' ';
  }
  return core::arena_text(out);
}

bool option_present(uint16_t position) {
  Text names = option_names(position);
  Text line = core::slot_get(core::kGroupEnv, core::kEnvCommandLine);
  for (uint16_t n = 1; n <= core::list_count(names, ';'); ++n) {
    if (paths::option_raw(line, core::list_field(names, ';', n)).ok()) return true;
  }
  return false;
}

Text option_value(uint16_t position) {
  Text names = option_names(position);
  Text line = core::slot_get(core::kGroupEnv, core::kEnvCommandLine);
  for (uint16_t n = 1; n <= core::list_count(names, ';'); ++n) {
    Text name = core::list_field(names, ';', n);
    if (paths::option_raw(line, name).ok()) return paths::option_find(line, name);
  }
  return Text{};
}

uint16_t option_index(uint16_t position, Text list) {
  ArenaScope scope;
  Text value = option_value(position);
  if (!value.ok() || value.len == 0) return 0;
  return core::list_index(list, ',', value);
}

Text option_unknown(Text line) {
  static const std::string kConnection = "SQLHOST,DATABASE,USER,PASSW";
  std::string known = "," + std::string(core::text_bytes(kOptionList)) + "," + kConnection + ",";
  for (char& c : known) c = c == ';' ? ',' : c;
  std::string_view s = core::text_bytes(line);
  char quote = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    if (c != '/' || (i > 0 && s[i - 1] != ' ')) continue;
    size_t end = s.find_first_of(":= ", i + 1);
    if (end == std::string_view::npos) end = s.size();
    std::string name(s.substr(i + 1, end - i - 1));
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (name.empty() || known.find("," + name + ",") == std::string::npos)
      return core::arena_text("/" + std::string(s.substr(i + 1, end - i - 1)));
  }
  return core::arena_text("");
}

}  // namespace app
