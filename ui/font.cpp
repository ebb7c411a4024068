// The screen font: read from the font list, chosen with the FontSet process.
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "definitions/definitions.h"
#include "ui/dialogs.h"
#include "ui/internal/state.h"

namespace ui {

using internal::state;

namespace {

// The lines of the font list; false when there is no list.
bool font_lines(std::string* path, std::vector<std::string>* lines) {
  core::ArenaScope scope;
  Text found = defs::def_file_find(core::text_from_c(kFontFile), defs::kFtParams);
  if (found.empty()) return false;
  path->assign(found.ptr, found.len);
  Text body = core::file_load(found, 0, core::kToEnd);
  if (!body.ok()) return false;
  size_t start = 0;
  std::string all(body.ptr, body.len);
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines->push_back(line);
    start = end + 1;
  }
  return true;
}

}  // namespace

platform::FontSpec font_parse(Text line) {
  platform::FontSpec spec;
  core::ArenaScope scope;
  Text height = core::text_trim(core::list_field(line, ';', 1), core::kTrimBoth);
  Text width = core::text_trim(core::list_field(line, ';', 2), core::kTrimBoth);
  Text style = core::text_case(core::list_field(line, ';', 3), core::Case::Upper);
  Text face = core::text_trim(core::list_field(line, ';', 4), core::kTrimBoth);
  int h = core::text_to_int(height);
  spec.height = h < 0 ? -h : h;  // a negative height asks for the glyphs' height
  if (spec.height == 0) spec.height = platform::FontSpec{}.height;
  spec.width = std::max(0, static_cast<int>(core::text_to_int(width)));
  spec.bold = core::text_find(style, "BOLD"_t, true) != core::kNoPos;
  spec.face.assign(face.ok() ? face.ptr : "", face.ok() ? face.len : 0);
  return spec;
}

std::string font_caption(const platform::FontSpec& spec) {
  std::string caption = spec.face.empty() ? std::string() : spec.face + ", ";
  caption += std::to_string(spec.height);
  if (spec.width > 0) caption += " x " + std::to_string(spec.width);
  caption += " px";
  if (spec.bold) caption += ", Bold";
  return caption;
}

Status font_load() {
  internal::UiState* s = state();
  if (s == nullptr) return core::SCREENENV;
  std::string path;
  std::vector<std::string> lines;
  if (!font_lines(&path, &lines) || lines.empty()) return 0;
  s->font = font_parse(core::text_view(lines[0].data(), lines[0].size()));
  s->cell = s->toolkit->font_set(s->font);
  return 0;
}

platform::CellSize font_cell() {
  internal::UiState* s = state();
  return s != nullptr ? s->cell : platform::CellSize{};
}

platform::FontSpec font_current() {
  internal::UiState* s = state();
  return s != nullptr ? s->font : platform::FontSpec{};
}

void font_use(const platform::FontSpec& spec) {
  if (internal::UiState* s = state()) s->cell = s->toolkit->font_set(spec);
}

void font_restore() {
  if (internal::UiState* s = state()) s->cell = s->toolkit->font_set(s->font);
}

Status font_choose() {
  std::string path;
  std::vector<std::string> lines;
  if (!font_lines(&path, &lines)) {
    core::report_detail(core::FILENOTFOUND, core::text_from_c(kFontFile), false);
    return core::error_record(core::kRecord, core::Context::Screen, core::FILENOTFOUND, core::FILENOTFOUND);
  }
  core::ArenaScope scope;
  // Each font by its face and size, quoted so that its commas stay in it.
  Text list{};
  for (const std::string& line : lines) {
    std::string caption = font_caption(font_parse(core::text_view(line.data(), line.size())));
    Text item = core::text_quote(core::text_view(caption.data(), caption.size()), '"');
    list = core::list_set(list, ',', 0, item.ok() ? item : core::text_view(caption.data(), caption.size()));
  }
  int chosen = selection_run("Font"_t, list, kSelectOwnWindow | kSelectListBox);
  if (chosen <= 0 || chosen > static_cast<int>(lines.size())) return 0;
  std::string front = lines[static_cast<size_t>(chosen - 1)];
  lines.erase(lines.begin() + chosen - 1);
  lines.insert(lines.begin(), front);
  std::string body;
  for (const std::string& line : lines) body += line + "\r\n";
  Status st = core::file_put(core::text_view(path.data(), path.size()), -2,
                             core::text_view(body.data(), body.size()));
  if (st != 0) return st;
  return font_load();
}

}  // namespace ui
