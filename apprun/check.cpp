// apprun --check: the definition files loaded one by one, as the runtime
// would load them, without windows or a database.
#include "apprun/check.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "apprun/runtime.h"
#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/dictionary.h"
#include "output/reports.h"
#include "paths/paths.h"
#include "script/procedures.h"

namespace apprun {

namespace {

namespace fs = std::filesystem;

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The failure of a load as one line: the file and the line when the loader
// knew it, the error's name and its detail with its line breaks folded.
std::string problem(const std::string& file, core::Status code, const std::string& path = "") {
  core::ArenaScope scope;
  std::string detail = core::text_str(core::error_detail());
  for (char& c : detail)
    if (c == '\r' || c == '\n') c = ' ';
  detail.erase(std::unique(detail.begin(), detail.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
               detail.end());
  // The file is said at the start of the line already (and its line, when
  // the detail ends with both).
  core::ErrorPlace place = core::error_place();
  std::string named = " File: " + path;
  std::string lined = named + ", line " + std::to_string(place.line);
  for (const std::string& end : {lined, named}) {
    if (!path.empty() && detail.size() >= end.size() &&
        detail.compare(detail.size() - end.size(), end.size(), end) == 0) {
      detail.resize(detail.size() - end.size());
      break;
    }
  }
  size_t first = detail.find_first_not_of(' ');
  detail = first == std::string::npos ? std::string() : detail.substr(first);
  std::string where = file;
  if (place.line != 0) {
    std::string placed = fs::path(place.file).filename().string();
    where = placed + ":" + std::to_string(place.line);
    std::string prefix = placed + ", line " + std::to_string(place.line) + ": ";
    size_t at = detail.find(prefix);
    if (at != std::string::npos) detail.erase(0, at + prefix.size());
  }
  std::string line = where + ": " + core::text_str(core::error_name(code));
  if (!detail.empty()) line += ": " + detail;
  core::error_clear();
  return line;
}

// Definition files that are text; the printer definitions are records.
bool text_file(const std::string& name, const std::string& ext) {
  static const char* const kText[] = {".PMT", ".PAN", ".PPN", ".PRX", ".PDC", ".MSJ", ".SQL", ".DAT"};
  if (upper(name).rfind("QVPRNP", 0) == 0) return false;
  return std::find_if(std::begin(kText), std::end(kText), [&](const char* e) { return ext == e; }) != std::end(kText);
}

void check_file(const fs::path& path, std::vector<std::string>* out) {
  std::string name = path.filename().string();
  std::string ext = upper(path.extension().string());
  std::string full = path.string();
  core::ArenaScope scope;
  core::error_clear();
  std::vector<std::string> lines;
  if (text_file(name, ext)) {
    bool line_end = true;
    lines = file_lines(full, &line_end);
    if (!check_text(name, lines, line_end, out)) return;
  }
  if (ext == ".PRX") {
    uint16_t number = 0;
    core::Status st = script::proc_load(core::text_view(full), &number);
    if (st != 0) out->push_back(problem(name, st, full));
    else static_cast<void>(script::proc_unload(number));
  } else if (ext == ".PDC") {
    std::vector<output::TemplateLine> template_lines;
    core::Status st = output::template_load(core::text_view(full), &template_lines);
    if (st != 0) out->push_back(problem(name, st));
  } else if (upper(name).size() == 10 && upper(name).substr(2) == "DICC.DAT") {
    data::dict_clear();
    std::string folder = path.parent_path().string();
    core::Status st = data::dict_load(core::text_view(name.substr(0, 2)), core::text_view(folder), core::Text{});
    if (st != 0) out->push_back(problem(name, st));
    data::dict_clear();
  } else if (ext == ".PMT") {
    check_menu(name, lines, out);
  } else if (ext == ".PAN") {
    check_screen(full, name, out);
  }
}

}  // namespace

std::vector<std::string> check_definitions(const std::string& folders) {
  std::vector<std::string> out;
  std::string list = folders.empty() ? fs::current_path().string() : folders;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    std::string folder = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    start = comma == std::string::npos ? list.size() + 1 : comma + 1;
    if (folder.empty()) continue;
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
      out.push_back(folder + ": no such folder");
      continue;
    }
    // The folder is the definition folder while its files load, so that
    // includes and called procedures are found as at run time.
    static_cast<void>(core::slot_set(core::kGroupEnv, core::kEnvDocPath, core::text_view(folder)));
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder, error))
      if (entry.is_regular_file(error)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) check_file(f, &out);
    // The start menu is a menu file (or a menu parameter file ??MENU.PPN).
    bool menu = std::any_of(files.begin(), files.end(), [](const fs::path& f) {
      std::string n = upper(f.filename().string());
      return upper(f.extension().string()) == ".PMT" || (n.size() == 10 && n.substr(2) == "MENU.PPN");
    });
    bool definitions = std::any_of(files.begin(), files.end(), [](const fs::path& f) {
      std::string e = upper(f.extension().string());
      return e == ".PAN" || e == ".PPN";
    });
    if (definitions && !menu) out.push_back(folder + ": no menu file (.PMT): the main window opens without a menu");
  }
  return out;
}

int check_main(const std::string& folders) {
  Runtime runtime(Runtime::kWithoutWindows);
  core::Status st = runtime.build();
  if (st != 0) {
    std::fprintf(stderr, "apprun: the runtime could not start (code %u)\n", st);
    return 1;
  }
  std::vector<std::string> problems = check_definitions(folders);
  for (const std::string& p : problems) std::printf("%s\n", p.c_str());
  static_cast<void>(runtime.release());
  return problems.empty() ? 0 : 1;
}

}  // namespace apprun
