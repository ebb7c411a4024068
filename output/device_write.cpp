// Writing to a device: wrapping at the page width, the character
// translation and printer sequences, the page position, and locating.
#include <algorithm>
#include <chrono>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/status_words.h"
#include "output/devices.h"
#include "output/pdf.h"
#include "output/serial.h"
#include "script/variables.h"

namespace output {

namespace {

const Text kCrLf = "\r\n"_t;
constexpr size_t kPendingBytes = 65536;
constexpr int kDeviceTimeoutMs = 1000;
// The letters a printer's code page holds elsewhere, and SO, SI, DC2.
const Text kTranslateFrom = "\xBA\xD1\xF1\xE1\xE9\xED\xF3\xFA\x0E\x0F\x12"_t;
const Text kTranslatePrinter = "\xA7\xA5\xA4\xA0\x82\xA1\xA2\xA3\x0E\x0F\x12"_t;
const Text kTranslateOther = "\xBA\xD1\xF1\xE1\xE9\xED\xF3\xFA   "_t;

Status fail(DeviceRecord* r, Status code) {
  if (r->error == 0) r->error = code;
  core::report_detail(code, core::text_view(r->name), false);
  return core::error_record(core::kRecord, core::Context::Devices, code, code);
}

// Hands bytes to the device and moves the position over them.
Status emit(DeviceRecord* r, Text piece) {
  core::ArenaScope scope;
  // Columns are counted on the translated text: a shift character that
  // becomes a blank takes a column, a printer sequence none.
  piece = device_translate(piece, r->kind);
  Text out = device_controls(piece, r->kind, r->printer);
  if (!out.ok()) return fail(r, text_error(out));
  if ((r->kind & kDevPdf) != 0) {
    Status st = pdf_write(r, out);
    if (st != 0) {
      if (r->error == 0) r->error = st;
      return st;
    }
  } else if (out.len > 0) {
    r->pending.append(out.ptr, out.len);
    if (r->pending.size() >= kPendingBytes) {
      if (Status st = device_flush(r); st != 0) return st;
    }
  }
  for (uint16_t i = 0; i < piece.len; ++i) {
    uint8_t c = piece.at(i);
    if (c == '\r' && piece.at(i + 1) == '\n') {
      ++i;
      r->column = 1;
      if (++r->line > r->page_lines && r->page_lines != 0) {
        ++r->page;
        r->line = 1;
      }
    } else if (c >= 0x20 || c == '\t') {
      ++r->column;
    }
  }
  return 0;
}

// One line's text (no CR LF in it), wrapped at the width.
Status write_segment(DeviceRecord* r, Text s) {
  Status st = 0;
  while (st == 0 && s.len > 0) {
    Text piece = s;
    if (r->width != 0 && r->column <= r->width && r->column + s.len - 1 > r->width) {
      piece = core::text_sub(s, 0, static_cast<uint16_t>(r->width - r->column + 1));
    }
    st = emit(r, piece);
    s = core::text_sub(s, piece.len, core::kToEnd);
    if (st == 0 && r->width != 0 && r->column > r->width && (r->kind & kDevWrap) != 0) {
      st = emit(r, kCrLf);
    }
  }
  return st;
}

}  // namespace

Status device_flush(DeviceRecord* r) {
  if (r->error != 0) return r->error;
  if (r->pending.empty()) return 0;
  if (r->handle < 0) return fail(r, core::FILENOTINIT);
  if ((r->kind & kDevSerial) != 0) {
    Status st = serial_write(r->handle, core::text_view(r->pending));
    r->pending.clear();
    return st == 0 ? 0 : fail(r, st);
  }
  size_t done = 0;
  while (done < r->pending.size()) {
    auto piece = static_cast<uint16_t>(std::min<size_t>(r->pending.size() - done, 32768));
    Text t = core::text_view(r->pending.data() + done, piece);
    if (core::file_write(static_cast<uint16_t>(r->handle), core::kFileHere, t) != piece) {
      r->pending.clear();
      return fail(r, core::WRITEERR);
    }
    done += piece;
  }
  r->pending.clear();
  return 0;
}

Status device_write(DeviceRecord* r, Text text, bool take_size) {
  if (r->error != 0) return r->error;
  if (r->handle < 0) return fail(r, core::FILENOTINIT);
  if (!text.ok()) return fail(r, text_error(text));
  if (take_size) {
    r->page_lines = static_cast<uint16_t>(script::var_get_int(core::kSwDevHig));
    r->width = static_cast<uint16_t>(script::var_get_int(core::kSwDevWid));
  }
  // Ports are timed on a monotonic clock: a write that takes them longer
  // than the device time-out fails, whatever the time of day does.
  bool timed = (r->kind & (kDevPrinter | kDevSerial)) != 0;
  auto start = std::chrono::steady_clock::now();
  Status st = 0;
  while (st == 0 && text.len > 0) {
    uint16_t end = core::text_find(text, kCrLf, true);
    st = write_segment(r, core::text_sub(text, 0, end));
    if (end == core::kNoPos) break;
    if (st == 0) st = emit(r, kCrLf);
    text = core::text_sub(text, end + 2, core::kToEnd);
  }
  // A serial port's bytes go out with each write.
  if (st == 0 && (r->kind & kDevSerial) != 0) st = device_flush(r);
  device_publish(*r);
  if (st == 0 && timed && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kDeviceTimeoutMs)) {
    st = fail(r, core::DEVICETIMEOUT);
  }
  return st;
}

Status device_locate(DeviceRecord* r, int line, int column) {
  if (r->error != 0) return r->error;
  if (line < 1) line = r->line;
  if (r->page_lines != 0 && line > r->page_lines) {
    // Through to the next page, then to the line that stands over.
    int32_t page = r->page;
    Status st = 0;
    while (st == 0 && r->page == page) st = device_write(r, kCrLf);
    return st != 0 ? st : device_locate(r, line - r->page_lines, column);
  }
  if (r->width != 0 && column > r->width) return device_locate(r, r->line + 1, column - r->width);
  if (column == 0) return 0;
  Status st = 0;
  while (st == 0 && (column < r->column || (r->page_lines != 0 && line != r->line) ||
                     (r->page_lines == 0 && r->line < line))) {
    st = device_write(r, kCrLf);
  }
  if (st == 0 && r->column < column) {
    core::ArenaScope scope;
    st = device_write(r, core::text_repeat(" "_t, static_cast<uint16_t>(column - r->column)));
  }
  return st;
}

Text device_translate(Text text, uint8_t kind) {
  if ((kind & kDevPdf) != 0) return text;
  return core::text_translate(text, kTranslateFrom,
                              (kind & kDevTranslate) != 0 ? kTranslatePrinter : kTranslateOther);
}

Text device_controls(Text text, uint8_t kind, uint16_t printer) {
  if (!text.ok() || (kind & kDevPdf) != 0) return text;
  if (core::text_find_any(text, kPrinterControls, true) == core::kNoPos) return text;
  core::ArenaScope scope;
  Text out = ""_t;
  uint16_t from = 0;
  for (uint16_t i = 0; i < text.len; ++i) {
    uint16_t field = core::text_find_char(kPrinterControls, static_cast<char>(text.at(i)), 0, true);
    if (field == core::kNoPos) continue;
    out = core::text_concat(out, core::text_sub(text, from, static_cast<uint16_t>(i - from)));
    if ((kind & kDevTranslate) != 0) out = core::text_concat(out, printer_sequence(field, printer));
    from = static_cast<uint16_t>(i + 1);
  }
  return scope.keep(core::text_concat(out, core::text_sub(text, from, core::kToEnd)));
}

}  // namespace output
