// Windows-1252, the runtime's internal text encoding, against Unicode: the
// one table of the runtime, used at every edge that speaks Unicode (the
// toolkit, the terminal, the database's messages).
//
// The five bytes Windows-1252 leaves undefined (81, 8D, 8F, 90, 9D) stand
// for the C1 controls of the same value, as in the encoding standard of the
// web and in Windows itself: every byte has a code point and a round trip
// keeps it. (A database in UTF-8 refuses those bytes in values; the server
// says so and nothing is stored.)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/text.h"

namespace core {

uint32_t cp1252_to_unicode(uint8_t byte);
// The byte of a code point; -1 when Windows-1252 has no such character.
int unicode_to_cp1252(uint32_t code_point);

std::string cp1252_to_utf8(std::string_view text);
std::string cp1252_to_utf8(Text text);
// A code point with no byte, and a malformed UTF-8 sequence, become "?".
std::string utf8_to_cp1252(std::string_view utf8);
// Strict: false when the text is not well-formed UTF-8 (overlong forms and
// surrogates included) or holds only ASCII, so that there is nothing to
// convert; code points with no byte become "?".
bool utf8_to_cp1252_strict(std::string_view utf8, std::string* out);

}  // namespace core
