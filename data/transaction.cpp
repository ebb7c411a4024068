// The transaction of one user action's writes, and the file positions put
// back when it is rolled back.
#include "data/transaction.h"

#include <libpq-fe.h>

#include <set>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/internal/access.h"
#include "data/internal/access_run.h"
#include "data/internal/session.h"
#include "data/internal/state.h"
#include "data/records.h"
#include "data/session.h"

namespace data {

using core::kOk;
using internal::access_state;
using internal::file_ctrl;

namespace {

constexpr const char* kSavepoint = "apprun_write";

// The cursors the server still holds: a rollback drops those declared
// since the transaction began, and keeps the others where their last
// fetch left them.
std::set<std::string> live_cursors() {
  std::set<std::string> names;
  int64_t rows = 0;
  if (internal::send("SELECT name FROM pg_cursors;", &rows) != kOk) return names;
  int slot = internal::current_slot();
  for (int64_t row = 0; row < rows; ++row)
    names.emplace(core::text_bytes(sql_value(static_cast<int>(row), 0, slot)));
  sql_release(slot);
  return names;
}

// After a rollback: every run of equal keys is read again, and every file
// stands where it stood when the transaction began.
void put_back(const std::vector<internal::SavedPosition>& saved) {
  internal::AccessState& s = access_state();
  std::set<std::string> live = live_cursors();
  for (uint16_t file = 1; file <= dict_file_count(); ++file) {
    internal::FileCtrl& ctrl = file_ctrl(file);
    internal::block_release(file);
    if (ctrl.cursor < 0) continue;
    std::string name = internal::cursor_name(ctrl.cursor);
    if (live.count(name) != 0) static_cast<void>(internal::send("CLOSE " + name + ";"));
    s.cursor_owner[ctrl.cursor] = 0;
    ctrl.cursor = -1;
    ctrl.cursor_row = 0;
    ctrl.cursor_key.clear();
  }
  for (const internal::SavedPosition& p : saved) internal::position_restore(p);
}

}  // namespace

bool write_open() { return access_state().write.depth > 0; }

Status write_begin() {
  internal::WriteState& w = access_state().write;
  if (w.depth++ > 0) return kOk;
  w.saved.clear();
  w.savepoint = false;
  w.began = false;
  if (internal::current_conn() == nullptr) return kOk;
  // What failed before this write is not its failure.
  internal::state().last_failure_state.clear();
  for (uint16_t file = 1; file <= dict_file_count(); ++file)
    if (buffer_is_open(file)) w.saved.push_back(internal::position_of(file));
  w.savepoint = sql_in_transaction();
  Status code = internal::send(w.savepoint ? std::string("SAVEPOINT ") + kSavepoint + ";" : "BEGIN;");
  w.began = code == kOk;
  return code;
}

Status write_end(Status result) {
  internal::WriteState& w = access_state().write;
  if (w.depth == 0) return result;
  if (--w.depth > 0) return result;
  if (!w.began) {
    w.lost = false;
    return result;
  }
  w.began = false;
  std::vector<internal::SavedPosition> saved = std::move(w.saved);
  w.saved.clear();
  if (w.lost) {
    // The connection broke and was made again meanwhile: the server rolled
    // back what the write had sent, so the write failed whatever it answered.
    w.lost = false;
    if (result < kStatusBadKey) {
      core::error_record(core::kRecord, core::Context::SQLEXEC, core::SQLERROR, core::SQLERROR);
      result = core::report_detail(core::SQLERROR, "the connection to the server was lost during the write"_t, false);
    }
  }
  PGconn* conn = internal::current_conn();
  if (result < kStatusBadKey && conn != nullptr && PQtransactionStatus(conn) == PQTRANS_INERROR) {
    // A statement of the transaction failed although nobody reported it:
    // a COMMIT now would roll back and answer as if it had written.
    core::ErrorRecord last = core::error_last();
    result = last.code >= 128 ? last.code : core::SQLERROR;
  }
  if (result < kStatusBadKey) {
    Status code = kOk;
    if (w.savepoint) code = internal::send(std::string("RELEASE SAVEPOINT ") + kSavepoint + ";");
    if (code == kOk) code = internal::send("COMMIT;");
    if (code == kOk) return result;
    // The server refused the COMMIT (a deferred constraint): it rolled
    // everything back itself.
    result = code;
  } else if (w.savepoint) {
    static_cast<void>(internal::send(std::string("ROLLBACK TO SAVEPOINT ") + kSavepoint + ";"));
    static_cast<void>(internal::send(std::string("RELEASE SAVEPOINT ") + kSavepoint + ";"));
  } else if (sql_in_transaction()) {
    static_cast<void>(internal::send("ROLLBACK;"));
  }
  put_back(saved);
  return result;
}

}  // namespace data
