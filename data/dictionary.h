// The data dictionary: which data files an application has, the fields of
// each file's fixed-layout record, its keys and its relation text.
//
// Files are numbered from 1 in definition order (at most 30); fields 1 to n
// within their file; keys 1 to k within their file. The items live in the
// runtime vectors (data/vectors.h) and the names in groups of the slot
// store, so they last until the DataContext ends or dict_clear runs.
//
// File number 0 or 255 given to any operation means the current file
// (status word 2, _CURFIL).
//
// Built from the PostgreSQL catalogue, the numbering is the same on every
// run: files in the order the tables were created; keys with the primary
// key first, then the other unique indexes, then the rest, each group in
// the order the indexes were created.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace data {

using core::Status;
using core::Text;
using core::operator""_t;

inline constexpr uint16_t kMaxFiles = 30;
inline constexpr int kMaxSegments = 5;
inline constexpr uint16_t kCurrentFileAlias = 255;

// Groups of the slot store the dictionary keeps its texts in; the index is
// the file number - 1, or the global field index for field names.

// The dictionary files of a prefix, by position: loading reads 1 then 2;
// the others belong to the relational update and the menu.
inline constexpr Text kDictionaryFiles = "DICC.DAT,REL.DAT,RELUP.DAT,RELUPSQL.DAT,MENU.PPN"_t;

// Vector items, stored byte for byte (a vector's item size is the struct's size).
struct FileItem {      // vector 0
  uint8_t number = 0;  // 1 to 30
  uint8_t kind = 0;    // two-digit kind of the file line; 0 from the catalogue
  uint16_t field_count = 0;
  uint16_t record_length = 0;
  uint16_t key_count = 0;
};
struct FieldItem {  // vector 1
  uint8_t file = 0;
  char type = 'A';      // type letter as written
  uint16_t number = 0;  // 1-based within the file
  uint16_t offset = 0;  // 0-based in the record
  uint16_t width = 0;
};
struct KeySegment {
  uint16_t start = 0;  // 0-based
  uint16_t length = 0;
};
struct KeyCount {  // vector 2
  uint8_t file = 0;
  uint8_t segments = 0;
};
struct KeyItem {  // vector 3
  KeySegment segment[kMaxSegments];
};

// --- building -------------------------------------------------------------------
// Reads prefix + "DICC.DAT" and then prefix + "REL.DAT" from the folder
// (names matched without regard to case). Line layout, by the two-digit
// number NN that starts every line (q = (NN-1)/30, r = (NN-1) mod 30):
//   01-30 with "*"  a file line  NN*location*KKname (KK the two-digit kind);
//                   a location holding "$" includes the dictionary of
//                   prefix "name" in place
//   01-30 without   a field line of the last file: width in columns 10-12,
//                   type letter in column 14, name from column 15
//   31-60           a key line for file base+r+1: after "<", up to five
//                   groups SSSSLLL (1-based start, length)
//   61-90           a relation line for file base+r+1: the text after ":"
// The base is the number of files defined before the dictionary being
// read, and after an include the number of files minus 1, so that the next
// 01 (31, 61) is the last file the include defined. Files without key lines
// get the default key when DICC.DAT ends, and when a key line names a later
// file. Lines that do not start with two digits are skipped.
// Codes: FILENOTFOUND (recorded at (LOADFILESTR), name as detail) when a
// DICC.DAT is missing; FILEOUTBOUND for a 31st file, a field line once 30
// files are defined, and a key or relation line for a file not defined;
// SINTAXERROR for a field or key line of the wrong form or an include
// that includes itself again; the detail names the file and line.
[[nodiscard]] Status dict_load(Text prefix, Text folder, Text default_location);

// The dictionary of an application: dict_load from the first definition
// folder (slot 5 of group 0, a comma list) that holds prefix + "DICC.DAT",
// with an empty default location. Start-up's dictionary loader.
[[nodiscard]] Status dict_load_application(Text prefix);

// FILEOUTBOUND when 30 files are defined.
[[nodiscard]] Status dict_add_file(int kind, Text name, Text location);
// To the last file. FILEOUTBOUND with no file or once 30 files are defined;
// DATAOUTBOUND when the record would pass 32,767 bytes.
[[nodiscard]] Status dict_add_field(Text name, uint16_t width, char type);
// The file's next key (at most 5 segments are kept). FILEOUTBOUND for a
// file not defined.
[[nodiscard]] Status dict_add_key(uint16_t file, const KeySegment* segments, int count);
// Joins an item ("<file>R<k>K<n>") to the file's relation text.
// FILEOUTBOUND for a file not defined.
[[nodiscard]] Status dict_add_relation(uint16_t file, Text item);
// One segment from 0 to the end of the field "N_LINE" (field 1 without one).
[[nodiscard]] Status dict_add_default_key(uint16_t file);
// From the catalogue of the current connection: the tables of schema
// public; with kOpenColumns also their columns and indexes. PERMISSION
// (175) when the table list cannot be read; FILEOUTBOUND past 30 tables.
[[nodiscard]] Status dict_build_from_catalogue(int flags);
// Forgets every file, field, key, name and record buffer.
void dict_clear();

// --- reading ----------------------------------------------------------------------
uint16_t dict_file_count();
// The file number for 0 and 255 (the current file) and for 1 to 30; 0 when
// there is no such file.
uint16_t dict_file_resolve(uint16_t file);
// A name (starting with a letter, compared in lower case), a number, or
// empty for the current file. 0 when not found.
uint16_t dict_file_by_ref(Text ref);
// -1 when the file has no such field (names compared exactly).
int dict_field_by_name(uint16_t file, Text name);
// BADFILENUMBER for a file not defined.
[[nodiscard]] Status dict_file_attr(uint16_t file, FileItem* out);
// BADFILENUMBER, or DATAOUTBOUND with "(File:n, Field:m)" as detail.
[[nodiscard]] Status dict_field_attr(uint16_t file, uint16_t field, FieldItem* out);
// Views into the slot store (valid until its next write); empty when absent.
Text dict_file_name(uint16_t file);
Text dict_file_location(uint16_t file);
Text dict_field_name(uint16_t file, uint16_t field);
Text dict_relation_text(uint16_t file);
// All file names, and all field names of a file, joined with ",". Arena texts.
Text dict_file_names();
Text dict_field_names(uint16_t file);

// A key's segments (at most 5). BADFILENUMBER, or DATAOUTBOUND for a key
// the file lacks.
[[nodiscard]] Status dict_key(uint16_t file, uint16_t key, KeyItem* item, int* segments);
// The key's fields, one per segment: the first field whose offset plus
// width passes the segment's start. INTERNAL (141) for a segment beyond
// the last field.
[[nodiscard]] Status dict_key_fields(uint16_t file, uint16_t key, uint16_t* fields, int* count);
// The sum of the first `segments` segment lengths (0: all); 0 for a bad key.
uint16_t dict_key_length(uint16_t file, uint16_t key, int segments);

// A field reference: FIELD{FILE}, the field by name or (when it does not
// start with a letter) by number, the file by name or number, an empty
// file part meaning the current file; nothing before the braces is field 0.
// SINTAXERROR with "Field:" and the text as detail for a text without braces
// or an unknown field name; FILEOUTBOUND for an unknown file.
[[nodiscard]] Status dict_field_ref(Text ref, uint16_t* file, uint16_t* field);

}  // namespace data
