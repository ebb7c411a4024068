// What the keyed-access implementation files call of each other: sending
// statements, loading rows, scroll cursors and blocks. Only the data
// layer's own implementation files (and its tests) include this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "data/internal/access.h"

namespace data::internal {

// FILEOUTBOUND for a number that names no file; else the file's number.
Status resolve_file(uint16_t file, uint16_t* out);
// The same, and a file used before it was opened gets its buffers now.
Status file_ready(uint16_t file, uint16_t* out);

// --- statements ------------------------------------------------------------------
// Sends a statement whose rows (if any) stay in the current slot. The
// statement is also handed to the trace sink when one is set.
Status send(const std::string& sql, int64_t* count = nullptr);
// Sends a statement whose rows are kept in `slot`.
Status send_to(const std::string& sql, int slot, int64_t* count);
// The same in the prepared form of its marked values (moves and counts,
// which repeat with other values).
Status send_shaped(const std::string& sql, int64_t* count = nullptr);
Status send_shaped_to(const std::string& sql, int slot, int64_t* count);
// The whole number in row 0, column 0 of the answer; 0 on failure.
int64_t send_number(const std::string& sql);
// Tests watch the statements the access layer sends (nullptr: none).
void statement_trace_set(std::vector<std::string>* sink);

// --- rows -----------------------------------------------------------------------------
// A row of a result as a record of the file's layout: column i-1 into
// field i, each in its stored form.
std::string row_record(uint16_t file, int slot, int row);
// Loads the row into both buffers.
Status load_row(uint16_t file, int slot, int row);
Status load_record(uint16_t file, const std::string& record);
std::string record_key(uint16_t file, uint16_t key, const std::string& record);

// --- moves ---------------------------------------------------------------------------
// After a landing on a row of the current slot: whether the key value of
// that record is shared by other rows (`next_row` is the row after it in
// the same answer, or -1), and if so the scroll cursor over the run is
// opened and fetched from (the last row of the run when `from_last`).
Status settle_run(uint16_t file, int next_row, bool from_last);

// --- cursors ---------------------------------------------------------------------------
void cursor_close(uint16_t file);
// Declares the cursor over the rows whose current key equals the value and
// fetches its first (or last) row into the buffers.
Status cursor_open(uint16_t file, const std::string& key_value, bool last);
// FETCH in the direction of the navigation code: 0 and the row loaded, or
// 2 with the cursor closed when there is no row.
Status cursor_fetch(uint16_t file, int code);
// "curs_n".
std::string cursor_name(int n);
// Declares the cursor again (after the rows of its run changed) and puts
// it on the row equal to `record`, or, when that row left the run, on the
// row before where it was. Reposition closes the old cursor first;
// redeclare expects it closed.
Status cursor_reposition(uint16_t file, const std::string& record);
Status cursor_redeclare(uint16_t file, const std::string& record);
// Opens a cursor over the run of the key value again, standing on the row
// equal to `record` (state restore of local calls).
Status cursor_resume(uint16_t file, const std::string& key_value, const std::string& record);
// After the connection to the server was made again: the runs of equal keys
// the files walked are declared again at the records they stood on (the
// server forgot its cursors), and a write under way is marked lost.
void connection_renewed();
// Save (set list) or delete of the current record inside its run, through
// a FOR UPDATE cursor that finds the row equal to the record as read.
Status run_write(uint16_t file, const std::string& set, bool del);

// --- read-ahead of next moves (data/access_ahead.cpp) -----------------------------
// Serves a next move from the rows read ahead when the walk may be served
// (*st is the move's status); false when the move is to be sent.
bool ahead_serve(uint16_t file, Status* st);
// After a move by SELECT: a next move counts towards reading ahead, any
// other move drops what was read.
void ahead_note(uint16_t file, int code, Status st);
void ahead_drop(uint16_t file);

// --- blocks ----------------------------------------------------------------------------
void block_release(uint16_t file);

}  // namespace data::internal
