// Statements and results: the one path by which SQL reaches the server,
// the choice of the slot that keeps a result, and the result accessors.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/internal/access_run.h"
#include "data/internal/catalogue.h"
#include "data/internal/session.h"
#include "data/internal/state.h"
#include "data/session.h"
#include "script/variables.h"

namespace data {

using core::kOk;
using internal::current_conn;
using internal::current_slot;
using internal::SessionSlot;
using internal::set_current_slot;

namespace internal {

int current_slot() {
  int slot = script::var_get_int(core::kSwSqlStk);
  return slot >= 0 && slot < kSessionSlots ? slot : 0;
}

void set_current_slot(int slot) {
  script::var_set_int(core::kSwSqlStk, static_cast<int16_t>(slot));
}

PGconn* current_conn() { return state().slots[current_slot()].conn; }

void slot_release(SessionSlot& slot) {
  if (slot.result != nullptr) PQclear(slot.result);
  slot.result = nullptr;
}

}  // namespace internal

namespace internal {

int slot_search(PGconn* conn) {
  SessionSlot* slots = internal::state().slots;
  for (int i = 1; i < kSessionSlots; ++i) {
    if ((slots[i].conn == conn || slots[i].conn == nullptr) && slots[i].result == nullptr) {
      slots[i].conn = conn;
      return i;
    }
  }
  return -1;
}

}  // namespace internal

namespace {

using internal::slot_search;

// The slot that keeps a result of n rows: the target, or for one row the
// lowest slot of the same connection, or a fresh slot. -1 when none fits.
int result_slot(PGconn* conn, int target, int64_t rows) {
  SessionSlot* slots = internal::state().slots;
  if (target != -1) {
    if (target < 0 || target >= kSessionSlots) return -1;
    if (slots[target].conn != nullptr && slots[target].conn != conn) return -1;
    slots[target].conn = conn;
    return target;
  }
  if (rows == 1) {
    int current = current_slot();
    for (int i = 0; i < current; ++i)
      if (slots[i].conn == conn) return i;
    return current;
  }
  return slot_search(conn);
}

Status fail(Status code, Text message, Text statement) {
  core::error_record(core::kRecord, core::Context::SQLEXEC, code, code);
  core::report_detail(code, sql_message_clean(message), false);
  return core::report_detail(code, statement, true);
}

// The code of a failed result: a unique violation is DUPLICATEDATA, a
// statement the role has no right to is PERMISSION ("Permiso denegado"),
// which says to a user what the server refused in the runtime's words.
Status failure_code(const PGresult* res) {
  const char* state = res != nullptr ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
  if (state == nullptr) return core::SQLERROR;
  if (std::strcmp(state, "23505") == 0) return core::DUPLICATEDATA;
  if (std::strcmp(state, "42501") == 0) return core::PERMISSION;
  return core::SQLERROR;
}

Status take_result(PGconn* conn, PGresult* res, Text statement, int target, int64_t* count);

// The connection broke under a statement (the server restarted or went
// away): it is made again once. True when it is back; the runs of equal
// keys are then declared again and a write under way is marked lost, so
// that nothing of it is taken as written.
bool renewed(PGconn* conn, const PGresult* res) {
  static bool renewing = false;
  if (renewing || PQstatus(conn) != CONNECTION_BAD) return false;
  if (res != nullptr && PQresultStatus(res) != PGRES_FATAL_ERROR) return false;
  PQreset(conn);
  if (PQstatus(conn) != CONNECTION_OK) return false;
  core::log_line("-- the connection to the server was made again"_t, core::kTraceSqlFailed);
  renewing = true;
  internal::connection_renewed();
  renewing = false;
  return true;
}

// Whether the statement starts (after blanks and the characters of
// `skip`) with one of the words, in any letter case.
bool starts_with(const std::string& sql, const char* skip, std::initializer_list<const char*> words) {
  size_t start = sql.find_first_not_of(skip);
  if (start == std::string::npos) return false;
  std::string head = sql.substr(start, 8);
  for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char* word : words)
    if (head.rfind(word, 0) == 0) return true;
  return false;
}

// A statement that only reads, which may be sent again on a renewed
// connection; a write never is.
bool reads_only(const std::string& sql) { return starts_with(sql, " \t\r\n(", {"SELECT", "FETCH", "MOVE"}); }

// Whether a plain statement may have changed rows: anything but the
// scroll cursors' own DECLARE, FETCH, MOVE and CLOSE (a SELECT may call a
// function that writes; a ROLLBACK takes writes back). The keyed moves and
// counts are sent prepared and never change anything.
bool may_change(const std::string& sql) {
  return sql.find_first_not_of(" \t\r\n") != std::string::npos &&
         !starts_with(sql, " \t\r\n", {"FETCH ", "MOVE ", "CLOSE ", "DECLARE "});
}

// A write under way whose connection was lost sends nothing more: what it
// sent before is gone with the old connection, and what came after would
// be written outside its transaction.
bool write_lost() {
  const internal::WriteState& w = internal::access_state().write;
  return w.depth > 0 && w.lost;
}

Status run(Text statement, int target, int64_t* count) {
  PGconn* conn = current_conn();
  std::string sql(core::text_bytes(statement));
  if (may_change(sql)) ++internal::state().changes;
  if (conn == nullptr) return fail(core::SQLERROR, "no database connection"_t, statement);
  if (sql.find('\0') != std::string::npos)
    return fail(core::SQLERROR, "the statement holds a NUL byte"_t, statement);
  // A connection already broken is made again first: nothing of this
  // statement was sent yet.
  if (PQstatus(conn) == CONNECTION_BAD) renewed(conn, nullptr);
  if (write_lost()) return fail(core::SQLERROR, "the connection to the server was lost during the write"_t, statement);

  bool idle = PQtransactionStatus(conn) == PQTRANS_IDLE;
  PGresult* res = PQexec(conn, sql.c_str());
  if (renewed(conn, res) && idle && reads_only(sql)) {
    PQclear(res);
    res = PQexec(conn, sql.c_str());
  }
  return take_result(conn, res, statement, target, count);
}

// A result as sql_exec answers it: the rows kept in a slot, a command's
// count, or the failure recorded.
Status take_result(PGconn* conn, PGresult* res, Text statement, int target, int64_t* count) {
  switch (PQresultStatus(res)) {
    case PGRES_COMMAND_OK:
      if (count != nullptr) *count = std::strtoll(PQcmdTuples(res), nullptr, 10);
      PQclear(res);
      return kOk;
    case PGRES_TUPLES_OK: {
      int64_t rows = PQntuples(res);
      if (count != nullptr) *count = rows;
      if (rows == 0) {
        PQclear(res);
        return kNoRows;
      }
      int slot = result_slot(conn, target, rows);
      if (slot < 0) {
        PQclear(res);
        return fail(core::DATAOUTBOUND, "no free session slot for the result"_t, statement);
      }
      SessionSlot& s = internal::state().slots[slot];
      internal::slot_release(s);
      s.result = res;
      set_current_slot(slot);
      return kOk;
    }
    default: {
      Status code = failure_code(res);
      const char* state = res != nullptr ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
      internal::state().last_failure_state = state != nullptr ? state : "";
      const char* message = res != nullptr ? PQresultErrorMessage(res) : PQerrorMessage(conn);
      Text text = core::text_from_c(message);
      // A result without a message of its own (a lost connection) still has
      // the connection's.
      if (text.len == 0) text = core::text_from_c(PQerrorMessage(conn));
      if (PQstatus(conn) == CONNECTION_BAD) {
        // The server is away: the user is told so in the runtime's words
        // (message 0021) with the client library's first line; the
        // statement goes to the log only.
        core::ArenaScope scope;
        Text first = core::list_field(sql_message_clean(text), '\n', 1);
        Text said = core::text_concat(core::text_concat(core::message_text("0021"_t), ": "_t), first);
        core::error_record(core::kRecord, core::Context::SQLEXEC, code, code);
        core::report_detail(code, core::text_trim(said, core::kTrimRight), false);
      } else {
        fail(code, text, statement);
      }
      PQclear(res);
      return code;
    }
  }
}

// The prepared form of a shape on the current connection: its name, or an
// empty text when it cannot be had (the answer of the failed PREPARE is in
// *failed then). Names are kept per connection and backend, so that a new
// connection prepares again.
std::string prepared_name(PGconn* conn, const std::string& shape, Text statement, int target,
                          int64_t* count, Status* failed) {
  internal::PreparedForms& forms = internal::state().prepared[conn];
  int backend = PQbackendPID(conn);
  if (forms.backend != backend) forms = internal::PreparedForms{backend};
  auto it = forms.names.find(shape);
  if (it != forms.names.end()) return it->second;
  if (forms.names.size() >= internal::kMaxPreparedForms) return std::string{};
  std::string name = "apprun_" + std::to_string(++forms.made);
  PGresult* res = PQprepare(conn, name.c_str(), shape.c_str(), 0, nullptr);
  if (PQresultStatus(res) != PGRES_COMMAND_OK) {
    *failed = take_result(conn, res, statement, target, count);
    return std::string{};
  }
  PQclear(res);
  forms.names.emplace(shape, name);
  return name;
}

// A prepared form the server no longer takes: its tables changed since it
// was prepared (0A000, "cached plan must not change result type"), or it
// is gone (26000). Outside a transaction it can be prepared again.
bool stale_form(PGconn* conn, const PGresult* res) {
  if (PQresultStatus(res) == PGRES_TUPLES_OK || PQresultStatus(res) == PGRES_COMMAND_OK) return false;
  const char* state = res != nullptr ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
  if (state == nullptr || (std::strcmp(state, "0A000") != 0 && std::strcmp(state, "26000") != 0))
    return false;
  return PQtransactionStatus(conn) == PQTRANS_IDLE;
}

Status run_shaped(Text statement, Text shape, int n, const Text* values, int target, int64_t* count) {
  PGconn* conn = current_conn();
  std::string form(core::text_bytes(shape));
  std::vector<std::string> texts;
  bool plain = conn == nullptr || form.find('\0') != std::string::npos;
  for (int i = 0; i < n && !plain; ++i) {
    texts.emplace_back(core::text_bytes(values[i]));
    plain = !values[i].ok() || texts.back().find('\0') != std::string::npos;
  }
  if (plain) return run(statement, target, count);
  if (!reads_only(form)) ++internal::state().changes;  // a write sent prepared
  Status failed = kOk;
  std::string name = prepared_name(conn, form, statement, target, count, &failed);
  if (failed != kOk) return failed;
  if (name.empty()) return run(statement, target, count);
  std::vector<const char*> params;
  for (const std::string& t : texts) params.push_back(t.c_str());
  if (PQstatus(conn) == CONNECTION_BAD || write_lost()) return run(statement, target, count);
  bool idle = PQtransactionStatus(conn) == PQTRANS_IDLE;
  PGresult* res = PQexecPrepared(conn, name.c_str(), n, params.data(), nullptr, nullptr, 0);
  if (renewed(conn, res) && idle) {
    // Moves and counts only read: asked again on the new connection, where
    // the form is prepared afresh.
    PQclear(res);
    name = prepared_name(conn, form, statement, target, count, &failed);
    if (failed != kOk) return failed;
    if (name.empty()) return run(statement, target, count);
    res = PQexecPrepared(conn, name.c_str(), n, params.data(), nullptr, nullptr, 0);
  }
  if (stale_form(conn, res)) {
    // The table changed under the prepared form (or the form is gone): it
    // is prepared afresh, once.
    PQclear(res);
    internal::state().prepared[conn].names.erase(form);
    std::string deallocate = "DEALLOCATE " + name + ";";
    PQclear(PQexec(conn, deallocate.c_str()));
    name = prepared_name(conn, form, statement, target, count, &failed);
    if (failed != kOk) return failed;
    if (name.empty()) return run(statement, target, count);
    res = PQexecPrepared(conn, name.c_str(), n, params.data(), nullptr, nullptr, 0);
  }
  return take_result(conn, res, statement, target, count);
}

int64_t parse_whole(Text t) {
  std::string s(core::text_bytes(t));
  return std::strtoll(s.c_str(), nullptr, 10);
}

}  // namespace

Status sql_exec(Text statement, int slot, int64_t* count) {
  if (count != nullptr) *count = 0;
  if (!statement.ok()) {
    core::log_line(statement, core::kTraceSqlFailed);
    return core::text_error(statement);
  }
  core::ArenaScope scope;
  Status code = run(statement, slot, count);
  core::log_line(statement, code < 3 ? core::kTraceSqlOk : core::kTraceSqlFailed);
  return code;
}

Status sql_exec_simple(Text statement) { return sql_exec(statement, -1, nullptr); }

Status sql_exec_shaped(Text statement, Text shape, int n, const Text* values, int slot,
                       int64_t* count) {
  if (count != nullptr) *count = 0;
  if (!statement.ok() || !shape.ok()) {
    core::log_line(statement, core::kTraceSqlFailed);
    return !statement.ok() ? core::text_error(statement) : core::text_error(shape);
  }
  core::ArenaScope scope;
  Status code = run_shaped(statement, shape, n, values, slot, count);
  core::log_line(statement, code < 3 ? core::kTraceSqlOk : core::kTraceSqlFailed);
  return code;
}

int64_t sql_exec_number(Text statement) {
  PGconn* conn = current_conn();
  if (conn == nullptr || !statement.ok()) return 0;
  int saved = current_slot();
  int slot = slot_search(conn);
  if (slot < 0) return 0;
  int64_t value = 0;
  if (sql_exec(statement, slot, nullptr) == kOk) value = parse_whole(sql_value(0, 0, slot));
  sql_release(slot);
  set_current_slot(saved);
  return value;
}

Text sql_value(int row, int column, int slot) {
  if (slot >= 0 && slot < kSessionSlots) set_current_slot(slot);
  const PGresult* res = internal::state().slots[current_slot()].result;
  if (res == nullptr || row < 0 || column < 0 || row >= PQntuples(res) || column >= PQnfields(res))
    return Text{};
  if (PQgetisnull(res, row, column)) return Text{};
  return core::text_view(PQgetvalue(res, row, column),
                         static_cast<size_t>(PQgetlength(res, row, column)));
}

int sql_column(Text name, int slot) {
  if (slot < 0 || slot >= kSessionSlots) slot = current_slot();
  const PGresult* res = internal::state().slots[slot].result;
  if (res == nullptr || !name.ok()) return -1;
  // Quoted, so that the name is matched exactly as written.
  std::string quoted = "\"";
  for (char c : core::text_bytes(name)) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  quoted += '"';
  return PQfnumber(res, quoted.c_str());
}

int64_t sql_row_count(int slot) {
  if (slot >= 0 && slot < kSessionSlots) set_current_slot(slot);
  const PGresult* res = internal::state().slots[current_slot()].result;
  return res == nullptr ? 0 : PQntuples(res);
}

void sql_release(int slot) {
  if (slot < 0 || slot >= kSessionSlots) slot = current_slot();
  internal::slot_release(internal::state().slots[slot]);
}

Text sql_failure_state() {
  const std::string& s = internal::state().last_failure_state;
  return core::text_view(s.data(), s.size());
}

bool sql_in_transaction() {
  PGconn* conn = current_conn();
  if (conn == nullptr) return false;
  PGTransactionStatusType status = PQtransactionStatus(conn);
  return status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

Text sql_table_list() {
  core::ArenaScope scope;
  int saved = current_slot();
  Status code = sql_exec(internal::kTableQuery, -1, nullptr);
  if (code != kOk) return Text{};
  int slot = current_slot();
  int column = sql_column("table_name"_t, slot);
  std::string list;
  for (int64_t row = 0, n = sql_row_count(slot); row < n; ++row) {
    Text name = sql_value(static_cast<int>(row), column, slot);
    if (!list.empty()) list += ',';
    std::string_view v = core::text_bytes(name);
    if (v.find_first_of(",'\"") == std::string_view::npos) {
      list += v;
    } else {
      list += core::text_bytes(core::text_quote(name, v.find('\'') == std::string_view::npos ? '\'' : '"'));
    }
  }
  sql_release(slot);
  set_current_slot(saved);
  return scope.keep(core::arena_text(list));
}

}  // namespace data
