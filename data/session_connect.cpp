// Opening and closing connections in the session slots.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "data/dictionary.h"
#include "data/internal/session.h"
#include "data/session.h"
#include "script/variables.h"

namespace data {

using core::kOk;
using internal::current_slot;
using internal::SessionSlot;

namespace internal {

void step_back() {
  int slot = current_slot();
  while (slot > 0 && state().slots[slot].conn == nullptr) --slot;
  set_current_slot(slot);
}

}  // namespace internal

namespace {

bool any_connection() {
  for (const SessionSlot& s : internal::state().slots)
    if (s.conn != nullptr) return true;
  return false;
}

void set_open_bit(bool open) {
  auto word = static_cast<uint16_t>(script::var_get_int(core::kSwCompat));
  word = open ? static_cast<uint16_t>(word | kSessionOpenBit)
              : static_cast<uint16_t>(word & ~kSessionOpenBit);
  script::var_set_int(core::kSwCompat, static_cast<int16_t>(word));
}

// Finishes a connection and clears every slot that holds it, with its result.
void finish(PGconn* conn) {
  for (SessionSlot& s : internal::state().slots) {
    if (s.conn != conn) continue;
    internal::slot_release(s);
    s.conn = nullptr;
  }
  PQfinish(conn);
}

}  // namespace

bool session_connected() { return internal::current_conn() != nullptr; }

int session_current_slot() { return current_slot(); }

Status sql_connect(Text host, Text database, Text user, Text password, int flags) {
  for (Text t : {host, database, user, password})
    if (!t.ok()) return core::text_error(t);
  if (user.len == 0) user = "guest"_t;

  SessionSlot* slots = internal::state().slots;
  int slot = current_slot();
  if (slots[slot].conn != nullptr) {
    slot = -1;
    for (int i = 0; i < kSessionSlots && slot < 0; ++i)
      if (slots[i].conn == nullptr) slot = i;
    if (slot < 0) return core::OUTOFMEMORY;
    internal::set_current_slot(slot);
  }

  std::string info =
      internal::conninfo_build(core::text_bytes(host), core::text_bytes(database), core::text_bytes(user), core::text_bytes(password));
  PGconn* conn = PQconnectdb(info.c_str());
  internal::slot_release(slots[slot]);
  slots[slot].conn = conn;
  if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
    core::ArenaScope scope;
    Text message = conn != nullptr ? core::text_from_c(PQerrorMessage(conn))
                                   : "out of memory for the connection"_t;
    core::error_record(core::kRecord, core::Context::SQLCONNECT, core::SQLERROR, 0);
    core::report_detail(core::SQLERROR, sql_message_clean(message), false);
    if (conn != nullptr) PQfinish(conn);
    slots[slot].conn = nullptr;
    internal::step_back();
    return core::SQLERROR;
  }
  set_open_bit(true);
  if ((flags & (kOpenTables | kOpenColumns)) != 0 && database.len != 0 && dict_file_count() == 0)
    return dict_build_from_catalogue(flags);
  return kOk;
}

Status session_close() {
  PGconn* conn = internal::current_conn();
  if (conn != nullptr) finish(conn);
  internal::step_back();
  if (!any_connection()) set_open_bit(false);
  return kOk;
}

Status session_phase_close() { return session_close(); }

}  // namespace data
