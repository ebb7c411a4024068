// Pieces the keyed-access implementation files share: the file control
// records, the cursor table, the key fields of a key and the pieces of a key
// value. Only the data layer's own implementation files include this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "data/access.h"
#include "data/dictionary.h"

namespace data::internal {

using core::Status;
using core::Text;

inline constexpr int kCursorCount = 30;

// One per defined file, reset when the file is opened.
struct FileCtrl {
  uint16_t key = 1;          // current key (1-based)
  uint16_t status = kStatusEnd;
  int16_t cursor = -1;       // open scroll cursor, or -1 for single SELECTs
  // Position of the cursor in its run: from 1 counted from the start, from
  // -1 counted from the end (after a fetch of the last row).
  int32_t cursor_row = 0;
  std::string cursor_key;    // the key value of the run
  // Grid block state.
  int32_t block_code = 0;    // status of the last block step
  int32_t block_row = 0;     // current row in the block
  int32_t block_boundary = -1;  // last row before the key boundary, -1: all rows
  uint16_t block_slot = 0;
  uint16_t prev_block_slot = 0;
  uint16_t block_lock = 0;
  uint16_t block_key = 0;
  std::string block_limit;   // what the next block is read with
  std::string block_cond;
  // Read-ahead of a walk by next moves (data/access_ahead.cpp).
  struct ReadAhead {
    uint16_t key = 0;             // the key the walk goes by
    uint64_t changes = 0;         // the session's change count when read
    int streak = 0;               // next moves in a row by single SELECTs
    int size = 0;                 // rows of the last block read
    bool complete = false;        // the last block reached the end of the file
    size_t next = 0;              // the next record to serve
    std::string last_key;         // the key value of the record the walk stands on
    std::vector<std::string> records, keys;
  } ahead;
  uint8_t mode = 0;
  bool opened = false;
  // Relational update: the first rule-store entry, -1 while not loaded.
  int32_t rule_base = -1;
  uint16_t rule_count = 0;
};

// A saved position of one file, for the state restore of local calls.
struct SavedPosition {
  uint16_t file = 0;
  uint16_t key = 1;
  uint16_t status = kStatusEnd;
  bool in_run = false;       // a cursor was open on the record
  std::string run_key;
  std::string buffers;       // both halves
};
struct LocalFrame {
  std::vector<SavedPosition> saved;
};

// The transaction of one user action's writes (data/transaction.h).
struct WriteState {
  int depth = 0;             // nested write_begin calls
  bool savepoint = false;    // inside the application's own transaction
  bool began = false;        // the outermost write_begin opened something
  bool lost = false;         // the connection was lost (and made again) meanwhile
  std::vector<SavedPosition> saved;  // every open file at the outermost begin
};

struct AccessState {
  FileCtrl files[kMaxFiles + 1];       // index 0 unused
  uint8_t cursor_owner[kCursorCount] = {};
  SqlForm form = SqlForm::Indexed;
  bool read_ahead = true;
  bool borrowed_slot[8] = {};  // a session slot SQLCHILD gave its parent's connection
  std::vector<LocalFrame> local_frames;
  WriteState write;
};

AccessState& access_state();
// The control record of a defined file (0 and 255 mean the current file).
// A number beyond the dictionary is the runtime's own fault: the process
// stops with the "DataFileCtrl" assertion.
FileCtrl& file_ctrl(uint16_t file);
// Before a file's position changes inside a local call: keeps it once.
void position_note(uint16_t file);
// Where an open file stands now: its key, status, run and both buffers.
SavedPosition position_of(uint16_t file);
// Puts a file back where `p` says (closing its run's cursor first).
void position_restore(const SavedPosition& p);
// The start and the end of a local procedure call (the procedure layer's
// hook); at the end with restore_positions the kept positions come back.
void local_call(bool begin, bool restore_positions);
// The end of a local call that puts back only the files of the list.
void local_call_end_restoring(const uint16_t* files, size_t count);

// --- keys and key values -----------------------------------------------------------
struct KeyField {
  uint16_t field = 0;
  char type = 'A';
  uint16_t offset = 0;
  uint16_t width = 0;
  bool numeric = false;     // type in "NL123456789"
  std::string name;         // as written in the dictionary
};
struct KeyInfo {
  uint16_t file = 0;
  uint16_t key = 0;
  KeyField field[kMaxSegments];
  int count = 0;
  std::vector<std::string> order;  // ORDER BY column names (quoted)
};
Status key_info(uint16_t file, uint16_t key, KeyInfo* info);
// Every field of a file, in field order.
std::vector<KeyField> file_fields(uint16_t file);
// The SQL literal of a field's piece of a record ("NULL" when blank).
std::string field_literal(const KeyField& f, const std::string& record);

// A piece of a key value: the characters that fall on one key field, and
// its SQL literal by the empty-value rule ("0" or "''" for a blank piece,
// which then counts as NULL).
struct Piece {
  std::string raw;
  std::string literal;
  bool null = false;
};
// The pieces of a value over the key fields, as far as the value reaches.
std::vector<Piece> key_pieces(const KeyInfo& info, Text value);
// The literal of one field value by the empty-value rule; *null tells
// whether the value was blank.
std::string value_literal(bool numeric, std::string_view value, bool* null);
// A text as an SQL literal: sql_literal, with control bytes escaped.
std::string text_literal(std::string_view value);
// A key value's literal marked as a value, so that a statement can also be
// sent in a prepared form: "\x01literal\x02value\x03", the value as the
// server is to read it. A value holding those bytes stays unmarked.
std::string value_mark(const std::string& literal, std::string_view raw, bool numeric);
// The statement with its marked values written in, and its prepared form
// (the values as $1 .. $n, collected in `values`).
std::string sql_plain(const std::string& marked);
std::string sql_shape(const std::string& marked, std::vector<std::string>* values);
bool numeric_type(char type);
std::string quote_ident(std::string_view name);

}  // namespace data::internal
