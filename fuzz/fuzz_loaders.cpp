// Loads arbitrary bytes as the definition files an application is made of:
// a dictionary and its relations file, a rule file, a menu, and a screen's
// label-and-field file with its parameter file. Whatever they hold, a load
// either succeeds or answers a code with a detail; nothing crashes, the
// slot store's stacks are left as they were and the arena balanced.
//
// Input: the files one after another, each ended by the byte 0xFE (bytes
// after the fifth are the screen's parameter file).
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/menu.h"
#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/context.h"
#include "data/dictionary.h"
#include "data/relup.h"
#include "definitions/definitions.h"
#include "fuzz/fuzz_common.h"
#include "script/variables.h"
#include "ui/defs.h"
#include "ui/screens.h"

namespace {

namespace fs = std::filesystem;

const std::string& folder() {
  static const std::string path = [] {
    std::string file = fuzz::make_temp_path("fuzz_loaders");
    fs::remove(file);
    fs::create_directory(file);
    return file;
  }();
  return path;
}

void ensure_runtime() {
  fuzz::ensure_context();
  static script::ScriptContext* script = new script::ScriptContext();
  FUZZ_CHECK(script->status() == 0);
  static data::DataContext* data = new data::DataContext();
  (void)data;
}

void write(const std::string& name, const std::string& bytes) {
  std::ofstream(folder() + "/" + name, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensure_runtime();
  std::vector<std::string> parts(6);
  size_t at = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFE && at + 1 < parts.size()) {
      ++at;
      continue;
    }
    parts[at] += static_cast<char>(data[i]);
  }
  write("XXDICC.DAT", parts[0]);
  write("XXREL.DAT", parts[1]);
  write("XXRELUPSQL.DAT", parts[2]);
  write("M.PMT", parts[3]);
  write("S.PAN", parts[4]);
  write("S.PPN", parts[5]);
  FUZZ_CHECK(core::slot_set(core::kGroupEnv, core::kEnvDocPath, fuzz::view(folder())) == 0);
  FUZZ_CHECK(core::slot_set(core::kGroupEnv, core::kEnvApName, fuzz::view("XXFUZZ")) == 0);
  const uint16_t queue = core::slot_count(core::kGroupLineQueue);
  const uint16_t stack = core::slot_count(core::kGroupDefStack);
  {
    core::ArenaScope scope;
    core::error_clear();
    data::dict_clear();
    core::Status st = data::dict_load(fuzz::view("XX"), fuzz::view(folder()), core::Text{});
    if (st != 0) FUZZ_CHECK(core::error_last().code != 0 || !core::error_detail().empty());
    // The rules of every file the dictionary defined.
    for (uint16_t file = 1; st == 0 && file <= data::dict_file_count(); ++file) {
      core::ArenaScope rules;
      (void)data::relup_load(file, core::Text{});
      (void)data::relup_rules(file, core::Text{});
    }
    data::dict_clear();
  }
  {
    core::ArenaScope scope;
    std::vector<app::MenuLine> lines;
    if (app::menu_read(fuzz::view("M"), &lines) == 0) {
      app::MenuNode bar = app::menu_tree(lines);
      (void)bar;
    }
  }
  for (int section = 0; section < 3; ++section) {
    core::ArenaScope scope;
    std::vector<std::string> items, params;
    ui::Screen screen;
    if (ui::definition_section_lines(fuzz::view(folder() + "/S.PAN"), 2, section, &items) != 0) continue;
    for (const std::string& item : items) (void)ui::screen_parse_line(fuzz::view(item), &screen);
    if (ui::definition_section_lines(fuzz::view(folder() + "/S.PPN"), 1, section, &params) != 0) continue;
    std::string joined;
    for (const std::string& p : params) joined += (joined.empty() ? "" : ":") + p;
    ui::screen_apply_params(&screen, fuzz::view(joined));
  }
  FUZZ_CHECK(core::slot_count(core::kGroupLineQueue) == queue);
  FUZZ_CHECK(core::slot_count(core::kGroupDefStack) == stack);
  core::error_clear();
  return 0;
}
