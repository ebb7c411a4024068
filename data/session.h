// The SQL session: the runtime's one link to PostgreSQL (libpq).
//
// Eight session slots (0 to 7) each hold a connection handle and a result
// handle; several slots may share a connection, so that a result set stays
// readable while other statements run on the same connection. The current
// slot is status word 16 (_SQLSTK); the current connection and result are
// those of the current slot.
//
// Every statement of the runtime goes through sql_exec. Text values written
// into SQL go through sql_literal, which escapes quotes and backslashes so
// that a value reaches the server exactly as typed and can never change the
// statement.
//
// Encoding: the runtime's texts are Windows-1252 bytes. Every connection
// asks the server for the client encoding WIN1252, so statements, values
// and server messages are converted by the server, whatever the database's
// own encoding (UTF8, WIN1252, ...). The five bytes Windows-1252 leaves
// undefined (81, 8D, 8F, 90, 9D) cannot be stored in a UTF8 database.
//
// Connection values: host, database, user and password are written into
// the libpq connection string quoted and escaped by libpq's rules, so any
// character may appear in them. An empty host or password is left out, so
// that libpq's own defaults apply (PGHOST, PGPORT, ~/.pgpass ...); the port
// comes from PGPORT or the service file, as in every libpq program.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace data {

using core::Status;
using core::Text;
using core::operator""_t;

inline constexpr int kSessionSlots = 8;
// Bit of status word 20 (_COMPAT) set while a session is open.
inline constexpr int16_t kSessionOpenBit = 256;

// Open flags (added together).
inline constexpr int kOpenTables = 1;   // build the dictionary: tables only
inline constexpr int kOpenColumns = 2;  // build the dictionary: tables, columns and keys
inline constexpr int kOpenAdmin = 4;    // remembered log-in in "sqladmprm.dat"

inline constexpr Text kParamFileName = "sqlparams.dat"_t;
inline constexpr Text kUserLoginFile = "sqlusrprm.dat"_t;
inline constexpr Text kAdminLoginFile = "sqladmprm.dat"_t;

// Status of a SELECT that returned no rows.
inline constexpr Status kNoRows = 2;

// --- the log-in form -----------------------------------------------------------
// The window layer shows the log-in form through this hook: an Accept form
// titled `title` with the field list `fields` (message 0091 filled
// with the remembered values). `reason` tells why it is shown (the cleaned
// server message of the failed attempt; empty the first time).
//
// The answer: code non-zero when the form failed or was cancelled (122),
// which ends the log-in with that code. Otherwise confirmed tells whether it
// was closed with a confirming command; values are then the typed values as
// a comma list, each quoted with "'" (host, database, user, password,
// remember flag), and must stay valid until the hook is called again or the
// log-in ends. A form closed any other way ends the log-in with 0 and no
// connection.
struct LoginAnswer {
  Status code = 0;
  bool confirmed = false;
  Text values{};
};
using LoginHook = LoginAnswer (*)(Text title, Text fields, Text reason);
// Process-wide, so the window layer may install it before the data layer's
// context exists. nullptr removes it: with no form to show, a failed log-in
// ends with the failure's code.
void login_hook_set(LoginHook hook);

// What the data layer asks of the layers above it.
struct Hooks {
  LoginHook login = nullptr;  // the log-in form
};
void hooks_install(const Hooks& hooks);

// Flags of the form-text builder.
inline constexpr int kFormReadFile = 1;     // text is a file name: read its content first
inline constexpr int kFormLogin = 2;        // message 0091 with fields 1 to 4
inline constexpr int kFormAdminDb = 4;      // message 0092 with field 1
inline constexpr int kFormAdminServer = 8;  // message 0093 with field 1
// The field list of a log-in form, each "%s" of the message filled
// with a field of the connection list as it stands (a missing file reads as
// an empty text). An arena text.
Text login_form_text(Text text, int flags);

// --- opening and closing ---------------------------------------------------------
// Opens the session from a source: a connection list (four or more comma
// fields: host, database, user, password, remember flag) or the name of a
// parameter file ("sqlparams.dat" when empty is meant, see below). When
// that fails with SQLERROR the log-in form is shown, pre-filled from the
// remembered log-in file, and shown again after every failed attempt.
//
// A parameter-file source: when the command line holds a non-empty
// `sqlhost` option, the options sqlhost, database, user and passw are the
// values; otherwise the file is searched as given and then in the
// definition folders, and its keys sqlhost, database, user and passw (key
// syntax of the definition files, values keep their case) are the values.
// A file that cannot be found or read: SQLERROR with its name as detail.
//
// A connection list whose fifth field is a non-zero number is first written
// as the whole content of the remembered log-in file ("sqladmprm.dat" with
// kOpenAdmin, else "sqlusrprm.dat"; readable by its owner only); a failed
// write is FILEIO and no connection. On success the list used is stored in
// slot 11 of group 0 (slot 12 when 11 is taken).
[[nodiscard]] Status session_open(Text source, int flags);

// Opens one connection in the current slot, or in the first free slot when
// the current one is taken (OUTOFMEMORY when none is free). An empty user
// is "guest"; an empty database connects at server level and builds no
// dictionary. On failure: SQLERROR recorded at (SQLCONNECT), the cleaned
// server message as detail text, the slot cleared and the current slot
// stepped back. On success bit 256 of status word 20 is set and, with
// kOpenTables or kOpenColumns, a database and an empty dictionary, the
// dictionary is built from the catalogue (its code is the result).
[[nodiscard]] Status sql_connect(Text host, Text database, Text user, Text password, int flags);

// Finishes the current connection (clearing every slot that shares it) and
// steps the current slot back to the previous slot that still holds a
// connection. Bit 256 of status word 20 is cleared when none is left.
// Always 0.
Status session_close();

// What start-up's phases call: open from "sqlparams.dat" with the columns
// and keys of the catalogue, and close at shutdown.
[[nodiscard]] Status session_phase_open();
Status session_phase_close();

bool session_connected();    // the current slot holds a connection
int session_current_slot();  // status word 16, read as 0 when out of range

// --- statements -------------------------------------------------------------------
// Sends a statement on the current connection. `slot` is the slot to keep
// a result of rows in, or -1 to choose: the base slot of the connection for
// one row, a slot of its own for several. Codes:
//   0          a command, or rows (kept in the chosen slot, which becomes current)
//   kNoRows    a SELECT without rows (the slots stay as they are)
//   DATAOUTBOUND  no slot for the rows (they are dropped)
//   DUPLICATEDATA a unique violation (SQLSTATE 23505)
//   PERMISSION a statement the user's rights do not allow (SQLSTATE 42501)
//   SQLERROR   every other failure, also no connection or a statement that
//              holds a NUL byte
// A failure is recorded at (SQLEXEC) with the cleaned server message and
// the statement as detail text. *count (when given) receives the rows
// affected by a command or the rows returned. An error value as statement
// is its own code and nothing is sent. The statement is traced in the
// application log (_TRACE bit 4 success, bit 2 failure).
[[nodiscard]] Status sql_exec(Text statement, int slot, int64_t* count);
[[nodiscard]] Status sql_exec_simple(Text statement);
// The same statement sent in a prepared form: `shape` is the statement with
// $1 .. $n in place of its n values, prepared once on the connection and
// kept (up to 256 shapes; beyond them, and for a value or shape that holds
// a NUL byte, the statement is sent as it is). The values are texts the
// server reads as the types their places ask for. `statement` is the whole
// statement with its values written in: it is what the trace log shows and
// what a failure names. Codes, slots and counts as sql_exec.
[[nodiscard]] Status sql_exec_shaped(Text statement, Text shape, int n, const Text* values, int slot,
                                     int64_t* count);
// Runs the statement in a fresh slot and reads row 0, column 0 as a whole
// number; the slot's result is released and the current slot restored.
// Any failure reads as 0.
int64_t sql_exec_number(Text statement);

// Results. A slot from 0 to 7 first becomes current; -1 keeps the current
// slot. The text is a view into the result: valid until that slot's result
// is released or replaced. Empty for a cell outside the result, for NULL,
// and with no result.
Text sql_value(int row, int column, int slot);
// The column number of a column name (matched exactly) in the result of a
// slot (-1: the current one), -1 when absent.
int sql_column(Text name, int slot);
int64_t sql_row_count(int slot);
void sql_release(int slot);
// The SQLSTATE of the last statement the server refused ("40P01" a
// deadlock, "40001" a serialization failure ...); empty when the last
// failure had none (a lost connection). A view, valid until the next failure.
Text sql_failure_state();
// True while the current connection is inside a transaction block (also
// one that failed and waits for its end).
bool sql_in_transaction();

// The SQL literal of a text value: 'value' when it holds no quote and no
// backslash, else E'...' with ' as \x27, " as \x22 and \ as \\.
// An arena text.
Text sql_literal(Text value);
// The tables of schema public in creation order, as a comma list (a name
// holding a comma or a quote is quoted); empty on failure. An arena text.
Text sql_table_list();
// --- administration statements ------------------------------------------------------
// A name (a role, a table, a database) as an SQL identifier: in double
// quotes with every double quote doubled (libpq's PQescapeIdentifier on the
// current connection, the same rule without one), so that no name can end
// the identifier early. An arena text.
Text sql_identifier(Text name);
// The SQL literal of a role's password as the server keeps it: its
// SCRAM-SHA-256 verifier, computed on this side by libpq
// (PQencryptPasswordConn), so that the password itself never travels in a
// statement, the server's statement log or the runtime's SQL trace.
// SQLERROR (recorded, with libpq's reason) without a connection or when
// libpq cannot compute it. An arena text or the error value.
Text sql_password_literal(Text role, Text password);
// Writes a remembered log-in file ("sqladmprm.dat" with kOpenAdmin, else
// "sqlusrprm.dat") whole, readable and writable by its owner only. FILEIO
// when it cannot be written.
[[nodiscard]] Status login_file_save(int flags, Text content);

// A server message made fit to show: text in UTF-8 is turned into
// Windows-1252 (characters it lacks become "?"), guillemets become straight
// double quotes, and trailing line ends, blanks and sentence punctuation
// are removed. An arena text.
Text sql_message_clean(Text message);

}  // namespace data
