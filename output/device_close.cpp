// The end of a device: the printer's reset, the report window, the file
// taking its final name or going to the print spooler, the viewer; and the
// printer definitions that give a printer its sequences and page size.
#include <cstdlib>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/slots.h"
#include "definitions/definitions.h"
#include "output/devices.h"
#include "output/internal/device_os.h"
#include "output/serial.h"
#include "output/pdf.h"
#include "output/viewers.h"

namespace output {

const Text kPrinterControls = "\x0F\x12\x0E\x14\x10\x11\x1C\x1D\x1E\x1F"_t;

namespace {

constexpr int64_t kScreenMaxBytes = 64LL * 1024 * 1024;
constexpr uint32_t kScreenPiece = 1024;
constexpr uint16_t kFieldBytes = 8;
constexpr uint16_t kWidthByte = 80;
constexpr uint16_t kLinesByte = 88;
constexpr uint16_t kBuiltInWidth = 80;
constexpr uint16_t kBuiltInLines = 72;
constexpr uint16_t kMaxPrinters = 16;  // LPT1-LPT6 and a few to spare

// The table: the built-in record 0, then the records of "QVPRNP00.DAT"
// (after its header), as many as the file holds whole.
Text printer_table() {
  Text table = core::slot_get(core::kGroupRuntime, core::kRtPrinterTable);
  if (!table.empty()) return table;
  core::ArenaScope scope;
  std::string built(kPrinterRecordBytes, '\0');
  built[kWidthByte] = static_cast<char>(kBuiltInWidth);
  built[kLinesByte] = static_cast<char>(kBuiltInLines);
  Text path = defs::def_file_find("QVPRNP00.DAT"_t, defs::kFtData);
  if (!path.empty()) {
    Text file = core::file_load(path, kPrinterHeaderBytes, kPrinterRecordBytes * kMaxPrinters);
    if (file.ok()) built.append(file.ptr, (file.len / kPrinterRecordBytes) * kPrinterRecordBytes);
  }
  if (core::slot_set(core::kGroupRuntime, core::kRtPrinterTable, core::text_view(built)) != 0) {
    return core::text_error_value(core::STROUTBOUND);
  }
  return core::slot_get(core::kGroupRuntime, core::kRtPrinterTable);
}

// The screen's output: read back and shown in the report window.
Status show_screen(DeviceRecord* r) {
  auto number = static_cast<uint16_t>(r->handle);
  int64_t size = core::file_size(number);
  if (size <= 0 || size >= kScreenMaxBytes) return core::STRINGTOOLONG;
  std::string text;
  text.reserve(static_cast<size_t>(size));
  char piece[kScreenPiece];
  for (uint32_t at = 0; at < size;) {
    uint32_t n = core::file_read(number, at, kScreenPiece, piece, sizeof piece);
    if (n == 0 || n == 65535) return core::DISKIO;
    text.append(piece, n);
    at += n;
  }
  return report_window(text, r->width, r->page_lines);
}

}  // namespace

Text printer_sequence(uint16_t field, uint16_t printer) {
  Text table = printer_table();
  if (!table.ok() || field >= kPrinterRecordBytes / kFieldBytes) return ""_t;
  uint32_t at = uint32_t{printer} * kPrinterRecordBytes;
  if (at + kPrinterRecordBytes > table.len) at = 0;
  Text value = core::text_sub(table, static_cast<int>(at + field * kFieldBytes), kFieldBytes);
  uint16_t len = value.len;
  while (len > 0 && value.at(len - 1) == 0) --len;
  return core::text_sub(value, 0, len);
}

void printer_table_reset() { (void)core::slot_set(core::kGroupRuntime, core::kRtPrinterTable, ""_t); }

std::string printer_queue(uint16_t printer) {
  std::string name = "APP_PRINTER_LPT" + std::to_string(printer);
  const char* queue = std::getenv(name.c_str());
  return queue != nullptr ? std::string(queue) : std::string();
}

Status device_finish(DeviceRecord* r) {
  Status st = r->handle >= 0 ? device_flush(r) : r->error;
  if ((r->kind & kDevTranslate) != 0 && r->error == 0 && r->handle >= 0) {
    Text reset = printer_sequence(1, r->printer);
    if (!reset.empty()) {
      r->pending.append(reset.ptr, reset.len);
      st = device_flush(r);
    }
  }
  if ((r->kind & kDevScreen) != 0 && r->handle >= 0) {
    if (st == 0) st = show_screen(r);
    if (st != 0 && r->error == 0) r->error = st;
  }
  return st;
}

Status device_close(DeviceRecord* r, bool discard) {
  Status st = 0;
  if (discard) r->pending.clear();
  if ((r->kind & kDevPdf) != 0) {
    st = pdf_close(r, discard);
  } else if (r->handle >= 0 && (r->kind & kDevSerial) != 0) {
    if (device_flush(r) != 0 && r->error == 0) r->error = core::WRITEERR;
    serial_close(r->handle);
    r->handle = -1;
  } else if (r->handle >= 0) {
    if (device_flush(r) != 0 && r->error == 0) r->error = core::WRITEERR;
    if (core::file_close(static_cast<uint16_t>(r->handle)) != 0 && r->error == 0) r->error = core::WRITEERR;
    r->handle = -1;
  }
  if (!r->spool.empty()) {
    bool keep = !discard && r->error == 0 && (r->kind & kDevScreen) == 0;
    if (!keep) {
      os::remove_file(r->spool);
    } else if (r->spooler) {
      st = os::print_file(r->queue, r->spool);
      os::remove_file(r->spool);
      if (st != 0) {
        // The printer and the queue the spooler refused (or could not be
        // reached for).
        std::string what = r->name + " (print queue " + (r->queue.empty() ? "the default" : r->queue) + ")";
        core::error_record(core::kRecord, core::Context::Devices, st, st);
        core::report_detail(st, core::text_view(what), false);
      }
    } else {
      st = os::spool_finish(r->spool, r->name, r->append);
      if (st != 0) {
        core::report_detail(st, core::text_view(r->name), false);
        core::error_record(core::kRecord, core::Context::Devices, st, st);
      }
    }
    r->spool.clear();
  }
  // A file to be viewed (a text file, not a printer, or a PDF): shown once
  // it bears its name.
  if (st == 0 && r->error == 0 && !discard && r->view) {
    if ((r->kind & kDevPdf) != 0) {
      (void)viewer_open(kViewerPdf, core::text_view(r->name), kRunNoWait);
    } else if ((r->kind & (kDevFile | kDevPrinter)) == kDevFile) {
      (void)viewer_open(kViewerText, core::text_view(r->name), kRunNoWait);
    }
  }
  if (st != 0 && r->error == 0) r->error = st;
  return st;
}

}  // namespace output
