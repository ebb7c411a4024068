// Menus of the PPN format: each section one menu, read through the menu
// keys, turned into PMT lines.
#include <set>
#include <utility>

#include "core/arena.h"
#include "core/errors.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "app/menu.h"
#include "paths/paths.h"

namespace app {

namespace {

constexpr int kMaxDepth = 16;
constexpr int kLayoutParams = 1;

std::string str(Text t) { return core::text_str(core::text_unquote(core::text_trim(t, core::kTrimBoth))); }

// One menu section's keys, read while it is the current section.
struct MenuSection {
  std::string menu;     // caption, then the item captions
  std::string callers;  // sections of the submenus
  std::vector<std::string> exec;
  std::vector<std::string> load;
};

std::string raw_key(uint16_t code) { return core::text_str(defs::def_key_raw(code)); }

// MENU$ and CALLER$ with the older keys where the compatibility bit asks.
void read_keys(MenuSection* m) {
  core::ArenaScope scope;
  m->menu = raw_key(defs::kKeyMenu);
  m->callers = raw_key(defs::kKeyCaller);
  bool compat = (script::var_get_int(core::kSwCompat) & kCompatMenuKeys) != 0;
  if (compat && m->menu.empty()) {
    m->menu = raw_key(defs::kKeySubmenu);
    if (m->menu.empty()) {
      std::string modulo = core::text_str(defs::def_param_raw("MODULO$"_t));
      std::string options = core::text_str(defs::def_param_raw("OPTIONS$"_t));
      m->menu = modulo.empty() ? options : (options.empty() ? modulo : modulo + "," + options);
    }
  }
  if (compat && m->callers.empty()) m->callers = core::text_str(defs::def_param_raw("MODULOS$"_t));
  uint16_t items = core::list_count(core::arena_text(m->menu), ',');
  for (uint16_t i = 2; i <= items; ++i) {
    m->exec.push_back(str(defs::def_key_raw(defs::kKeyExec, static_cast<uint16_t>(i - 1))));
    m->load.push_back(str(def_key_raw(defs::kKeyLoad, static_cast<uint16_t>(i - 1))));
  }
}

class Converter {
 public:
  explicit Converter(std::vector<MenuLine>* out) : out_(out) {}

  // The items and submenus of a section, at a level.
  Status section(const std::string& file, int number, int level) {
    if (level >= kMaxDepth) return 0;
    auto key = std::make_pair(file, number);
    if (reading_.count(key) != 0) return 0;  // a menu is not read inside itself
    MenuSection m;
    {
      core::ArenaScope scope;
      int32_t st = defs::def_section_load(core::arena_text(file), kLayoutParams, number);
      if (st == defs::kNoFile) return core::FILENOTFOUND;
      if (st != 0) return static_cast<Status>(st);
      read_keys(&m);
      static_cast<void>(defs::def_section_release());
    }
    reading_.insert(key);
    Status st = emit(file, m, level);
    reading_.erase(key);
    return st;
  }

 private:
  Status emit(const std::string& file, const MenuSection& m, int level) {
    core::ArenaScope scope;
    Text menu = core::arena_text(m.menu);
    std::string own = str(core::list_field(menu, ',', 1));
    for (size_t i = 0; i < m.exec.size(); ++i) {
      MenuLine line;
      line.level = level;
      line.caption = str(core::list_field(menu, ',', static_cast<uint16_t>(i + 2)));
      if (!m.load[i].empty()) {
        Text load = core::arena_text(m.load[i]);
        std::string other = str(core::list_field(load, ';', 1));
        int other_section = core::list_field_int(load, ';', 2);
        if (other.empty()) other = file;
        if (other_section <= 0) other_section = 1;
        if (being_read(other, other_section)) continue;
        out_->push_back(line);
        if (Status st = section(other, other_section, level + 1); st != 0) return st;
        continue;
      }
      line.item = true;
      line.process = m.exec[i].empty() ? own + "," + std::to_string(i + 1) : m.exec[i];
      out_->push_back(line);
    }
    Text callers = core::arena_text(m.callers);
    for (uint16_t n = 1; n <= core::list_count(callers, ','); ++n) {
      int sub = core::list_field_int(callers, ',', n);
      if (sub <= 0 || being_read(file, sub)) continue;
      MenuLine line;
      line.level = level;
      line.caption = caption_of(file, sub);
      out_->push_back(line);
      if (Status st = section(file, sub, level + 1); st != 0) return st;
    }
    return 0;
  }

  bool being_read(const std::string& file, int number) const {
    return reading_.count(std::make_pair(file, number)) != 0;
  }

  // Field 1 of a section's MENU$.
  static std::string caption_of(const std::string& file, int number) {
    core::ArenaScope scope;
    if (defs::def_section_load(core::arena_text(file), kLayoutParams, number) != 0) return {};
    MenuSection m;
    read_keys(&m);
    static_cast<void>(defs::def_section_release());
    return str(core::list_field(core::arena_text(m.menu), ',', 1));
  }

  std::vector<MenuLine>* out_;
  std::set<std::pair<std::string, int>> reading_;
};

}  // namespace

Status menu_ppn_lines(Text file, int section, std::vector<MenuLine>* lines) {
  Converter converter(lines);
  return converter.section(core::text_str(file), section > 0 ? section : 1, 0);
}

}  // namespace app
