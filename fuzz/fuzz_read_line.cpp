// Reads arbitrary bytes as a file, line by line to its end, and checks every
// line against a plain reference splitter.
//
// Input: byte 0 chooses the arena's state (bit 7: entry table full, bit 6:
// only byte 1 x 4 bytes of data area free), the rest is the file's content.
// Lines longer than the free space must come back as OUTOFMEMORY and be
// skipped, never overflow. Each input gets a fresh context, since it sets
// the arena up in its own way, and the shutdown check must find no leak.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/files.h"
#include "fuzz/fuzz_common.h"

namespace {

const std::string& temp_path() {
  static const std::string path = fuzz::make_temp_path("fuzz_read_line");
  return path;
}

struct Expected {
  bool too_long;
  std::string text;
};

// Line ends CR LF, lone CR, lone LF; a last line without an end counts; a
// line that is the single byte 1A is skipped.
std::vector<Expected> reference_lines(const uint8_t* data, size_t size, uint32_t cap) {
  std::vector<Expected> out;
  size_t pos = 0;
  while (pos < size) {
    size_t end = pos;
    while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
    std::string line(reinterpret_cast<const char*>(data + pos), end - pos);
    if (end == size)
      pos = size;
    else if (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
      pos = end + 2;
    else
      pos = end + 1;
    if (line.size() == 1 && static_cast<uint8_t>(line[0]) == 0x1A) continue;
    out.push_back(line.size() > cap ? Expected{true, {}} : Expected{false, line});
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t mode = data[0];
  const uint32_t leave = uint32_t{data[1]} * 4u;
  data += 2;
  size -= 2;

  std::FILE* f = std::fopen(temp_path().c_str(), "wb");
  if (f == nullptr) return 0;
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);

  core::CoreContext ctx;
  FUZZ_CHECK(ctx.status() == 0);
  {
    core::ArenaScope filler;
    if ((mode & 0x40) != 0 && core::arena_free_bytes() > leave)
      FUZZ_CHECK(core::arena_alloc((core::arena_free_bytes() - leave) & ~3u, core::kNoFill) == 0);
    bool entries_full = false;
    if ((mode & 0x80) != 0) {
      while (core::arena_alloc(0, core::kNoFill) == 0) {
      }
      entries_full = true;
    }
    uint32_t cap = entries_full ? 0 : core::arena_free_bytes();
    if (cap > core::kMaxTextLen) cap = core::kMaxTextLen;
    std::vector<Expected> expected = reference_lines(data, size, cap);

    core::Status n = core::file_open(core::text_view(temp_path().data(), temp_path().size()),
                                     core::kModeReadOnly);
    FUZZ_CHECK(n >= 3 && n < core::kFileNumbers);
    uint16_t mark = core::arena_mark();
    for (const Expected& e : expected) {
      core::ArenaScope scope;
      core::Text line = core::file_read_line(n);
      if (e.too_long) {
        FUZZ_CHECK(!line.ok() && line.len == core::OUTOFMEMORY);
      } else {
        FUZZ_CHECK(line.ok());
        FUZZ_CHECK(line.len == e.text.size() && std::memcmp(line.ptr, e.text.data(), line.len) == 0);
      }
    }
    core::Text end = core::file_read_line(n);
    FUZZ_CHECK(!end.ok() && end.len == core::DISKIO);
    FUZZ_CHECK(core::arena_mark() == mark);
    FUZZ_CHECK(core::file_close(n) == 0);
  }
  // Written afresh for every input; removed at once so that no run leaves it.
  std::remove(temp_path().c_str());
  FUZZ_CHECK(ctx.shutdown() == 0);
  return 0;
}
