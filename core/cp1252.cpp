// The Windows-1252 table.
#include "core/cp1252.h"

namespace core {

namespace {

// Bytes 80 to 9F; the rest of the code page equals Latin-1.
constexpr uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void put_utf8(std::string* out, uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

uint32_t cp1252_to_unicode(uint8_t byte) {
  return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : byte;
}

int unicode_to_cp1252(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == cp) return 0x80 + i;
  }
  return -1;
}

std::string cp1252_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) put_utf8(&out, cp1252_to_unicode(static_cast<uint8_t>(c)));
  return out;
}

std::string cp1252_to_utf8(Text text) {
  return text.ok() ? cp1252_to_utf8(std::string_view(text.ptr, text.len)) : std::string();
}

std::string utf8_to_cp1252(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<uint8_t>(s[i]);
    uint32_t cp = 0;
    int extra = 0;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      extra = 2;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07;
      extra = 3;
    } else {
      out.push_back('?');
      ++i;
      continue;
    }
    bool good = true;
    for (int k = 1; good && k <= extra; ++k) {
      if (i + k >= s.size() || (static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) {
        good = false;
      } else {
        cp = (cp << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
      }
    }
    if (!good) {
      out.push_back('?');
      ++i;
      continue;
    }
    i += extra + 1;
    int byte = unicode_to_cp1252(cp);
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return out;
}

bool utf8_to_cp1252_strict(std::string_view s, std::string* out) {
  bool multibyte = false;
  out->clear();
  for (size_t i = 0; i < s.size();) {
    auto c = static_cast<uint8_t>(s[i]);
    if (c < 0x80) {
      *out += static_cast<char>(c);
      ++i;
      continue;
    }
    int extra = (c >= 0xC2 && c <= 0xDF)   ? 1
                : (c >= 0xE0 && c <= 0xEF) ? 2
                : (c >= 0xF0 && c <= 0xF4) ? 3
                                           : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) return false;
    uint32_t cp = c & (0x3Fu >> extra);
    for (int k = 1; k <= extra; ++k) {
      auto cc = static_cast<uint8_t>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    // Overlong forms and surrogates are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    int byte = unicode_to_cp1252(cp);
    *out += byte < 0 ? '?' : static_cast<char>(byte);
    multibyte = true;
    i += static_cast<size_t>(extra) + 1;
  }
  return multibyte;
}

}  // namespace core
