// Opening a device: the device text read, the kind and page size found, the
// file (or spool file) opened.
#include <algorithm>
#include <cstdint>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/messages.h"
#include "core/status_words.h"
#include "output/devices.h"
#include "output/internal/device_os.h"
#include "output/serial.h"
#include "output/pdf.h"
#include "paths/paths.h"
#include "script/variables.h"

namespace output {

const Text kDeviceList = "CON,LPT1,LPT2,LPT3,LPT4,LPT5,LPT6,PDF,TXT,COM1:,COM2:,DEV"_t;
const Text kPrinterList = "LPT1,LPT2,LPT3,LPT4,LPT5,LPT6"_t;

namespace {

using core::kNoPos;

const Text kOptionNames = "/LP,/WD,/ST,/VW"_t;
// Printer names that stand for the print-to-file target.
const Text kPrintToFileNames = "lp0,lp1,lp2,usb0,usb1,usb2,usb3,usb4"_t;
const Text kAppendExtensions = "log,out"_t;
const Text kPrintToFile = "unixprn.txt"_t;

// The name: the text before the first option, trimmed.
Text device_name(Text text) {
  uint16_t cut = text.len;
  for (uint16_t i = 1; i <= core::list_count(kOptionNames, ','); ++i) {
    uint16_t at = core::text_find(text, core::list_field(kOptionNames, ',', i), true);
    if (at < cut) cut = at;
  }
  return core::text_trim(core::text_sub(text, 0, cut), core::kTrimBoth);
}

bool is_printer_name(Text name) {
  uint16_t end = name.len;
  while (end > 0 && name.at(end - 1) < 58) --end;
  Text letters = core::text_sub(name, 0, end);
  return core::text_equal(letters, "LPT"_t) || core::text_equal(letters, "lp"_t) ||
         core::text_equal(letters, "usb"_t);
}

uint16_t option_number(Text text, Text option, uint16_t fallback) {
  Text value = device_option(text, option);
  if (!value.ok()) return fallback;
  int32_t n = core::text_to_int(value);
  return static_cast<uint16_t>(n < 0 ? 0 : (n > 9999 ? 9999 : n));
}

bool print_to_file() {
  core::ArenaScope scope;
  Text mode = paths::env_option_value("MODE"_t);
  return core::text_equal(core::text_case(mode, core::Case::Upper), "PRNTOFILE"_t);
}

// Opens a file device: a temporary name beside the final one, so that only
// a finished report ever has the final name. Device files (a port, a pipe,
// /dev/full) are written as they are.
Status open_file(DeviceRecord* r) {
  core::ArenaScope scope;
  Text ext = core::text_case(paths::path_split(core::text_view(r->name), paths::kPartExt),
                             core::Case::Lower);
  if (ext.len > 0 && ext.at(0) == '.') ext = core::text_sub(ext, 1, core::kToEnd);
  r->append = (r->kind & 0x3F) == kDevFile && core::list_index(kAppendExtensions, ',', ext) != 0;
  if (os::is_device_file(r->name)) {
    r->spool.clear();
  } else if ((r->kind & kDevPrinter) != 0 && r->name != core::text_str(kPrintToFile)) {
    // A printer: spooled in the temporary folder, handed to lp at close.
    Text temp = paths::path_temp_name("prn"_t);
    if (!temp.ok()) return core::error_record(core::kRecord, core::Context::Devices, core::DISKIO, core::DISKIO);
    r->spool = core::text_str(temp);
    r->spooler = true;
  } else {
    r->spool = os::spool_name(r->name);
    if (r->spool.empty()) {
      core::report_detail(core::OPENERR, core::text_view(r->name), false);
      return core::error_record(core::kRecord, core::Context::Devices, core::OPENERR, core::OPENERR);
    }
  }
  const std::string& path = r->spool.empty() ? r->name : r->spool;
  Status st = core::file_open(core::text_view(path), core::kModeWrite);
  if (st >= core::kFileNumbers) {
    r->spool.clear();
    return st;
  }
  r->handle = static_cast<int16_t>(st);
  return 0;
}

Status open_screen(DeviceRecord* r) {
  core::ArenaScope scope;
  Text temp = paths::path_temp_name("txt"_t);
  Status st = temp.ok() ? core::file_open(temp, core::kModeWrite | core::kModeQuiet) : core::DISKIO;
  if (st >= core::kFileNumbers) {
    return core::error_record(core::kRecord, core::Context::Devices, core::DISKIO, core::DISKIO);
  }
  r->spool = core::text_str(temp);
  r->handle = static_cast<int16_t>(st);
  return 0;
}

}  // namespace

Text device_option(Text text, Text option) {
  uint16_t at = core::text_find(text, option, true);
  if (at == kNoPos || text.at(at + option.len) != ':') return core::text_error_value(core::NOVALUE);
  Text rest = core::text_sub(text, at + option.len + 1, core::kToEnd);
  uint16_t blank = core::text_find_char(rest, ' ', 0, true);
  return core::text_sub(rest, 0, blank == kNoPos ? core::kToEnd : blank);
}

uint8_t device_kind(Text name) {
  Text first = core::list_field(core::text_trim(name, core::kTrimBoth), ' ', 1);
  if (core::text_equal(first, "CON"_t)) return kDevWrap | kDevScreen;
  if (is_printer_name(name)) return kDevWrap | kDevTranslate | kDevPrinter | kDevFile;
  if (name.len >= 5 && core::text_equal(core::text_sub(name, 0, 3), "COM"_t) && name.at(4) == ':') {
    return kDevWrap | kDevTranslate | kDevSerial;
  }
  Text ext = core::text_case(paths::path_split(name, paths::kPartExt), core::Case::Upper);
  if (ext.at(0) == '.') ext = core::text_sub(ext, 1, core::kToEnd);
  if (core::text_equal(ext, "PDF"_t)) return kDevWrap | kDevPdf;
  return kDevWrap | kDevFile;
}

Status device_open(Text device_text, DeviceRecord* r) {
  core::ArenaScope scope;
  *r = DeviceRecord{};
  Text name = device_name(device_text);
  if (name.empty()) name = "CON"_t;
  r->kind = device_kind(name);
  r->printer = core::list_index(kPrinterList, ',', name);
  r->view = false;
  Text view = device_option(device_text, "/VW"_t);
  if (view.ok() && view.len > 0) {
    Text yes = core::list_field(core::message_text_c("0011"), ',', 1);
    r->view = core::text_find_char(yes, static_cast<char>(view.at(0)), 0, true) != kNoPos;
  }
  r->step = option_number(device_text, "/ST"_t, 1);
  if (r->step == 0) r->step = 1;
  r->page_lines = option_number(device_text, "/LP"_t, printer_sequence(11, r->printer).at(0));
  r->width = option_number(device_text, "/WD"_t, printer_sequence(10, r->printer).at(0));
  r->name = core::text_str(name);

  Status st = 0;
  if ((r->kind & kDevFile) != 0) {
    if (core::list_index(kPrintToFileNames, ',', name) != 0 ||
        ((r->kind & kDevPrinter) != 0 && print_to_file())) {
      r->name = core::text_str(kPrintToFile);
    } else if ((r->kind & kDevPrinter) != 0) {
      r->queue = printer_queue(r->printer);
    }
    st = open_file(r);
  } else if ((r->kind & kDevScreen) != 0) {
    st = open_screen(r);
  } else if ((r->kind & kDevSerial) != 0) {
    // The port's slot is the handle; four ports in use leave none.
    int slot = serial_open(name);
    if (slot >= 0 && slot < kSerialSlots) {
      r->handle = static_cast<int16_t>(slot);
    } else {
      if (slot < 0) {
        core::report_detail(core::DEVICETIMEOUT, name, false);
        core::error_record(core::kRecord, core::Context::Devices, core::DEVICETIMEOUT, core::DEVICETIMEOUT);
      }
      st = core::DEVICETIMEOUT;
    }
  } else {
    st = pdf_open(r);
  }
  r->error = st;
  device_publish(*r);
  return st;
}

namespace {

// A position as its status word holds it, stopping at the word's largest.
int16_t word(int64_t n) { return static_cast<int16_t>(std::min<int64_t>(n, INT16_MAX)); }

}  // namespace

void device_publish(const DeviceRecord& r) {
  script::var_set_int(core::kSwDevHig, word(r.page_lines));
  script::var_set_int(core::kSwDevWid, word(r.width));
  script::var_set_int(core::kSwDevLin, word(r.line));
  script::var_set_int(core::kSwDevPos, word(r.column));
  script::var_set_int(core::kSwDevPag, word(r.page));
}

}  // namespace output
