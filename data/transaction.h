// One user action's writes commit together or not at all: a record with
// every write its rules make (other files' totals, counts, balances), and
// later a document with its lines.
//
//   write_begin()            opens the transaction, notes where every file stands
//     ... the writes, the rules, a rule's own record operations ...
//   write_end(result)        commits, or rolls back and puts every file back
//
// Calls nest: a record operation that a rule runs (FILELOCATE in a rule)
// joins the transaction of the write that ran the rule, and only the
// outermost write_end commits. When the application has a transaction of
// its own open, the writes run inside a savepoint of it, and a failure
// rolls back to the savepoint only.
#pragma once

#include "core/status.h"

namespace data {

using core::Status;

// Opens the transaction (BEGIN, or SAVEPOINT inside the application's own)
// at the outermost call and notes the position and both record buffers of
// every open data file. The server's error when the statement fails; 0
// without a session (nothing is sent then).
[[nodiscard]] Status write_begin();

// Ends what write_begin began. An inner call only passes `result` on. At
// the outermost call, a result below 5 (written, or nothing to write)
// commits, and a failing COMMIT is the result; any other result rolls back
// every statement since write_begin, and every data file is put back as it
// stood then: its key, its status, the run of equal keys it walked and its
// record buffers, so a window still shows what the user typed. Returns the
// result.
[[nodiscard]] Status write_end(Status result);

// True between the outermost write_begin and its write_end.
bool write_open();

}  // namespace data
