// Pieces the session's implementation files share. Only the data layer's
// own implementation files include this.
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"
#include "data/internal/common.h"
#include "data/internal/state.h"

namespace data::internal {

// The current slot: status word 16, read as 0 when out of range.
int current_slot();
void set_current_slot(int slot);
PGconn* current_conn();
// A new result slot: from slot 1 on, the first that holds the connection
// or none and no result; it is given the connection. -1 when there is none.
int slot_search(PGconn* conn);
// Releases a slot's result.
void slot_release(SessionSlot& slot);
// While the current slot is above 0 and holds no connection, steps back.
void step_back();

// One value of a libpq connection string: quoted, with \ and ' escaped.
std::string conninfo_value(std::string_view value);
// The connection string for the four values (see session.h).
std::string conninfo_build(std::string_view host, std::string_view database, std::string_view user,
                           std::string_view password);

// Reads, at log-in, the remembered list; writes it readable by its owner only.
core::Text login_file_read(core::Text name);
[[nodiscard]] core::Status login_file_write(core::Text name, core::Text content);

}  // namespace data::internal
