// Message lookup and language modules.
//
// A language module "QV_LANG_<code>.MSJ" in the definitions folder replaces
// the built-in catalogue. Its lines ("0005 text") are read into the line queue
// (group 37), and their texts concatenated into slot 2 of group 9. Two tables
// find a text again:
//
//   offsets  up to 256 end offsets into the module text, one per message
//            number of a loaded range; a number missing inside a range gets
//            the end offset of its predecessor, so its text is empty.
//   ranges   one record per loading: first and last number, and the index of
//            the range's first entry in the offsets table.
//
// Every loading adds a range, so a later module only adds texts. A number is
// looked up in the newest range that covers it: a second language then
// replaces the texts of the first where it has its own, and the first still
// serves the numbers the second does not cover.
#include "core/messages.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/files.h"
#include "core/internal/state.h"
#include "core/slots.h"

namespace core {
namespace {

constexpr Text kLanguageSuffixes = "_en,_es,_fr,_de,_it"_t;
constexpr uint16_t kMaxOffsets = 256;
constexpr uint16_t kMaxModuleLines = 255;
// "QV_LANG_" + code + ".MSJ" must fit 15 characters.
constexpr uint16_t kMaxCodeLen = 3;

LanguageState& language() { return state().language; }

// The folder and the file name joined with "/", unless the folder is empty
// or already ends with a separator.
std::string join_path(Text folder, const char* name) {
  std::string path(folder.ok() ? folder.ptr : "", folder.ok() ? folder.len : 0);
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  path += name;
  return path;
}

// The module file's name for the current language code in the folder; empty
// when the code cannot form a file name (too long, or a path of its own).
std::string module_path(Text folder) {
  Text code = slot_get(kGroupEnv, kEnvLanguage);
  if (code.empty()) code = "*"_t;
  if (code.len > kMaxCodeLen) return {};
  for (uint16_t i = 0; i < code.len; ++i)
    if (code.ptr[i] == '/' || code.ptr[i] == '\\' || code.ptr[i] == '\0') return {};
  char name[16];
  std::snprintf(name, sizeof name, "QV_LANG_%.*s.MSJ", static_cast<int>(code.len), code.ptr);
  return join_path(folder, name);
}

// Reads at most kMaxModuleLines lines of the file onto the end of the line
// queue and returns how many were queued.
uint16_t queue_module_lines(uint16_t number) {
  uint16_t queued = 0;
  while (queued < kMaxModuleLines) {
    ArenaScope scope;
    Text line = file_read_line(number);
    if (!line.ok()) break;
    if (slot_append(kGroupLineQueue, line) != kOk) break;
    ++queued;
  }
  return queued;
}

// One loading's additions, committed only when the module text could be
// stored.
struct Loading {
  std::string text;                // texts of this loading, concatenated
  std::vector<uint16_t> entries;   // their end offsets in the whole module text
  uint16_t first = 0;
  uint16_t last = 0;
  bool any = false;
};

// Adds one module line ("0005 text", "\n" already turned into CR LF).
void add_line(Loading& ld, const std::string& line, uint32_t base, uint32_t room) {
  int32_t n = text_to_int(text_sub(text_view(line.data(), line.size()), 0, 4));
  if (n <= 0) return;                       // not a message line
  if (ld.any && n <= ld.last) return;       // out of order: it would break the table
  uint16_t first = ld.any ? ld.first : static_cast<uint16_t>(n);
  uint32_t before = static_cast<uint32_t>(n - first);  // entries ahead of this one
  if (before >= room) return;               // the offsets table is full
  size_t text_len = line.size() > 5 ? line.size() - 5 : 0;
  uint32_t end = base + static_cast<uint32_t>(ld.text.size());
  if (end + text_len > kMaxTextLen) return; // offsets are 16 bits
  while (ld.entries.size() < before) ld.entries.push_back(static_cast<uint16_t>(end));
  if (text_len > 0) ld.text.append(line, 5, std::string::npos);
  ld.entries.push_back(static_cast<uint16_t>(base + ld.text.size()));
  ld.first = first;
  ld.last = static_cast<uint16_t>(n);
  ld.any = true;
}

// Takes this loading's lines from the queue (they follow whatever other
// readers left there, so the queue is read from index `from`, not from its
// front) and turns them into texts and table entries.
Loading process_module_lines(uint16_t from, uint16_t count) {
  LanguageState& L = language();
  Loading ld;
  uint32_t base = slot_get(kGroupRuntime, kRtModuleText).len;
  uint32_t room = L.offsets.size() < kMaxOffsets ? kMaxOffsets - L.offsets.size() : 0;
  for (uint16_t k = 0; k < count; ++k) {
    Text raw = slot_get(kGroupLineQueue, from);
    std::string line;
    line.reserve(raw.len + 8);
    for (uint16_t i = 0; i < raw.len; ++i) {
      if (raw.ptr[i] == '\\' && i + 1 < raw.len && raw.ptr[i + 1] == 'n') {
        line += "\r\n";
        ++i;
      } else {
        line += raw.ptr[i];
      }
    }
    static_cast<void>(slot_delete(kGroupLineQueue, from));
    add_line(ld, line, base, room);
  }
  return ld;
}

void commit(const Loading& ld) {
  LanguageState& L = language();
  if (!ld.any) return;
  Text old = slot_get(kGroupRuntime, kRtModuleText);
  std::string whole(old.ptr, old.len);
  whole += ld.text;
  if (whole.size() > kMaxTextLen) return;
  if (slot_set(kGroupRuntime, kRtModuleText, text_view(whole.data(), whole.size())) != kOk) return;
  L.ranges.push_back(LanguageRange{ld.first, ld.last, static_cast<uint16_t>(L.offsets.size())});
  L.offsets.insert(L.offsets.end(), ld.entries.begin(), ld.entries.end());
  L.load_state = 2;
}

// Loads the module of the current language. A missing file is no error: the
// built-in catalogue serves (load state 1).
void language_load() {
  LanguageState& L = language();
  L.load_state = 1;
  // The definition folder's own module first, then the runtime's.
  const std::string& fallback = L.fallback_folder;
  Text folders[2] = {slot_get(kGroupEnv, kEnvDocPath), text_view(fallback)};
  Status number = kFileNumbers;
  for (int i = 0; i < (fallback.empty() ? 1 : 2) && number >= kFileNumbers; ++i) {
    std::string path = module_path(folders[i]);
    if (path.empty() || path.size() > kFileNameMax) return;
    number = file_open(text_view(path.data(), path.size()), kModeReadOnly | kModeQuiet);
  }
  if (number >= kFileNumbers) return;
  uint16_t from = slot_count(kGroupLineQueue);
  uint16_t count = queue_module_lines(number);
  static_cast<void>(file_close(number));
  commit(process_module_lines(from, count));
}

// Loads the module, then lets the texts built from messages follow.
void language_load_and_tell() {
  language_load();
  if (LanguageHook hook = language().loaded_hook) hook();
}

// The module's text of message n (an arena copy), or empty.
Text module_text(int32_t n) {
  const LanguageState& L = language();
  for (auto r = L.ranges.rbegin(); r != L.ranges.rend(); ++r) {
    if (n < r->first || n > r->last) continue;
    uint32_t idx = r->start + static_cast<uint32_t>(n - r->first);
    if (idx >= L.offsets.size()) return Text{};
    uint16_t from = idx == 0 ? 0 : L.offsets[idx - 1];
    uint16_t to = L.offsets[idx];
    Text all = slot_get(kGroupRuntime, kRtModuleText);
    if (to < from || to > all.len) return Text{};
    // The store may move its texts at the next write, so hand out a copy.
    return text_copy(Text{all.ptr + from, static_cast<uint16_t>(to - from)});
  }
  return Text{};
}

// The built-in text whose number is the first four characters of `number`:
// the one after "TAB nnnn blank" up to the next TAB. Only whole message heads
// match, so a short or odd argument never lands inside another message.
Text catalogue_text(Text number) {
  if (number.len < 4) return Text{};
  char key[6] = {'\t', number.ptr[0], number.ptr[1], number.ptr[2], number.ptr[3], ' '};
  Text cat = message_catalogue();
  uint16_t pos = text_find(cat, Text{key, 6}, false);
  if (pos == kNoPos) return Text{};
  uint16_t start = static_cast<uint16_t>(pos + 6);
  uint16_t end = text_find_char(cat, '\t', start, true);
  if (end == kNoPos) end = cat.len;
  return Text{cat.ptr + start, static_cast<uint16_t>(end - start)};
}

}  // namespace

Text message_text(Text number) {
  if (!number.ok()) return number;
  int32_t n = text_to_int(text_sub(number, 0, 4));
  if (language().load_state == 0) language_load_and_tell();
  if (n != 0 && language().load_state == 2) return module_text(n);
  if (n != 0 && number.len > 4) return text_sub(number, 5, kToEnd);
  return catalogue_text(number);
}

Text message_text_c(const char* number) { return message_text(text_from_c(number)); }

Status language_set(Text code) {
  if (!code.ok()) return code.len;
  Status st = slot_set(kGroupEnv, kEnvLanguage, code);
  if (st != kOk) return st;
  language_load_and_tell();
  return kOk;
}

void language_hook_set(LanguageHook hook) { language().loaded_hook = hook; }

void language_folder_set(Text folder) { language().fallback_folder = folder.ok() ? std::string(folder.ptr, folder.len) : std::string(); }

Text language_default() { return list_field(kLanguageCodes, ',', 2); }

Text language_file_name(Text file_name, int language_index) {
  if (!file_name.ok()) return file_name;
  int idx = language_index;
  if (idx == 0) idx = list_index(kLanguageCodes, ',', slot_get(kGroupEnv, kEnvLanguage));
  if (idx < 1 || idx > 5) return file_name;
  Text suffix = list_field(kLanguageSuffixes, ',', static_cast<uint16_t>(idx));
  // The extension starts at the first dot of the last path part: a dot in a
  // folder name is not an extension.
  uint16_t sep = text_find_last_any(file_name, "/\\"_t);
  uint16_t base = sep == kNoPos ? 0 : static_cast<uint16_t>(sep + 1);
  uint16_t dot = text_find_char(file_name, '.', base, true);
  ArenaScope scope;
  if (dot == kNoPos) return scope.keep(text_concat(file_name, suffix));
  Text head = text_concat(text_sub(file_name, 0, dot), suffix);
  return scope.keep(text_concat(head, text_sub(file_name, dot, kToEnd)));
}

Text message_fill(Text pattern, const Text* values, int count) {
  if (!pattern.ok()) return pattern;
  std::string out;
  int next = 0;
  for (uint16_t i = 0; i < pattern.len; ++i) {
    char c = static_cast<char>(pattern.at(i));
    char d = i + 1 < pattern.len ? static_cast<char>(pattern.at(i + 1)) : '\0';
    if (c == '%' && (d == 's' || d == 'i')) {
      if (next < count) out += text_bytes(values[next]);
      ++next;
      ++i;
      continue;
    }
    out.push_back(c);
  }
  return arena_text(out);
}

Text message_fill(Text pattern, std::initializer_list<Text> values) {
  return message_fill(pattern, values.begin(), static_cast<int>(values.size()));
}

}  // namespace core
