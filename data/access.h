// Keyed record access over SQL: every data file is one PostgreSQL table and
// every move (first, last, next, previous, find by key) is one generated
// SELECT that reads a single row, so that an application sees numbered
// files of fixed-layout records with several keys and a current record.
//
// Each defined file has a control record: its current key, the status of
// its last move, its scroll cursor while it walks a run of equal keys, and
// the state of the block of rows a grid reads. The record itself lives in
// the file's two record buffers (data/records.h): the record as edited and
// the record as read.
//
// Key values. A key value is the concatenation of the key's field values at
// their widths; a shorter value covers only the fields it reaches. A blank
// piece is NULL in SQL: it matches NULL columns as well as the empty text
// (or 0 for numbers), and NULL sorts below every value.
//
// Statements. Two forms build the same answers:
//   SqlForm::Described  the plain statements: one lexicographic OR
//                       condition, ORDER BY with NULLS clauses, LIMIT 1,
//                       and a COUNT after every landing to find runs of
//                       equal keys.
//   SqlForm::Indexed    (the default) the same rows, found by index range
//                       scans: the condition is split into ranges that each
//                       read one stretch of the key's index (a row
//                       comparison where no piece is blank), joined with
//                       UNION ALL in index order; a move reads two rows, so
//                       that a run of equal keys is seen without a COUNT.
// The index each key needs comes from access_index_definition.
//
// Scroll cursors over runs of equal keys are declared WITH HOLD, so that a
// COMMIT of the runtime's own writes leaves them usable.
//
// Statuses: 0 positioned; 1 key not found (positioned on the next record,
// or previous at the first record); 2 end of file; 5 wrong key; 6 duplicate
// key; 7 record changed by another user, nothing written. Errors are 128
// and above: SQLERROR and DUPLICATEDATA from the server, INDEXCMDERROR when
// the record to write or delete is not unique or gone, INTERNAL when the
// row of a run is not found again, DATAOUTBOUND when no cursor or result
// slot is free, FILEOUTBOUND for a file number that names no file.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace data {

using core::Status;
using core::Text;

// Navigation codes (bit values).
inline constexpr int kNavFind = 0;
inline constexpr int kNavNext = 16;
inline constexpr int kNavPrevious = 20;
inline constexpr int kNavLast = 32;
inline constexpr int kNavFirst = 36;

// Find flags.
inline constexpr int kFindFillKey = 1;    // on failure: blank buffers holding the searched key
inline constexpr int kFindAtOrAfter = 2;  // at or after instead of equal

// Statuses (items of message 0023).
inline constexpr Status kStatusNotFound = 1;
inline constexpr Status kStatusEnd = 2;
inline constexpr Status kStatusNew = 3;
inline constexpr Status kStatusBadKey = 5;
inline constexpr Status kStatusDuplicate = 6;
inline constexpr Status kStatusChanged = 7;

// Open modes: bit 8 positions the file on its first record.
inline constexpr int kOpenFirst = 8;

// Bits of status word 13 (_UPSTAT); bit 1 of status word 15 (_SYSCOMPAT)
// drops the NULLS clauses of the orderings.
inline constexpr int kUpRulesOn = 1;
inline constexpr int kUpNoCountCheck = 16;
inline constexpr int kUpSqlSession = 32;
inline constexpr int kUpNoKeyCheck = 64;

inline constexpr int kBlockRows = 512;
inline constexpr int kRangeRows = 65535;

// Delete-range flags.
inline constexpr int kRangeRefuseAny = 2;  // status 7 and nothing deleted when rows match
inline constexpr int kRangeKeepOpen = 4;   // leave the transaction open for the caller

// Update-by-key flags.
inline constexpr int kUpdateInsert = 4;  // insert a row with the key when none was updated

enum class SqlForm { Indexed, Described };
void access_sql_form_set(SqlForm form);
SqlForm access_sql_form();
// A walk by next moves reads the rows ahead in blocks and serves its moves
// from them, visiting exactly the records single-row moves visit (on by
// default; off sends every move).
void access_read_ahead_set(bool on);

// --- files ------------------------------------------------------------------------
// File numbers: 1 to the number of files, 0 or 255 for the current file
// (status word 2). FILEOUTBOUND for any other.
[[nodiscard]] Status access_open(uint16_t file, int mode);
[[nodiscard]] Status access_close(uint16_t file);
// An open-file set: a comma list of files (name or number), each optionally
// followed by ";mode". "RESTORE" drops the top set and applies the one
// below it. Applied from the last item to the first: a non-zero mode opens
// the file, 0 closes it; without modes every item but the last gets 1 and
// the last 8 (the last always gets 8 added). FILESOPEN with the item as
// detail for a file that is not defined.
[[nodiscard]] Status access_open_set(Text set);
// Makes the key current (-1 keeps the current one). The key in use, or 0
// for a key the file lacks.
int access_set_key(uint16_t file, int key);
int access_key(uint16_t file);
// The status of the file's last move or find.
Status access_status(uint16_t file);
bool access_is_file(uint16_t file);

// --- moves --------------------------------------------------------------------------
// First, last, next or previous by the current key. A previous after the
// end of the file is a last.
[[nodiscard]] Status access_navigate(uint16_t file, int code);
// Find by key (key -1: the current one); see the flags above. A record
// found at or after a value it does not start with is status 1.
[[nodiscard]] Status access_find(uint16_t file, int key, Text value, int flags);

// --- writes ------------------------------------------------------------------------
[[nodiscard]] Status access_insert(uint16_t file);
// Writes the fields that differ between the two buffers to the row the
// saved buffer was read from. Nothing is sent when they are equal. The row
// must still be as it was read: 7 when another user changed it.
[[nodiscard]] Status access_save(uint16_t file);
[[nodiscard]] Status access_delete(uint16_t file);
// UPDATE of the rows whose key equals the value; with kUpdateInsert a row
// with that key is inserted when none was updated.
[[nodiscard]] Status access_update_by_key(uint16_t file, int key, Text value, Text set, int flags);
// Deletes, in one transaction, every row whose covered key fields equal the
// value (and that meets the condition, a runtime expression), removing each
// one's relational effects first.
[[nodiscard]] Status access_delete_range(uint16_t file, int key, Text value, Text condition,
                                         int flags);
// "ALTER TABLE t ENABLE|DISABLE TRIGGER USER;", the state in bit 1 of
// status word 13.
[[nodiscard]] Status access_triggers(uint16_t file, bool on);
// Sends "COMMIT;" when a transaction is open.
[[nodiscard]] Status access_commit();

// --- counts and blocks ----------------------------------------------------------------
// The rows from `from` up to `to` (the same value: equal to it) that also
// meet the extra SQL condition. 0 on failure.
int64_t access_count(uint16_t file, int key, Text from, Text to, Text extra_sql);
// Reads a block of up to 512 rows for a grid, from the value up to the
// limit (a single byte 255 means no limit) and meeting the condition (a
// runtime expression), and loads the first. 2 when none.
[[nodiscard]] Status access_block_read(uint16_t file, int key, Text from, Text limit,
                                       Text condition);
// Loads the next row of the block, reading the next block at the key
// boundary; 2 at the end.
[[nodiscard]] Status access_block_next(uint16_t file);
void access_block_lock(uint16_t file, bool locked);
// The row count of the file's current block, and its first row past the key
// boundary (-1 when every row belongs to it).
int64_t access_block_rows(uint16_t file);
int32_t access_block_boundary(uint16_t file);

// --- SQL texts ------------------------------------------------------------------------
// A runtime expression as an SQL condition: field references become column
// names, operators their SQL forms, text constants literals (an empty one
// NULL), other operands their values. NULL counts as 0 and below every
// value in comparisons. An arena text, or SINTAXERROR.
Text access_condition(Text expression);
// The index each key of a file needs: "CREATE [UNIQUE] INDEX t_ndxK ON t
// USING btree (...)" over the key's ordering columns, each NULLS FIRST.
// An arena text.
Text access_index_definition(uint16_t file, uint16_t key, bool unique);

// The statements of a move, without sending them (for the log and tests).
// The key value is the start of a next, previous or find.
Text access_move_sql(uint16_t file, int code, Text value, int flags);

}  // namespace data
