// The viewer list, how an entry names its program, and the registry of
// registered programs as this platform has it (the programs along PATH).
#include <cstdlib>
#include <string>
#include <vector>

#include "core/arena.h"
#include "output/internal/device_os.h"
#include "output/viewers.h"
#include "paths/paths.h"

namespace output {

namespace {

using core::operator""_t;

constexpr char kDefaultViewer[] = "xdg-open";
constexpr char kViewerSetting[] = "APP_VIEWERS";
const Text kRegistryRoots = "HKEY_CLASSES_ROOT,HKEY_CURRENT_CONFIG,HKEY_CURRENT_USER,HKEY_LOCAL_MACHINE,HKEY_USERS"_t;
const Text kAppPaths = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"_t;
const Text kAppPathsKey = "\\App Paths\\"_t;
constexpr size_t kMaxWords = 8;

// Words apart by blanks; a word in double quotes may hold blanks (the
// quotes go). With a limit, the last word takes the rest of the text.
std::vector<std::string> words(const std::string& text, size_t limit) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    if (at == text.size()) break;
    if (limit != 0 && out.size() + 1 == limit) {
      size_t end = text.find_last_not_of(' ');
      std::string rest = text.substr(at, end + 1 - at);
      if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
      out.push_back(rest);
      break;
    }
    std::string word;
    bool quoted = false;
    for (; at < text.size() && (quoted || text[at] != ' '); ++at) {
      if (text[at] == '"') {
        quoted = !quoted;
      } else {
        word += text[at];
      }
    }
    out.push_back(word);
  }
  return out;
}

std::string without_quotes(std::string s) {
  std::string out;
  for (char c : s) {
    if (c != '"') out += c;
  }
  return out;
}

}  // namespace

std::string viewer_entry(int viewer) {
  if (viewer < 1 || viewer > kViewerCount) return {};
  core::ArenaScope scope;
  const char* setting = std::getenv(kViewerSetting);
  Text list = core::text_view(setting != nullptr ? setting : "");
  std::string entry = core::text_str(core::text_trim(core::list_field(list, ',', viewer), core::kTrimBoth));
  return entry.empty() ? std::string(kDefaultViewer) : entry;
}

Text registry_value(Text path) {
  core::ArenaScope scope;
  Text root = core::list_field(path, '\\', 1);
  if (core::list_index(kRegistryRoots, ',', root) == 0) return core::text_error_value(core::SINTAXERROR);
  // "...\App Paths\<program>\": the program's full path.
  uint16_t at = core::text_find(path, kAppPathsKey, false);
  if (at == core::kNoPos || path.len == 0 || path.at(path.len - 1) != '\\') return ""_t;
  Text key = core::text_sub(path, at + kAppPathsKey.len, static_cast<uint16_t>(path.len - 1 - at - kAppPathsKey.len));
  if (key.empty() || core::text_find_char(key, '\\', 0, true) != core::kNoPos) return ""_t;
  return scope.keep(core::arena_text(os::program_path(core::text_str(key))));
}

int viewer_open(int viewer, Text file, int flags) {
  core::ArenaScope scope;
  std::string entry = viewer_entry(viewer);
  std::vector<std::string> args;
  if (!entry.empty() && entry[0] == '.') {
    // A registered program: ".%sNAME\" names the key of NAME.
    std::string key = entry.substr(1);
    size_t s = key.find("%s");
    if (s != std::string::npos) key.replace(s, 2, core::text_str(kAppPaths));
    Text value = registry_value(core::text_view(key));
    if (value.ok() && !value.empty()) args.push_back(without_quotes(core::text_str(value)));
  } else if (!entry.empty()) {
    args = words(core::text_str(paths::env_expand(core::text_view(entry))), 0);
  }
  if (args.empty() || os::program_path(args[0]).empty()) return kViewerNotFound;
  // The viewer may start elsewhere (a desktop service): the file by its full path.
  Text full = paths::path_resolve(paths::path_current_folder(), file);
  args.push_back(core::text_str(full.ok() ? full : file));
  return program_run_args(args, flags);
}

int program_run(Text command_line, int flags) {
  std::vector<std::string> args = words(core::text_str(command_line), kMaxWords);
  if (args.empty()) return 0;
  return program_run_args(args, flags);
}

}  // namespace output
