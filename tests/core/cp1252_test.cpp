// The one Windows-1252 table: every byte survives a round trip through
// Unicode, the five undefined bytes are their C1 controls, and UTF-8 that is
// not well formed is read leniently at the toolkit and strictly for the
// database's messages.
#include "core/cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Cp1252, EveryByteGoesToUnicodeAndBack) {
  for (int b = 1; b < 256; ++b) {
    uint32_t cp = core::cp1252_to_unicode(static_cast<uint8_t>(b));
    EXPECT_EQ(core::unicode_to_cp1252(cp), b) << b;
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(core::utf8_to_cp1252(core::cp1252_to_utf8(std::string_view(one))), one) << b;
  }
  EXPECT_EQ(core::cp1252_to_unicode(0x80), 0x20ACu);
  EXPECT_EQ(core::cp1252_to_unicode(0x9F), 0x0178u);
  EXPECT_EQ(core::cp1252_to_unicode(0xE9), 0x00E9u);
  for (uint8_t b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(core::cp1252_to_unicode(b), b);
}

TEST(Cp1252, CodePointsWithoutAByteAndBrokenUtf8) {
  EXPECT_EQ(core::unicode_to_cp1252(0x0100), -1);
  EXPECT_EQ(core::unicode_to_cp1252(0x0085), -1);  // a C1 control the page gives a character
  // Lenient (typed text, file names): "?" in place of what has no byte.
  EXPECT_EQ(core::utf8_to_cp1252("caf\xC3\xA9 \xE2\x82\xAC \xC4\x80 \xFF"), "caf\xE9 \x80 ? ?");
  EXPECT_EQ(core::utf8_to_cp1252("\xE2\x82"), "??");  // cut short
  // Strict (the server's messages): not UTF-8 at all is left as it is.
  std::string out;
  EXPECT_TRUE(core::utf8_to_cp1252_strict("relaci\xC3\xB3n \xC2\xAB" "x\xC2\xBB", &out));
  EXPECT_EQ(out, "relaci\xF3n \xABx\xBB");
  EXPECT_FALSE(core::utf8_to_cp1252_strict("relaci\xF3n", &out));        // Windows-1252 already
  EXPECT_FALSE(core::utf8_to_cp1252_strict("\xC0\xAF", &out));           // overlong
  EXPECT_FALSE(core::utf8_to_cp1252_strict("\xED\xA0\x80", &out));       // a surrogate
  EXPECT_FALSE(core::utf8_to_cp1252_strict("plain", &out));              // nothing to convert
}

}  // namespace
