// The database side of an installation: the administration connection,
// and the roles, grants, databases, tables and indexes that follow from
// appcontrol's lists. Every statement goes through the session's one path
// (data::sql_exec) on the administration connection, so that the trace
// log (bit 4 of _TRACE) shows what was sent; no statement holds a password
// (see statements.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"
#include "core/text.h"

namespace admin {

using core::Status;
using core::operator""_t;

// --- the administration connection ----------------------------------------------
// Host, user and password of the administration log-in, kept in group 10
// of the slot store (slots 1, 3, 4) once a log-in succeeded.
struct Login {
  std::string host;
  std::string user;
  std::string password;
};
Login login_kept();
[[nodiscard]] Status login_keep(const Login& login);
void login_forget();

// Connects to `database` (empty: the server's maintenance database
// "postgres") with the kept values; when none are kept, the log-in form
// (message 0093, titled with message 0090, the host remembered in
// "sqladmprm.dat" as its default) asks for them. On success the host is
// written to "sqladmprm.dat" (readable by its owner only, no password) and
// the values are kept. CANCELLED when the form was closed without values
// (nothing done), NOVALUE when a value is missing, SQLERROR when the server
// refused (with its message).
[[nodiscard]] Status admin_login(std::string_view database);
// Connects with the given values (no form) and keeps them on success.
[[nodiscard]] Status admin_connect(const Login& login, std::string_view database);

// The administration connection of one operation: logged in when made,
// closed when it goes.
class AdminSession {
 public:
  explicit AdminSession(std::string_view database);
  ~AdminSession();
  AdminSession(const AdminSession&) = delete;
  AdminSession& operator=(const AdminSession&) = delete;
  Status status() const { return status_; }

 private:
  Status status_ = 0;
};

// Sends one statement on the current connection: 0, or the session's code
// (recorded with the server message and the statement).
[[nodiscard]] Status admin_exec(const std::string& sql);
// The tables of the current connection's database, in creation order.
std::vector<std::string> table_list();

// --- roles (server level) -------------------------------------------------------
[[nodiscard]] Status create_groups();
// The user's role with its password, in group usuarios.
[[nodiscard]] Status create_user(std::string_view user, std::string_view password);
[[nodiscard]] Status change_group(std::string_view user, std::string_view old_group, std::string_view new_group);
// NOVALUE (nothing sent) when the password differs from its repetition.
[[nodiscard]] Status change_password(std::string_view user, std::string_view password,
                                     std::string_view repetition);
[[nodiscard]] Status drop_role(std::string_view role);

// --- table rights (on a company's database) ---------------------------------------
// From letter `was` to letter `now` (N, L, E): nothing when equal; else every
// right revoked, and SELECT (with UPDATE, INSERT, DELETE for E) granted
// unless now is N.
[[nodiscard]] Status set_permission(std::string_view role, std::string_view table, char was, char now);
// Every right of the role on every table revoked.
[[nodiscard]] Status remove_rights(std::string_view role);
// A new company's tables owned by `owner` and granted to the four groups.
[[nodiscard]] Status company_rights(std::string_view owner);

// --- company databases --------------------------------------------------------------
inline constexpr int kGoOnAfterFailure = 1;  // do not ask (message 0039) after a failed table or index
inline constexpr int kNoResultBox = 2;       // do not show the result
struct CompanyRequest {
  std::string host;
  std::string database;
  std::string user;
  std::string password;
  std::string script;  // a file of statements ("-->exec" ends each); empty: none
  std::string log;     // the incident log; empty: none
  int flags = 0;
};
// The database (made when it cannot be connected to: WIN1252, else UTF8,
// with the procedural language when it lacks it), a table per data file of
// the loaded dictionary with the index of each key, then the script. Every
// statement that succeeded goes to the log, every failure as "------- "
// and its text. 0; UNDEFWARN (124) when some table or index failed and the
// user went on; else the code that stopped it (NOVALUE for a missing
// value or a database that could not be made).
[[nodiscard]] Status create_company_database(const CompanyRequest& request);
// The table of a data file, owned by `owner`, and the index of each key
// (data::access_index_definition). With a log, what was sent goes there.
[[nodiscard]] Status create_table(uint16_t file, std::string_view owner, const std::string& log);
[[nodiscard]] Status create_indexes(uint16_t file, const std::string& log);
// The statements of a script file, each sent when a line holding "-->exec"
// ends it (lines starting with "-" are comments); a failure is logged and
// the next one is tried. The count of failures.
int run_script(const std::string& path, const std::string& log);

// Appends to an incident log (nothing when empty).
void log_append(const std::string& log, std::string_view text);

}  // namespace admin
