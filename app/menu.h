// The menu and the main window: the application's home. The main window is
// titled with a status line, carries the menu bar built from the menu file,
// shows a background picture, and starts the process of every menu item
// chosen through the dispatcher. Help pages, help topics and the About box
// are served from here too (the Help process).
//
// Menu files come in two formats:
//
//   PMT  one menu line a text line; the leading tabs are its level. A line
//        holding a "," is an item: caption, then the process name it runs.
//        A line without one opens a submenu for the deeper lines below it.
//
//          Ficheros
//          \tClientes,MantMain CLIENTES
//          \tArticulos,MantMain ARTICULOS
//
//   PPN  one menu a section (layout 1), read through the menu keys:
//          MENU$    the caption, then the item captions
//          CALLER$  the sections of the submenus (in section 1: the menu bar)
//          EXEC$    the process of each item; an item without one runs the
//                   menu's caption, "," and its number
//          LOAD$    for an item that opens a menu of another file, that
//                   file and its section, "FILE;SECTION"
//        The sections are turned into PMT lines before the menu is built.
//
// Item k (from 0, in file order) has command identifier 1500 + k and its
// process name in slot k of group 5 of the slot store.
#pragma once

#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "ui/platform/platform.h"

namespace app {

using core::Status;
using core::Text;
using core::operator""_t;

// --- menu files -------------------------------------------------------------------
struct MenuLine {
  int level = 0;
  std::string caption;
  std::string process;  // empty for a submenu line
  bool item = false;
};
// The lines of a PMT text (one line a string); blank lines are skipped.
std::vector<MenuLine> menu_lines_parse(const std::vector<std::string>& text);
// A line in PMT form: level tabs, the caption and, for an item, "," and
// the process name.
std::string menu_line_text(const MenuLine& line);

// The tree the lines make: a node is an item (id from 1500) or a submenu.
struct MenuNode {
  std::string caption;
  int id = 0;           // items only
  std::string process;  // items only
  std::vector<MenuNode> children;
  bool submenu = false;
};
inline constexpr int kMenuFirstId = 1500;
inline constexpr int kMenuMaxItems = 200;  // identifiers 1500 to 1699
// A deeper line opens a level below the last submenu line; a shallower one
// closes the levels above it. Items past the 200th are left out.
MenuNode menu_tree(const std::vector<MenuLine>& lines);

// Bit 16 of status word 20: a PPN menu section with MENU$ or CALLER$
// missing reads the older keys SUBMENU$ (or MODULO$ and OPTIONS$ joined by
// ",") and MODULOS$.
inline constexpr int kCompatMenuKeys = 16;
// The sections of a PPN file from `section` on, as PMT lines. Sections are
// followed to a depth of 16; a section already being read is not read again
// inside itself.
[[nodiscard]] Status menu_ppn_lines(Text file, int section, std::vector<MenuLine>* lines);

// The lines of a menu named "file,section": field 1 with
// ".PMT" in the definition folders, else with ".PPN". FILENOTFOUND when
// neither exists.
[[nodiscard]] Status menu_read(Text menu_name, std::vector<MenuLine>* lines);

// Builds the toolkit menu bar of a menu ("file,section") and stores the items'
// process names in group 5. kNone when there is no menu file.
ui::platform::Handle menu_build(Text menu_name);
// The process name of item k (from 0); empty when there is none.
Text menu_item_process(int k);

// --- the main window ----------------------------------------------------------------
// " description  |  date  |  database folder |  " and the maker's address.
Text main_status_line();
// Opens the main window on a start menu ("file,section"; empty: no menu bar). 0, or the
// window layer's code.
[[nodiscard]] Status main_window_open(Text start_menu);
// The main window's picture: "background.png" in the definition folders,
// else among the runtime's own files (paths::path_runtime_files); an empty
// text when there is none.
Text background_picture();

// --- help ---------------------------------------------------------------------------------
// The help pages: "<prefix>index.html", else "index.html", in the
// definition folders and then the help folder, opened in viewer 2 (the
// web browser, output/viewers.h); a missing page shows message 0072 with
// the path, a viewer that is nowhere a box naming the page.
[[nodiscard]] Status help_pages();
// The About box: the application, its description and the runtime.
void about_box();
// The Help process: the help pages without an argument, the About box
// with one.
[[nodiscard]] Status help_process(Text argument);

}  // namespace app
