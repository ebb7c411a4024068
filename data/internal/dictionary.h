// Pieces the dictionary's and the record buffers' implementation files
// share. Only the data layer's own implementation files include this.
#pragma once

#include <cstdint>

#include "core/text.h"
#include "data/dictionary.h"
#include "data/internal/common.h"

namespace data::internal {

// Twice the record must fit one text of the slot store.
inline constexpr uint32_t kMaxRecordLength = 32767;

// The item of a defined file (1 to the count); false otherwise.
bool file_item(uint16_t file, FileItem* out);
// Global index (in vector 1 and group 3) of the first field of a file.
uint32_t first_field_index(uint16_t file);
// DATAOUTBOUND with "(File:n, Field:m)" as detail.
core::Status field_range_error(uint16_t file, uint16_t field);
// An ASCII letter, or a Windows-1252 letter (from C0 on).
inline bool starts_with_letter(core::Text t) {
  uint8_t c = t.at(0);
  return t.len > 0 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       (c >= 0xC0 && c != 0xD7 && c != 0xF7));
}

}  // namespace data::internal
