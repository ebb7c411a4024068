// Record buffers: every open data file has a current buffer (the record as
// edited) and a saved buffer (the record as last read), each of the
// record's length, kept together as one text in group 6 of the slot store.
// Fields are read from and written into them at the dictionary's offsets.
//
// File number 0 or 255 means the current file. A file that is not defined
// is BADFILENUMBER; one whose buffers were not opened is FILENOTINIT.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace data {

using core::Status;
using core::Text;

enum class Buffer { Current, Saved };

// Creates (or blanks) both buffers of the file.
[[nodiscard]] Status buffer_open(uint16_t file);
// Forgets the file's buffers.
void buffer_close(uint16_t file);
bool buffer_is_open(uint16_t file);
// The buffer as a view into the slot store (valid until its next write), or
// an error value.
Text buffer_get(uint16_t file, Buffer which);
// Writes text at the start of the buffer (cut to the record length; a
// shorter text leaves the rest as it was).
[[nodiscard]] Status buffer_put(uint16_t file, Buffer which, Text text);
[[nodiscard]] Status buffer_save(uint16_t file);     // current -> saved
[[nodiscard]] Status buffer_restore(uint16_t file);  // saved -> current
[[nodiscard]] Status buffer_clear(uint16_t file);    // both blank
// True when the current buffer differs from the saved one.
bool buffer_changed(uint16_t file);

// The field's piece of a buffer. On the current buffer, a six-character "F"
// date reads as YYYYMMDD when six-character dates are in use, and an "N"
// field whose text starts with "D" reads as the number after the "D"
// combined with 10 by exclusive or. Failures are recorded at (BUFFERFLDGET):
// BADFILENUMBER, FILENOTINIT, or DATAOUTBOUND with "(File:n, Field:m)"
// as detail. Field 0 reads as an empty text. An arena text or a view.
Text field_get(uint16_t file, uint16_t field, Buffer which);
// Stores the value at the field's type and width into the current buffer
// (a YYYYMMDD date into a six-character "F" field as six characters).
// Failures, as for field_get and the storage's own (a number that does not
// fit is DATAOUTBOUND), are recorded at (BUFFERFLDPUT).
[[nodiscard]] Status field_put(uint16_t file, uint16_t field, Text value);
// The stored form field_put writes for the value (without writing it), or
// an error value.
Text field_store(uint16_t file, uint16_t field, Text value);

// The key value: the key fields' pieces of the buffer, each at its field's
// width, in key order. An arena text or an error value.
Text key_value(uint16_t file, uint16_t key, Buffer which);
// The same from a record text of the file's layout.
Text key_value_of(uint16_t file, uint16_t key, Text record);
// Writes a key value into the key fields of the current buffer, field by
// field at their widths, as far as the value goes (a short last piece is
// padded with blanks).
[[nodiscard]] Status key_value_put(uint16_t file, uint16_t key, Text value);

}  // namespace data
