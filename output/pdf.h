// PDF documents: the device of a name ending in ".pdf". Every page starts
// with a header image in its top left corner (one point a pixel), then the
// device's lines follow in Courier (Windows-1252), 80 points from the left
// and from the top edge, 10 points apart. A page begins where the device's
// own page counting begins one, or where the sheet is full (a device
// without paging, or with pages longer than the 72 lines an A4 sheet holds).
//
// The header image is the file named in slot 3 of group 9 (a report puts
// "pdf_<template>.png" there when it exists), else "pdf_header.png" in the
// definition folders. It must be an 8-bit (or less), non-interlaced PNG.
//
// A line's first or last character may set the font size: 0x0F 6 points,
// 0x0E 14, 0x12 and 0x14 10 (the default); the size holds for the lines
// after it. Trailing blanks are not drawn; text still without a line end at
// close is drawn as a last line.
//
// The document is saved under a temporary name beside the final one and
// renamed at close, so a report that fails never leaves a PDF that looks
// finished.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"
#include "output/devices.h"

namespace output {

// Documents open at once; one more gives OUTOFMEMORY.
inline constexpr int kPdfSlots = 8;
// The header image used when a report has none of its own.
extern const Text kPdfHeaderImage;  // "pdf_header.png"

// Opens a document for a device record whose name is the final file: the
// slot becomes the record's handle. 0, or OUTOFMEMORY (all slots in use),
// OPENERR (the folder takes no new file, with its name), FILENOTFOUND (no
// header image, with "pdf_header.png"), FORMATFAILURE (a header image that
// is not a PNG the document can hold, with its name and why) or
// MEMORYALLOCERR (the document cannot be made).
[[nodiscard]] Status pdf_open(DeviceRecord* record);
// Writes a text that has no CR LF or is one (the device splits its texts
// so), at the record's position before the text moves it. 0 or the
// document's failure.
[[nodiscard]] Status pdf_write(DeviceRecord* record, Text text);
// Saves the document under the record's name and frees its slot; with
// discard (or after an error) nothing is saved and no file is left. The
// header image slot is emptied. 0, or WRITEERR with the name.
[[nodiscard]] Status pdf_close(DeviceRecord* record, bool discard);

}  // namespace output
