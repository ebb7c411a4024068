// Reads arbitrary bytes as a definition file, section by section, and checks
// the loaded text and the line count against a plain reference reader.
//
// Input: byte 0 the layout (0 to 7, 7 being no layout), bytes 1-2 the
// section number (signed), byte 3 how many filler slots take room in the
// slot store first, the rest the file. Whatever the file holds, a load
// either gives the reference text or a code of 128 or more; the line queue
// and the definition stack are left as they were, and the arena balanced.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/slots.h"
#include "fuzz/fuzz_common.h"
#include "script/variables.h"
#include "definitions/definitions.h"

namespace {

const std::string& temp_path() {
  static const std::string path = fuzz::make_temp_path("fuzz_sections");
  return path;
}

void ensure_runtime() {
  fuzz::ensure_context();
  static script::ScriptContext* script = new script::ScriptContext();
  FUZZ_CHECK(script->status() == 0);
}

struct Layout {
  size_t number_from, number_len, content_from;
  bool drop_last;
};
constexpr Layout kLayouts[7] = {{0, 0, 1, false}, {1, 2, 4, false}, {2, 2, 4, true},
                                {1, 4, 6, false}, {1, 2, 3, false}, {0, 0, 1, false},
                                {1, 5, 1, false}};

int reference_number(const std::string& line, const Layout& l) {
  if (l.number_from == 0) return 0;
  std::string field;
  for (size_t k = 0; k < l.number_len; ++k) {
    size_t at = l.number_from - 1 + k;
    char c = at < line.size() ? line[at] : ' ';
    field += c == ' ' ? '0' : c;
  }
  size_t i = 0;
  int sign = 1;
  if (field[0] == '-' || field[0] == '+') {
    sign = field[0] == '-' ? -1 : 1;
    i = 1;
  }
  int n = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) n = n * 10 + (field[i] - '0');
  return sign * n;
}

// The lines of the file (CR LF, CR or LF end a line; a line that is the
// single byte 1A is none).
std::vector<std::string> reference_lines(const std::string& body) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < body.size()) {
    size_t end = body.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = body.size();
    std::string line = body.substr(pos, end - pos);
    pos =
        end == body.size()
            ? end
            : end + ((body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n') ? 2 : 1);
    if (line != "\x1A") out.push_back(line);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensure_runtime();
  if (size < 4) return 0;
  const int layout = data[0] % 8;
  const int32_t section = static_cast<int16_t>(data[1] | (data[2] << 8)) % 100;
  const int fillers = data[3] % 64;
  const std::string body(reinterpret_cast<const char*>(data + 4), size - 4);
  fuzz::dump("body", body);
  {
    FILE* f = std::fopen(temp_path().c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    std::fwrite(body.data(), 1, body.size(), f);
    std::fclose(f);
  }
  const uint16_t base = core::arena_mark();
  // Someone else's lines in the queue, and filler slots that leave less room.
  FUZZ_CHECK(core::slot_append(core::kGroupLineQueue, core::operator""_t("other", 5)) == 0);
  const std::string filler(900, 'f');
  for (int i = 0; i < fillers; ++i) (void)core::slot_append(20, fuzz::view(filler));
  const uint16_t queued = core::slot_count(core::kGroupLineQueue);
  const uint16_t stacked = core::slot_count(core::kGroupDefStack);
  core::error_clear();

  const core::Text file = fuzz::view(temp_path());
  const int32_t loaded = defs::def_section_load(file, layout, section);
  const int32_t counted = defs::def_section_count(file, layout, section);
  FUZZ_CHECK(core::slot_count(core::kGroupLineQueue) == queued);
  FUZZ_CHECK(core::arena_mark() == base);
  if (layout == 7) {
    FUZZ_CHECK(loaded == core::NOVALUE && counted == core::NOVALUE);
  } else {
    std::string expected;
    int lines = 0;
    bool too_long = false;
    for (const std::string& line : reference_lines(body)) {
      too_long = too_long || line.size() > 40000;
      if (reference_number(line, kLayouts[layout]) != section) continue;
      const Layout& l = kLayouts[layout];
      size_t end = line.size() - (l.drop_last && !line.empty() ? 1 : 0);
      std::string content = l.content_from - 1 < end
                                ? line.substr(l.content_from - 1, end - (l.content_from - 1))
                                : "";
      if (lines++ != 0) expected += ':';
      expected += content;
    }
    if (loaded == 0) {
      FUZZ_CHECK(core::slot_count(core::kGroupDefStack) == stacked + 1);
      FUZZ_CHECK(fuzz::str(defs::def_section_current()) == expected);
      FUZZ_CHECK(defs::def_section_release() == 0);
    } else {
      FUZZ_CHECK(loaded >= 128 && core::slot_count(core::kGroupDefStack) == stacked);
    }
    if (!too_long) FUZZ_CHECK(counted == lines);
    if (counted >= 0 && loaded == 0) FUZZ_CHECK(counted == lines);
  }
  FUZZ_CHECK(core::slot_count(core::kGroupDefStack) == stacked);
  FUZZ_CHECK(core::slot_clear(20) == 0);
  FUZZ_CHECK(core::slot_clear(core::kGroupLineQueue) == 0);
  return 0;
}
