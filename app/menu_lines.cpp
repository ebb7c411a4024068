// Menu lines of the PMT format and the tree they make.
#include <algorithm>

#include "core/arena.h"
#include "app/menu.h"

namespace app {

namespace {

// The first "," outside quotes; npos without one.
size_t item_comma(const std::string& text) {
  char quote = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ',') {
      return i;
    }
  }
  return std::string::npos;
}

std::string trimmed(const std::string& s) {
  size_t from = s.find_first_not_of(" \t");
  if (from == std::string::npos) return {};
  size_t to = s.find_last_not_of(" \t\r\n");
  return s.substr(from, to - from + 1);
}

// A caption without the quotes it may be written in.
std::string unquoted(const std::string& s) {
  std::string t = trimmed(s);
  if (t.size() >= 2 && (t.front() == '\'' || t.front() == '"') && t.back() == t.front()) {
    return t.substr(1, t.size() - 2);
  }
  return t;
}

}  // namespace

std::vector<MenuLine> menu_lines_parse(const std::vector<std::string>& text) {
  std::vector<MenuLine> out;
  for (const std::string& raw : text) {
    size_t end = raw.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) continue;
    std::string line = raw.substr(0, end + 1);
    MenuLine m;
    size_t tabs = line.find_first_not_of('\t');
    m.level = static_cast<int>(tabs);
    std::string body = trimmed(line.substr(tabs));
    if (body.empty()) continue;
    size_t comma = item_comma(body);
    m.item = comma != std::string::npos;
    m.caption = unquoted(m.item ? body.substr(0, comma) : body);
    if (m.item) m.process = trimmed(body.substr(comma + 1));
    out.push_back(std::move(m));
  }
  return out;
}

std::string menu_line_text(const MenuLine& line) {
  std::string out(static_cast<size_t>(std::max(0, line.level)), '\t');
  bool quote = line.caption.find(',') != std::string::npos;
  out += quote ? "'" + line.caption + "'" : line.caption;
  if (line.item) out += "," + line.process;
  return out;
}

MenuNode menu_tree(const std::vector<MenuLine>& lines) {
  MenuNode bar;
  // The open levels: the bar, then each submenu still taking lines.
  std::vector<MenuNode> open;
  open.push_back(MenuNode{});
  auto close_to = [&open](size_t depth) {
    while (open.size() > depth) {
      MenuNode done = std::move(open.back());
      open.pop_back();
      open.back().children.push_back(std::move(done));
    }
  };
  int items = 0;
  for (const MenuLine& line : lines) {
    close_to(std::min(open.size(), static_cast<size_t>(std::max(0, line.level)) + 1));
    if (!line.item) {
      MenuNode sub;
      sub.caption = line.caption;
      sub.submenu = true;
      open.push_back(std::move(sub));
      continue;
    }
    if (items >= kMenuMaxItems) continue;
    MenuNode item;
    item.caption = line.caption;
    item.process = line.process;
    item.id = kMenuFirstId + items++;
    open.back().children.push_back(std::move(item));
  }
  close_to(1);
  bar = std::move(open.front());
  return bar;
}

}  // namespace app
