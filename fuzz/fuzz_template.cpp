// Arbitrary bytes as a print template, printed onto a text file or a PDF
// document; or as the header image of a PDF document. A report must answer
// every template with 0 or a status code, never crash or hang, leave the
// arena where it was, close its device and leave a file only when it ended
// well (no temporary file ever). A header image that passes the check must
// not bring the PDF library down.
//
// Input: byte 0 chooses the device (bits 0-1: 0 a text file, 1 a PDF, 2 a
// PDF whose header image is the rest of the input, 3 a text file without
// paging), byte 1 the lines a page (0-31), byte 2 the width (0-127); the
// rest is the template (or the image).
//
// Expressions in a template run the built-in functions, which read and
// write files by name: run it as an unprivileged user in a folder of its
// own, as fuzz_script.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/slots.h"
#include "data/context.h"
#include "fuzz/fuzz_common.h"
#include "output/reports.h"
#include "script/variables.h"

using core::operator""_t;

namespace {

// A PNG of 4 x 2 pixels, 8 bits a sample, not interlaced.
constexpr char kImage[] =
    "\x89\x50\x4E\x47\x0D\x0A\x1A\x0A\x00\x00\x00\x0D\x49\x48\x44\x52\x00\x00\x00\x04\x00\x00\x00\x02\x08\x02\x00"
    "\x00\x00\xF0\xCA\xEA\x34\x00\x00\x00\x10\x49\x44\x41\x54\x78\xDA\x63\x50\x70\x68\x80\x23\x06\x64\x0E\x00\x58"
    "\x1A\x07\x01\xCF\x95\x14\x7D\x00\x00\x00\x00\x49\x45\x4E\x44\xAE\x42\x60\x82";
constexpr char kLineTemplate[] = "01001Linea|###\x17,_DEVPAG\r\n";

void write_file(const char* name, const std::string& bytes) {
  std::FILE* f = std::fopen(name, "wb");
  FUZZ_CHECK(f != nullptr);
  FUZZ_CHECK(bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
  std::fclose(f);
}

bool exists(const char* name) { return ::access(name, F_OK) == 0; }

// A temporary file of the device left in the folder (".fuzz_out.*").
bool temporary_left() {
  DIR* dir = ::opendir(".");
  FUZZ_CHECK(dir != nullptr);
  bool left = false;
  while (const dirent* e = ::readdir(dir)) left = left || std::string(e->d_name).rfind(".fuzz_out", 0) == 0;
  ::closedir(dir);
  return left;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > 16384) return 0;
  const int mode = data[0] & 3;
  const int lines = data[1] & 31, width = data[2] & 127;
  const std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
  fuzz::dump("rest", rest);
  const bool pdf = mode == 1 || mode == 2;
  const char* out = pdf ? "fuzz_out.pdf" : "fuzz_out.txt";
  write_file("FUZZ.PDC", mode == 2 ? std::string(kLineTemplate) : rest);
  write_file("pdf_header.png", mode == 2 ? rest : std::string(kImage, sizeof kImage - 1));
  std::remove(out);

  core::CoreContext core;
  FUZZ_CHECK(core.status() == 0);
  {
    script::ScriptContext script;
    FUZZ_CHECK(script.status() == 0);
    data::DataContext data_context;
    FUZZ_CHECK(data_context.status() == 0);
    FUZZ_CHECK(core::slot_set(core::kGroupEnv, core::kEnvDocPath, "."_t) == 0);
    output::ReportRequest request;
    request.device = std::string(out) + (mode == 3 ? " /LP:0" : " /LP:" + std::to_string(lines)) +
                     " /WD:" + std::to_string(width);
    request.template_name = "FUZZ.PDC";
    request.progress = "NONE";
    const uint16_t mark = core::arena_mark();
    core::Status st = output::report_run(request);
    FUZZ_CHECK(core::arena_mark() == mark);
    FUZZ_CHECK(st == 0 || st >= 122);
    // A report that failed leaves no file; one that ended well, its file.
    FUZZ_CHECK(exists(out) == (st == 0));
    FUZZ_CHECK(!temporary_left());
  }
  FUZZ_CHECK(core.shutdown() == 0);
  std::remove(out);
  return 0;
}
