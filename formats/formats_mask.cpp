// Default masks, the text mask fill and the choice between text and numeric
// masks.
#include <cstring>

#include "core/arena.h"
#include "formats/internal.h"

namespace formats {

using core::operator""_t;

namespace {

constexpr Text kMetacharacters = "\\?#0"_t;
// The default mask character of each type letter, by position.
constexpr Text kMaskTypes = "ABDLNN123456789"_t;
constexpr Text kMaskChars = "\\\\\\\\###########0"_t;

// The first of "\?#0" in the mask, or 0.
uint8_t first_metacharacter(Text mask) {
  uint16_t pos = core::text_find_any(mask, kMetacharacters, true);
  return pos == core::kNoPos ? 0 : mask.at(pos);
}

}  // namespace

Text mask_default(char type, int32_t width) {
  if (width < 0) return Text{};
  uint16_t pos = core::text_find_char(kMaskTypes, type, 0, true);
  if (pos == core::kNoPos) return Text{};
  uint32_t w = static_cast<uint32_t>(width);
  Text error;
  char* p = result_buffer(w, &error);
  if (p == nullptr) return error;
  std::memset(p, static_cast<char>(kMaskChars.at(pos)), w);
  if (type >= '1' && type <= '9') {
    uint32_t decimals = static_cast<uint32_t>(type - '0');
    if (w > decimals) p[w - decimals - 1] = '.';
  }
  return Text{p, static_cast<uint16_t>(w)};
}

Text mask_fill_text(Text mask, Text value) {
  if (!mask.ok()) return mask;
  if (!value.ok()) return value;
  Text error;
  char* out = result_buffer(mask.len, &error);
  if (out == nullptr) return error;
  std::memcpy(out, mask.ptr, mask.len);

  // A run of blanks that fills the whole gap between two "\" is a run of
  // text positions: "\   \" is a five-character field.
  uint32_t open = 0;
  bool inside = false, only_blanks = true;
  for (uint32_t i = 0; i < mask.len; ++i) {
    uint8_t c = mask.at(i);
    if (c == '\\') {
      if (inside && only_blanks && i > open + 1) std::memset(out + open + 1, '\\', i - open - 1);
      inside = true;
      open = i;
      only_blanks = true;
    } else if (c != ' ') {
      only_blanks = false;
    }
  }

  // In a "?" mask the "?" positions take the value character at their own
  // position, so the "\" positions skip those indexes.
  const bool by_position = first_metacharacter(mask) == '?';
  uint32_t next = 0;
  for (uint32_t pos = 0; pos < mask.len; ++pos) {
    uint8_t c = static_cast<uint8_t>(out[pos]);
    if (c != '\\' && c != '?') continue;
    uint32_t from;
    if (by_position && c == '?') {
      from = pos;
    } else {
      while (by_position && next < mask.len && mask.at(next) == '?') ++next;
      from = next++;
    }
    out[pos] = from < value.len ? static_cast<char>(value.at(from)) : ' ';
  }
  return Text{out, mask.len};
}

Text mask_apply(Text mask, Text value, Locale separators) {
  if (!mask.ok()) return mask;
  if (!value.ok()) return value;
  if (mask.len == 0) return value;
  switch (first_metacharacter(mask)) {
    case '\\':
    case '?':
      return mask_fill_text(mask, value);
    case '#':
    case '0':
      return mask_fill_numeric(mask, value, separators);
    default:
      return core::text_copy(mask);
  }
}

}  // namespace formats
