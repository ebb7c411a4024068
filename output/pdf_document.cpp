// PDF documents through libharu: the slots of the open documents, their
// pages (header image, then lines of Courier), and the save at close.
#include <hpdf.h>

#include <array>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "output/internal/device_os.h"
#include "output/internal/pdf_image.h"
#include "output/pdf.h"

namespace output {

const Text kPdfHeaderImage = "pdf_header.png"_t;

namespace {

constexpr HPDF_REAL kMargin = 80;       // the text's distance from the left and top edges
constexpr HPDF_REAL kLineStep = 10;     // whatever the font size
constexpr HPDF_REAL kBottom = 40;       // a full sheet turns the page here
constexpr HPDF_REAL kDefaultSize = 10;
constexpr char kFontName[] = "Courier";
constexpr char kEncoding[] = "CP1252";

struct PdfSlot {
  bool used = false;
  HPDF_Doc doc = nullptr;
  HPDF_Page page = nullptr;
  HPDF_Image image = nullptr;
  HPDF_Font font = nullptr;
  HPDF_REAL size = kDefaultSize;
  HPDF_REAL y = 0;              // where the next line is drawn
  std::string pending;          // the current line written so far
  int32_t line = 1, column = 1;   // the device position after the last write
  std::string spool;            // the file the document is saved to
};

std::array<PdfSlot, kPdfSlots> g_slots;

// The font size a printer control character selects; 0 for any other.
HPDF_REAL size_of(uint8_t c) {
  switch (c) {
    case 0x0F: return 6;
    case 0x0E: return 14;
    case 0x12:
    case 0x14: return 10;
    default: return 0;
  }
}

Status failed(Status code, const std::string& what) {
  core::report_detail(code, core::text_view(what), false);
  return core::error_record(core::kRecord, core::Context::Devices, code, code);
}

// A new page: the header image in its top left corner, then a text object
// at the first line. The text object of the page before is ended first.
Status page_start(PdfSlot* s, const std::string& name) {
  if (s->page != nullptr) HPDF_Page_EndText(s->page);
  s->page = HPDF_AddPage(s->doc);
  if (s->page == nullptr) return failed(core::MEMORYALLOCERR, name);
  HPDF_REAL height = HPDF_Page_GetHeight(s->page);
  auto w = static_cast<HPDF_REAL>(HPDF_Image_GetWidth(s->image));
  auto h = static_cast<HPDF_REAL>(HPDF_Image_GetHeight(s->image));
  HPDF_Page_DrawImage(s->page, s->image, 0, height - h, w, h);
  HPDF_Page_BeginText(s->page);
  s->y = height - kMargin;
  HPDF_Page_MoveTextPos(s->page, kMargin, s->y);
  HPDF_Page_SetFontAndSize(s->page, s->font, s->size);
  return HPDF_GetError(s->doc) == HPDF_OK ? 0 : failed(core::MEMORYALLOCERR, name);
}

void select_size(PdfSlot* s, HPDF_REAL size) {
  s->size = size;
  HPDF_Page_SetFontAndSize(s->page, s->font, size);
}

// Draws the pending line: trailing blanks are not drawn, and control
// characters the font has no glyph for are left out.
void draw_line(PdfSlot* s) {
  std::string& line = s->pending;
  HPDF_REAL after = 0;
  if (!line.empty() && (after = size_of(static_cast<uint8_t>(line.back()))) != 0) line.pop_back();
  std::string shown;
  for (char c : line) {
    if (static_cast<uint8_t>(c) >= 0x20) shown += c;
  }
  while (!shown.empty() && shown.back() == ' ') shown.pop_back();
  if (!shown.empty()) HPDF_Page_ShowText(s->page, shown.c_str());
  HPDF_Page_MoveTextPos(s->page, 0, -kLineStep);
  s->y -= kLineStep;
  line.clear();
  if (after != 0) select_size(s, after);
}

// The document's bytes. It is saved into memory and written by the device
// layer: the library's own file writing does not tell a full disk.
bool saved(HPDF_Doc doc, std::string* bytes) {
  if (HPDF_SaveToStream(doc) != HPDF_OK) return false;
  HPDF_UINT32 size = HPDF_GetStreamSize(doc);
  bytes->resize(size);
  HPDF_UINT32 read = size;
  HPDF_STATUS rc = HPDF_ReadFromStream(doc, reinterpret_cast<HPDF_BYTE*>(bytes->data()), &read);
  return (rc == HPDF_OK || rc == HPDF_STREAM_EOF) && read == size;
}

void release(PdfSlot* s) {
  if (s->doc != nullptr) HPDF_Free(s->doc);
  *s = PdfSlot{};
}

}  // namespace

Status pdf_open(DeviceRecord* r) {
  int n = 0;
  while (n < kPdfSlots && g_slots[n].used) ++n;
  if (n == kPdfSlots) return failed(core::OUTOFMEMORY, r->name);
  PdfSlot* s = &g_slots[n];
  std::string image;
  Status st = internal::pdf_header_image(&image);
  if (st != 0) return st;
  s->doc = HPDF_New(nullptr, nullptr);
  if (s->doc == nullptr) return failed(core::MEMORYALLOCERR, r->name);
  s->used = true;
  HPDF_SetCompressionMode(s->doc, HPDF_COMP_ALL);
  s->image = HPDF_LoadPngImageFromFile(s->doc, image.c_str());
  if (s->image == nullptr) {
    release(s);
    return failed(core::FORMATFAILURE, image);
  }
  s->font = HPDF_GetFont(s->doc, kFontName, kEncoding);
  if (s->font == nullptr || (st = page_start(s, r->name)) != 0) {
    release(s);
    return st != 0 ? st : failed(core::MEMORYALLOCERR, r->name);
  }
  // The document is saved beside its final name, so that a folder that
  // takes no file is known now and not after the whole report.
  if (!os::is_device_file(r->name)) {
    s->spool = os::spool_name(r->name);
    if (s->spool.empty()) {
      release(s);
      return failed(core::OPENERR, r->name);
    }
  }
  s->line = r->line;
  s->column = r->column;
  r->handle = static_cast<int16_t>(n);
  return 0;
}

Status pdf_write(DeviceRecord* r, Text text) {
  if (r->handle < 0 || r->handle >= kPdfSlots || !g_slots[r->handle].used) return core::FILENOTINIT;
  PdfSlot* s = &g_slots[r->handle];
  HPDF_REAL size = text.len > 0 ? size_of(text.at(0)) : 0;
  if (size != 0) {
    select_size(s, size);
    text = core::text_sub(text, 1, core::kToEnd);
  }
  // The device went back up its page: it began a new one. A sheet that is
  // full (no paging, or pages longer than the sheet) turns the page too.
  bool new_page = r->line < s->line || (r->line == s->line && r->column < s->column) ||
                  (s->pending.empty() && s->y < kBottom);
  Status st = new_page ? page_start(s, r->name) : 0;
  if (st != 0) return st;
  s->line = r->line;
  s->column = r->column;
  if (text.len >= 2 && text.at(0) == '\r' && text.at(1) == '\n') {
    draw_line(s);
  } else {
    s->pending.append(text.ptr, text.len);
  }
  return HPDF_GetError(s->doc) == HPDF_OK ? 0 : failed(core::WRITEERR, r->name);
}

Status pdf_close(DeviceRecord* r, bool discard) {
  (void)core::slot_set(core::kGroupRuntime, core::kRtPdfHeader, ""_t);
  if (r->handle < 0 || r->handle >= kPdfSlots || !g_slots[r->handle].used) return 0;
  PdfSlot* s = &g_slots[r->handle];
  r->handle = -1;
  Status st = 0;
  if (!discard && r->error == 0) {
    if (!s->pending.empty()) draw_line(s);
    HPDF_Page_EndText(s->page);
    const std::string& target = s->spool.empty() ? r->name : s->spool;
    std::string bytes;
    if (!saved(s->doc, &bytes) || os::write_file(target, bytes) != 0) {
      st = failed(core::WRITEERR, r->name);
    } else if (!s->spool.empty()) {
      st = os::spool_finish(s->spool, r->name, false);
      if (st != 0) failed(st, r->name);
      s->spool.clear();
    }
  }
  if (!s->spool.empty()) os::remove_file(s->spool);
  release(s);
  return st;
}

}  // namespace output
