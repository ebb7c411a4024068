// The status words formats reads through the variable store's hook, the
// clock, and the small helpers shared by the other formats files.
#include <cstring>
#include <ctime>

#include "core/arena.h"
#include "formats/internal.h"

namespace formats {

namespace {

int32_t default_status_word(uint16_t index) {
  switch (index) {
    case core::kSwBYear:
      return 2000;
    case core::kSwBkYear:
      return 80;
    default:
      return 0;
  }
}

StatusWordGetter g_status_getter = nullptr;

// Pinned texts for tests; empty means the system clock.
char g_today[9] = {};
char g_now[7] = {};

void pin(char* target, std::size_t size, const char* value) {
  std::memset(target, 0, size);
  if (value == nullptr) return;
  std::size_t n = std::strlen(value);
  if (n != size - 1) return;  // a malformed pin is ignored: the clock stays
  std::memcpy(target, value, n);
}

std::tm local_now() {
  std::time_t t = std::time(nullptr);
  std::tm parts{};
  localtime_r(&t, &parts);
  return parts;
}

}  // namespace

void formats_status_word_getter_set(StatusWordGetter getter) { g_status_getter = getter; }

void hooks_install(const Hooks& hooks) { formats_status_word_getter_set(hooks.status_words); }

int32_t status_word(uint16_t index) {
  return g_status_getter != nullptr ? g_status_getter(index) : default_status_word(index);
}

void formats_today_set_for_test(const char* yyyymmdd) { pin(g_today, sizeof g_today, yyyymmdd); }
void formats_now_set_for_test(const char* hhmmss) { pin(g_now, sizeof g_now, hhmmss); }

Text today_text() {
  if (g_today[0] != 0) return core::text_copy(core::text_view(g_today, 8));
  std::tm t = local_now();
  return core::text_format(8, "%04d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

Text now_text() {
  if (g_now[0] != 0) return core::text_copy(core::text_view(g_now, 6));
  std::tm t = local_now();
  return core::text_format(6, "%02d%02d%02d", t.tm_hour, t.tm_min, t.tm_sec);
}

// --- shared helpers ------------------------------------------------------------

char* result_buffer(uint32_t n, Text* error) {
  if (n > core::kMaxTextLen) {
    *error = core::text_error_value(core::STRINGTOOLONG);
    return nullptr;
  }
  Status st = core::kOk;
  char* p = core::arena_new(n, &st);
  if (p == nullptr) *error = core::text_error_value(st != core::kOk ? st : core::OUTOFMEMORY);
  return p;
}

Text blanks(uint32_t n) {
  Text error;
  char* p = result_buffer(n, &error);
  if (p == nullptr) return error;
  std::memset(p, ' ', n);
  return Text{p, static_cast<uint16_t>(n)};
}

Text fit_left(Text value, int32_t width) {
  if (!value.ok() || width < 0) return value;
  uint32_t w = static_cast<uint32_t>(width);
  if (w == value.len) return value;
  if (w < value.len) return core::text_sub(value, 0, static_cast<uint16_t>(w));
  Text error;
  char* p = result_buffer(w, &error);
  if (p == nullptr) return error;
  // The value may lie in the arena below the new buffer: copy, never move.
  std::memcpy(p, value.ptr, value.len);
  std::memset(p + value.len, ' ', w - value.len);
  return Text{p, static_cast<uint16_t>(w)};
}

bool is_digit(uint8_t c) { return c >= '0' && c <= '9'; }

bool all_digits(Text s) {
  if (!s.ok()) return false;
  for (uint32_t i = 0; i < s.len; ++i)
    if (!is_digit(s.at(i))) return false;
  return true;
}

int32_t small_number(Text s) {
  if (s.empty() || s.len > 9 || !all_digits(s)) return -1;
  int32_t v = 0;
  for (uint32_t i = 0; i < s.len; ++i) v = v * 10 + (s.at(i) - '0');
  return v;
}

}  // namespace formats
