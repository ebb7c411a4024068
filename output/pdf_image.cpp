// Finding and checking the header image of a PDF document.
//
// The PDF library reads PNG files through libpng, which ends the whole
// process on a damaged file (its error handler returns, and libpng then
// aborts). So the file is read through here first: every chunk whole and
// with its checksum, the image data inflating to exactly the rows the head
// announces, each row with a known filter. Only such a file reaches the
// library.
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "definitions/definitions.h"
#include "output/internal/pdf_image.h"
#include "output/pdf.h"

namespace output::internal {

namespace {

using core::Status;
using core::Text;

constexpr char kSignature[] = "\x89PNG\r\n\x1A\n";
constexpr size_t kSignatureBytes = sizeof kSignature - 1;
constexpr size_t kMaxFileBytes = 16u << 20;
constexpr uint64_t kMaxPixels = 16u << 20;  // far beyond a page at a point a pixel
constexpr uint8_t kLastFilter = 4;
constexpr uint8_t kPalette = 3;

uint32_t be32(const std::string& s, size_t at) {
  return (uint32_t{static_cast<uint8_t>(s[at])} << 24) | (uint32_t{static_cast<uint8_t>(s[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(s[at + 2])} << 8) | uint32_t{static_cast<uint8_t>(s[at + 3])};
}

// Samples a pixel holds for a colour type (0 gray, 2 RGB, 3 palette, 4 gray
// and alpha, 6 RGBA), and whether the bit depth suits it; 0 when not.
int channels(uint8_t colour, uint8_t depth) {
  bool low = depth == 1 || depth == 2 || depth == 4;
  switch (colour) {
    case 0: return (low || depth == 8 || depth == 16) ? 1 : 0;
    case 2: return (depth == 8 || depth == 16) ? 3 : 0;
    case kPalette: return (low || depth == 8) ? 1 : 0;
    case 4: return (depth == 8 || depth == 16) ? 2 : 0;
    case 6: return (depth == 8 || depth == 16) ? 4 : 0;
    default: return 0;
  }
}

// The image data inflated: exactly height rows of 1 + row bytes, each
// starting with a filter the format knows.
bool rows_whole(const std::string& data, uint32_t height, uint64_t row_bytes) {
  uint64_t expected = uint64_t{height} * (row_bytes + 1);
  std::string out(static_cast<size_t>(expected) + 1, '\0');
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&z, Z_FINISH);
  uint64_t got = z.total_out;
  inflateEnd(&z);
  if (rc != Z_STREAM_END || got != expected) return false;
  for (uint64_t row = 0; row < height; ++row) {
    if (static_cast<uint8_t>(out[static_cast<size_t>(row * (row_bytes + 1))]) > kLastFilter) return false;
  }
  return true;
}

// Why a PNG file cannot be drawn; nullptr when it can.
const char* png_fault(const std::string& file) {
  if (file.size() < kSignatureBytes + 25 || file.compare(0, kSignatureBytes, kSignature) != 0) return "not a PNG image";
  size_t at = kSignatureBytes;
  uint32_t width = 0, height = 0;
  uint8_t depth = 0, colour = 0;
  bool palette = false, ended = false;
  std::string data;
  for (int n = 0; !ended; ++n) {
    if (file.size() - at < 12) return "cut short";
    uint32_t len = be32(file, at);
    if (len > file.size() - at - 12) return "cut short";
    std::string type = file.substr(at + 4, 4);
    const auto* bytes = reinterpret_cast<const Bytef*>(file.data() + at + 4);
    if (crc32(0, bytes, len + 4) != be32(file, at + 8 + len)) return "damaged (a chunk's checksum)";
    if (n == 0) {
      if (type != "IHDR" || len != 13) return "not a PNG image";
      width = be32(file, at + 8);
      height = be32(file, at + 12);
      depth = static_cast<uint8_t>(file[at + 16]);
      colour = static_cast<uint8_t>(file[at + 17]);
      if (channels(colour, depth) == 0 || file[at + 18] != 0 || file[at + 19] != 0) return "an unknown kind of PNG";
      if (file[at + 20] != 0) return "interlaced";
      if (depth == 16) return "16 bits a sample (8 at most)";
      if (width == 0 || height == 0 || uint64_t{width} * height > kMaxPixels) return "too large";
    } else if (type == "PLTE") {
      palette = len > 0 && len % 3 == 0;
    } else if (type == "IDAT") {
      if (colour == kPalette && !palette) return "a palette image without its palette";
      data.append(file, at + 8, len);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + len;
  }
  uint64_t row_bits = uint64_t{width} * static_cast<uint64_t>(channels(colour, depth)) * depth;
  if (data.empty() || !rows_whole(data, height, (row_bits + 7) / 8)) return "damaged (its image data)";
  return nullptr;
}

Status refused(Status code, Text path, const char* why) {
  core::ArenaScope scope;
  Text what = why == nullptr ? path : core::text_concat(core::text_concat(path, ": "_t), core::text_view(why));
  core::report_detail(code, what, false);
  return core::error_record(core::kRecord, core::Context::Devices, code, code);
}

}  // namespace

Status pdf_header_image(std::string* path) {
  core::ArenaScope scope;
  Text name = core::slot_get(core::kGroupRuntime, core::kRtPdfHeader);
  Text found = name.empty() ? defs::def_file_find(kPdfHeaderImage, 0) : name;
  if (found.empty()) return refused(core::FILENOTFOUND, kPdfHeaderImage, nullptr);
  std::string file_name = core::text_str(found);
  std::ifstream in(file_name, std::ios::binary);
  std::string file;
  if (in) {
    in.seekg(0, std::ios::end);
    auto size = static_cast<size_t>(in.tellg());
    in.seekg(0);
    if (size > kMaxFileBytes) return refused(core::FORMATFAILURE, found, "too large");
    file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (!in) return refused(core::FILENOTFOUND, found, nullptr);
  if (const char* fault = png_fault(file)) return refused(core::FORMATFAILURE, found, fault);
  *path = file_name;
  return 0;
}

}  // namespace output::internal
