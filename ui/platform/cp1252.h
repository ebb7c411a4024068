// Windows-1252, the runtime's internal text encoding, against Unicode: an
// exact table for the toolkit edges. The five bytes Windows-1252 leaves
// undefined (81, 8D, 8F, 90, 9D) stand for the C1 controls of the same
// value, so every byte has a code point and a round trip keeps it.
#pragma once

#include <cstdint>
#include <string>

#include "core/text.h"

namespace ui::platform {

uint32_t cp1252_to_unicode(uint8_t byte);
// The byte of a code point; -1 when Windows-1252 has no such character.
int unicode_to_cp1252(uint32_t code_point);

std::string cp1252_to_utf8(core::Text text);
// A code point with no byte, and a malformed UTF-8 sequence, become "?".
std::string utf8_to_cp1252(const std::string& utf8);

}  // namespace ui::platform
