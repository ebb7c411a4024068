// The text picture of a headless window: the client area as a grid of
// character cells of the screen font, each control drawn at its cell.
//
//   +- Acceso a Datos ------------------------+
//   |                                         |
//   |  Servidor:       [localhost           ] |
//   |  Contraseña:     [*****               ] |
//   |               <Ok>                      |
//   +-----------------------------------------+
//   focus: #2000
//
// Edits are bracketed (password characters as "*"), enabled buttons in
// angle brackets and disabled ones in parentheses, list items one a row
// with ">" before the selected one, progress bars as "#" over ".". A menu
// bar shows its entries in a row under the title.
#include <algorithm>

#include "ui/headless/headless.h"
#include "core/cp1252.h"

namespace ui::headless {

namespace {

using Grid = std::vector<std::u32string>;

std::u32string decode(const std::string& cp1252) {
  std::u32string out;
  for (char c : cp1252) {
    uint32_t cp = core::cp1252_to_unicode(static_cast<uint8_t>(c));
    out.push_back(cp < 0x20 ? U' ' : static_cast<char32_t>(cp));
  }
  return out;
}

std::string encode(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

void put(Grid* g, int row, int col, const std::u32string& s) {
  if (row < 0 || row >= static_cast<int>(g->size())) return;
  std::u32string& line = (*g)[row];
  for (size_t i = 0; i < s.size(); ++i) {
    int c = col + static_cast<int>(i);
    if (c >= 0 && c < static_cast<int>(line.size())) line[c] = s[i];
  }
}

std::u32string fit(std::u32string s, int width) {
  if (width < 0) width = 0;
  s.resize(static_cast<size_t>(width), U' ');
  return s;
}

std::u32string align(std::u32string s, int width, bool right) {
  if (right && static_cast<int>(s.size()) < width) s = std::u32string(static_cast<size_t>(width) - s.size(), U' ') + s;
  return fit(s, width);
}

}  // namespace

// A grid as a table: the titles, then as many rows as fit, the selected
// one marked with ">" (scrolled so that it shows), columns split by "|".
void HeadlessToolkit::render_grid(std::vector<std::u32string>* grid, const Control& c, int row, int col, int width,
                                  int cw, int ch) const {
  auto line = [&](const std::vector<std::string>* cells, char32_t mark) {
    std::u32string out(1, mark);
    for (size_t i = 0; i < c.columns.size(); ++i) {
      int w = std::max(1, c.columns[i].width / cw - 1);
      std::u32string text = cells != nullptr ? decode((*cells)[i]) : decode(c.columns[i].title);
      out += align(text, w, cells != nullptr && c.columns[i].right) + U"|";
    }
    return fit(out, width);
  };
  put(grid, row, col, line(nullptr, U' '));
  int visible = std::max(1, c.spec.rect.h / ch - 1);
  int first = c.selection >= visible ? c.selection - visible + 1 : 0;
  for (int i = 0; i < visible && first + i < static_cast<int>(c.cells.size()); ++i) {
    int r = first + i;
    put(grid, row + 1 + i, col, line(&c.cells[static_cast<size_t>(r)], r == c.selection ? U'>' : U' '));
  }
}

std::string HeadlessToolkit::render(Handle w) const {
  const Window* win = find(w);
  if (win == nullptr) return "(no window)";
  int cw = std::max(1, cell_.w), ch = std::max(1, cell_.h);
  int cols = std::max(1, win->spec.client.w / cw);
  int rows = std::max(1, win->spec.client.h / ch);
  Grid grid(static_cast<size_t>(rows), std::u32string(static_cast<size_t>(cols), U' '));

  if (!win->painted.empty()) {
    std::vector<std::u32string> lines;
    std::u32string text = decode(win->painted), cur;
    for (char32_t c : text) {
      if (c == U'\n') {
        lines.push_back(cur);
        cur.clear();
      } else if (c != U'\r') {
        cur.push_back(c);
      }
    }
    lines.push_back(cur);
    int top = (rows - static_cast<int>(lines.size())) / 2;
    for (size_t i = 0; i < lines.size(); ++i) {
      put(&grid, top + static_cast<int>(i), (cols - static_cast<int>(lines[i].size())) / 2, lines[i]);
    }
  }

  for (const Control& c : win->controls) {
    if (!c.shown) continue;
    int row = c.spec.rect.y / ch - win->vpos / ch;
    int col = c.spec.rect.x / cw;
    int width = std::max(1, (c.spec.rect.w + cw / 2) / cw);
    std::u32string text = decode(c.spec.text);
    switch (c.spec.kind) {
      case ControlKind::Static:
        if ((c.spec.flags & kCentred) != 0 && static_cast<int>(text.size()) < width) {
          col += (width - static_cast<int>(text.size())) / 2;
        }
        put(&grid, row, col, text);
        break;
      case ControlKind::Edit:
        if ((c.spec.flags & kMultiLine) != 0) {
          // A page of text: its lines from the top, cut to the control.
          int visible = std::max(1, c.spec.rect.h / ch);
          for (int i = 0; i < static_cast<int>(c.items.size()) && i < visible; ++i) {
            put(&grid, row + i, col, fit(decode(c.items[i]), width));
          }
          break;
        }
        [[fallthrough]];
      case ControlKind::ComboBox: {
        if (c.spec.kind == ControlKind::ComboBox && c.selection >= 0 && c.selection < static_cast<int>(c.items.size())) {
          text = decode(c.items[static_cast<size_t>(c.selection)]);
        }
        if ((c.spec.flags & kPassword) != 0) text.assign(text.size(), U'*');
        int inner = std::max(1, width - 1);
        if ((c.spec.flags & kAlignRight) != 0 && static_cast<int>(text.size()) < inner) {
          text = std::u32string(static_cast<size_t>(inner) - text.size(), U' ') + text;
        }
        put(&grid, row, col - 1, U"[" + fit(text, inner) + U"]");
        break;
      }
      case ControlKind::Button: {
        std::u32string shown = c.enabled ? U"<" + text + U">" : U"(" + text + U")";
        int pad = std::max(0, (width - static_cast<int>(shown.size())) / 2);
        // A caption wider than its button still shows whole where it can.
        int at = std::min(col + pad, cols - static_cast<int>(shown.size()));
        put(&grid, row, std::max(0, at), shown);
        break;
      }
      case ControlKind::ListBox: {
        int visible = std::max(1, c.spec.rect.h / ch);
        for (int i = 0; i < static_cast<int>(c.items.size()) && i < visible; ++i) {
          std::u32string item = (i == c.selection ? U">" : U" ") + decode(c.items[i]);
          put(&grid, row + i, col, fit(item, width));
        }
        break;
      }
      case ControlKind::Progress:
        if ((c.spec.flags & kTextMode) != 0) {
          put(&grid, row, col, fit(text, width));
        } else {
          int inner = std::max(1, width - 2);
          int filled = c.range > 0 ? std::min(inner, c.position * inner / c.range) : 0;
          put(&grid, row, col,
              U"[" + std::u32string(static_cast<size_t>(filled), U'#') +
                  std::u32string(static_cast<size_t>(inner - filled), U'.') + U"]");
        }
        break;
      case ControlKind::Grid:
        render_grid(&grid, c, row, col, width, cw, ch);
        break;
      case ControlKind::Picture:
        break;
    }
  }

  std::u32string title = decode(win->spec.title);
  std::u32string head = U"+- " + title + (win->enabled ? U" " : U" (disabled) ");
  if (static_cast<int>(head.size()) < cols + 1) head += std::u32string(cols + 1 - head.size(), U'-');
  std::string out = encode(head + U"+") + "\n";
  // A menu bar: its entries in a row above the client area.
  if (auto bar = window_menus_.find(w); bar != window_menus_.end()) {
    auto menu = menus_.find(bar->second);
    std::u32string entries;
    for (const MenuItem& item : menu != menus_.end() ? menu->second.items : std::vector<MenuItem>{}) {
      entries += U" " + decode(item.caption) + U" ";
    }
    out += encode(U"|" + fit(entries, cols) + U"|") + "\n";
    out += encode(U"|" + std::u32string(static_cast<size_t>(cols), U'-') + U"|") + "\n";
  }
  for (std::u32string& line : grid) {
    out += encode(U"|" + line + U"|") + "\n";
  }
  out += encode(U"+" + std::u32string(static_cast<size_t>(cols), U'-') + U"+");
  if (win->focus != 0) out += "\nfocus: #" + std::to_string(win->focus);
  if (win->vrange > 0) {
    out += "\nscroll: " + std::to_string(win->vpos) + " of " + std::to_string(win->vrange);
  }
  return out;
}

// A message box as the same kind of text picture: caption, text, buttons.
std::string HeadlessToolkit::render_box(Text caption, Text text, const std::string& buttons) const {
  std::vector<std::u32string> lines;
  std::string all = text.ok() ? std::string(text.ptr, text.len) : std::string();
  for (size_t at = 0; at <= all.size();) {
    size_t end = all.find('\n', at);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(decode(line));
    at = end + 1;
  }
  std::u32string row;
  for (size_t at = 0; at < buttons.size();) {
    size_t blank = buttons.find(' ', at);
    if (blank == std::string::npos) blank = buttons.size();
    row += std::u32string(row.empty() ? U"" : U" ") + U"<" + decode(buttons.substr(at, blank - at)) + U">";
    at = blank + 1;
  }
  std::u32string title = decode(caption.ok() ? std::string(caption.ptr, caption.len) : std::string());
  size_t width = std::max(row.size(), title.size() + 3);
  for (const std::u32string& line : lines) width = std::max(width, line.size());
  width += 4;
  std::u32string head = U"+- " + title + U" ";
  if (head.size() < width + 1) head += std::u32string(width + 1 - head.size(), U'-');
  std::string out = encode(head + U"+") + "\n";
  for (const std::u32string& line : lines) out += encode(U"|  " + fit(line, static_cast<int>(width) - 2) + U"|") + "\n";
  out += encode(U"|" + std::u32string(width, U' ') + U"|") + "\n";
  size_t pad = (width - row.size()) / 2;
  out += encode(U"|" + fit(std::u32string(pad, U' ') + row, static_cast<int>(width)) + U"|") + "\n";
  out += encode(U"+" + std::u32string(width, U'-') + U"+");
  return out;
}

}  // namespace ui::headless
