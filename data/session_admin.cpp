// What administration statements need of libpq: identifiers quoted by its
// rules, passwords sent as their SCRAM verifiers, and the remembered
// administration log-in.
#include <libpq-fe.h>

#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "data/internal/access.h"
#include "data/internal/session.h"
#include "data/session.h"

namespace data {

Text sql_identifier(Text name) {
  if (!name.ok()) return name;
  PGconn* conn = internal::current_conn();
  std::string_view bytes = core::text_bytes(name);
  if (conn != nullptr) {
    char* quoted = PQescapeIdentifier(conn, bytes.data(), bytes.size());
    if (quoted != nullptr) {
      Text out = core::arena_text(quoted);
      PQfreemem(quoted);
      return out;
    }
  }
  return core::arena_text(internal::quote_ident(bytes));
}

Text sql_password_literal(Text role, Text password) {
  for (Text t : {role, password})
    if (!t.ok()) return t;
  PGconn* conn = internal::current_conn();
  auto refused = [](Text why) {
    core::error_record(core::kRecord, core::Context::SQLEXEC, core::SQLERROR, core::SQLERROR);
    core::report_detail(core::SQLERROR, why, false);
    return core::text_error_value(core::SQLERROR);
  };
  if (conn == nullptr) return refused("no database connection"_t);
  std::string user(core::text_bytes(role));
  std::string secret(core::text_bytes(password));
  if (user.find('\0') != std::string::npos || secret.find('\0') != std::string::npos)
    return refused("a name or password holds a NUL byte"_t);
  char* verifier = PQencryptPasswordConn(conn, secret.c_str(), user.c_str(), "scram-sha-256");
  // The copy of the password is not left behind in freed memory.
  for (char& c : secret) c = '\0';
  if (verifier == nullptr) return refused(sql_message_clean(core::text_from_c(PQerrorMessage(conn))));
  char* literal = PQescapeLiteral(conn, verifier, std::char_traits<char>::length(verifier));
  PQfreemem(verifier);
  if (literal == nullptr) return refused(sql_message_clean(core::text_from_c(PQerrorMessage(conn))));
  Text out = core::arena_text(literal);
  PQfreemem(literal);
  return out;
}

Status login_file_save(int flags, Text content) {
  return internal::login_file_write((flags & kOpenAdmin) != 0 ? kAdminLoginFile : kUserLoginFile, content);
}

}  // namespace data
