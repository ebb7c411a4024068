// The list files of the data folder.
#include "admin/lists.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "admin/statements.h"
#include "core/arena.h"
#include "core/errors.h"
#include "paths/paths.h"

namespace admin {

namespace {

constexpr size_t kNameMax = 63;

Status refuse(Status code, core::Context context, const std::string& detail) {
  core::error_record(core::kRecord, context, code, code);
  return core::report_detail(code, core::text_view(detail), false);
}

bool control_byte(unsigned char c) { return c < 32 || c == 127; }

// One item of a list as written: enclosed in the quote it does not hold.
std::string list_item(const std::string& name) {
  if (name.find('\'') != std::string::npos) return "\"" + name + "\"";
  if (name.find('"') != std::string::npos) return "'" + name + "'";
  return name;
}

}  // namespace

std::string data_folder() {
  core::ArenaScope scope;
  core::Text folder = paths::path_app(paths::AppPath::Data);
  (void)paths::path_make_folders(folder);
  return core::text_str(folder);
}

std::string data_file(std::string_view name) { return data_folder() + "/" + std::string(name); }

std::string file_name_part(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
        c == '.') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string user_list_name(std::string_view company) {
  return company.empty() ? "APUSRLIST.DAT" : "APUSRLIST." + file_name_part(company) + ".DAT";
}
std::string user_data_name(std::string_view user) { return "APUSRDATA." + file_name_part(user) + ".TXT"; }
std::string company_data_name(std::string_view company) { return "APCODATA." + file_name_part(company) + ".TXT"; }
std::string auth_name(std::string_view company) { return "APUSRAUTH." + file_name_part(company) + ".DAT"; }

Status name_check(std::string_view name) {
  const char* why = nullptr;
  if (name.empty()) {
    why = "an empty name";
  } else if (name.size() > kNameMax) {
    why = "longer than 63 characters";
  } else if (name.front() == ' ' || name.back() == ' ') {
    why = "blanks at its start or end";
  } else if (std::any_of(name.begin(), name.end(), [](char c) { return control_byte(static_cast<unsigned char>(c)); })) {
    why = "a control character";
  } else if (name.find(',') != std::string_view::npos) {
    why = "a comma";
  } else if (name.find('\'') != std::string_view::npos && name.find('"') != std::string_view::npos) {
    why = "both kinds of quote";
  }
  if (why == nullptr) return 0;
  return refuse(core::NOVALUE, core::Context::None, "Identificador no valido (" + std::string(why) + ")");
}

Status file_text(const std::string& path, std::string* out) {
  out->clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return 0;
    return refuse(core::READERR, core::Context::FileSystem, path);
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *out = buffer.str();
  for (unsigned char c : *out) {
    if (control_byte(c) && c != '\t' && c != '\r' && c != '\n')
      return refuse(core::READERR, core::Context::FileSystem, path + ": not a list file (binary content)");
  }
  return 0;
}

Status list_read(const std::string& path, std::vector<std::string>* items) {
  items->clear();
  std::string text;
  if (Status st = file_text(path, &text); st != 0) return st;
  // One list: line ends count as blanks.
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  core::ArenaScope scope;
  core::TextArray fields = core::list_split(core::text_view(text), ',');
  for (uint16_t i = 1; i <= fields.count; ++i) {
    core::Text item = core::text_unquote(core::text_trim(fields.at(i), core::kTrimBoth));
    if (item.ok() && item.len != 0 && !list_has(*items, core::text_bytes(item))) items->push_back(core::text_str(item));
  }
  return 0;
}

std::string list_join(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ",") + list_item(item);
  return text;
}

Status list_write(const std::string& path, const std::vector<std::string>& items) {
  return file_replace(path, list_join(items));
}

bool list_has(const std::vector<std::string>& items, std::string_view name) {
  return std::find(items.begin(), items.end(), name) != items.end();
}

Status lines_read(const std::string& path, std::vector<std::string>* lines) {
  lines->clear();
  std::string text;
  if (Status st = file_text(path, &text); st != 0) return st;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return 0;
}

Status lines_write(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return file_replace(path, text);
}

Status company_users(std::string_view company, std::vector<std::string>* users) {
  std::string path = data_file(user_list_name(company));
  if (Status st = list_read(path, users); st != 0 || !users->empty()) return st;
  if (Status st = list_read(data_file(user_list_name({})), users); st != 0) return st;
  return users->empty() ? Status{0} : list_write(path, *users);
}

// --- permissions ----------------------------------------------------------------

Status auth_read(std::string_view company, std::vector<Permission>* lines) {
  lines->clear();
  std::vector<std::string> text;
  if (Status st = lines_read(data_file(auth_name(company)), &text); st != 0) return st;
  for (const std::string& line : text) {
    size_t equal = line.rfind('=');
    if (equal == std::string::npos || equal == 0) continue;
    Permission p;
    p.principal = line.substr(0, equal);
    // The letters, with the list's quotes, commas and blanks left out.
    for (char c : line.substr(equal + 1))
      if (c != ',' && c != ' ' && c != '\'' && c != '"') p.letters += c;
    lines->push_back(std::move(p));
  }
  return 0;
}

Status auth_write(std::string_view company, const std::vector<Permission>& lines) {
  std::vector<std::string> text;
  for (const Permission& p : lines) {
    std::string list;
    for (char c : p.letters) list += (list.empty() ? "" : ",") + std::string(1, c);
    text.push_back(p.principal + "='" + list + "'");
  }
  return lines_write(data_file(auth_name(company)), text);
}

char default_letter(std::string_view principal) {
  int group = group_position(principal);
  return group == 3 || group == 4 ? kRead : kWrite;
}

std::string letters_of(const std::vector<Permission>& lines, std::string_view principal, size_t tables) {
  std::string stored;
  for (const Permission& p : lines)
    if (p.principal == principal) stored = p.letters;
  std::string out(tables, default_letter(principal));
  for (size_t i = 0; i < tables && i < stored.size(); ++i) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(stored[i])));
    if (c == kNone || c == kRead || c == kWrite) out[i] = c;
  }
  return out;
}

}  // namespace admin
