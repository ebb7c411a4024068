// A menu ("file,section"): its file found, read, and made into the
// toolkit's menu bar, the items' process names kept in group 5.
#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "definitions/definitions.h"
#include "app/menu.h"
#include "paths/paths.h"
#include "ui/defs.h"
#include "ui/windows.h"

namespace app {

namespace {

constexpr int kLayoutWhole = 0;

using ui::platform::Handle;
using ui::platform::kNone;

void add_children(ui::platform::Toolkit* tk, Handle menu, const MenuNode& node) {
  core::ArenaScope scope;
  for (const MenuNode& child : node.children) {
    Text caption = core::arena_text(child.caption);
    if (!child.submenu) {
      tk->menu_add_item(menu, child.id, caption);
      continue;
    }
    Handle sub = tk->menu_create(true);
    add_children(tk, sub, child);
    tk->menu_add_submenu(menu, sub, caption);
  }
}

Status store_processes(const MenuNode& node) {
  for (const MenuNode& child : node.children) {
    Status st = child.submenu ? store_processes(child)
                              : core::slot_set(core::kGroupMenuItems, static_cast<uint16_t>(child.id - kMenuFirstId),
                                               core::arena_text(child.process));
    if (st != 0) return st;
  }
  return 0;
}

}  // namespace

Status menu_read(Text menu_name, std::vector<MenuLine>* lines) {
  core::ArenaScope scope;
  Text name = core::text_trim(core::list_field(menu_name, ',', 1), core::kTrimBoth);
  if (name.empty()) return core::FILENOTFOUND;
  Text pmt = defs::def_file_find(name, defs::kFtMenu);
  if (!pmt.empty()) {
    std::vector<std::string> text;
    Status st = ui::definition_section_lines(pmt, kLayoutWhole, 0, &text);
    if (st == 0) *lines = menu_lines_parse(text);
    return st;
  }
  Text ppn = def_file_find(name, defs::kFtParams);
  if (ppn.empty()) return core::FILENOTFOUND;
  return menu_ppn_lines(ppn, core::list_field_int(menu_name, ',', 2), lines);
}

Handle menu_build(Text menu_name) {
  ui::platform::Toolkit* tk = ui::toolkit();
  std::vector<MenuLine> lines;
  if (tk == nullptr) return kNone;
  // A damaged menu file is said with its line; the window opens without
  // the menu all the same.
  if (Status st = menu_read(menu_name, &lines); st != 0) {
    if (st != core::FILENOTFOUND) core::error_box(st);
    return kNone;
  }
  MenuNode bar = menu_tree(lines);
  static_cast<void>(core::slot_clear(core::kGroupMenuItems));
  core::ArenaScope scope;
  if (Status st = store_processes(bar); st != 0) {
    core::error_record(core::kRecord, core::Context::Screen, st, st);
    return kNone;
  }
  Handle menu = tk->menu_create(false);
  add_children(tk, menu, bar);
  return menu;
}

Text menu_item_process(int k) {
  if (k < 0 || k >= kMenuMaxItems) return Text{};
  return core::slot_get(core::kGroupMenuItems, static_cast<uint16_t>(k));
}

}  // namespace app
