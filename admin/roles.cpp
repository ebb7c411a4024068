// Roles: the four groups, users with their passwords, group changes.
#include "admin/server.h"
#include "admin/statements.h"
#include "core/arena.h"
#include "core/errors.h"
#include "data/session.h"

namespace admin {

namespace {

// The statement with the password's verifier in it (see statements.h).
template <typename Build>
Status with_password(std::string_view user, std::string_view password, Build build) {
  core::ArenaScope scope;
  core::Text literal = data::sql_password_literal(core::text_view(user), core::text_view(password));
  if (!literal.ok()) return core::text_error(literal);
  return admin_exec(build(core::text_bytes(literal)));
}

}  // namespace

// Groups that exist already (made for another installation on the same
// server) are left as they are.
Status create_groups() {
  for (int g = 1; g <= kGroupCount; ++g) {
    core::ArenaScope scope;
    if (data::sql_exec_number(core::text_view(sql_role_present(group_name(g)))) == 1) continue;
    if (Status st = admin_exec(sql_create_group(group_name(g))); st != 0) return st;
  }
  return 0;
}

// The role and its group in one transaction: a user the server refuses to
// put in the group is not left behind without one.
Status create_user(std::string_view user, std::string_view password) {
  Status st = admin_exec("BEGIN;");
  if (st == 0)
    st = with_password(user, password, [&](std::string_view literal) { return sql_create_user(user, literal); });
  if (st == 0) st = admin_exec(sql_grant_group(group_name(1), user));
  if (st == 0) return admin_exec("COMMIT;");
  (void)admin_exec("ROLLBACK;");
  return st;
}

Status change_group(std::string_view user, std::string_view old_group, std::string_view new_group) {
  if (old_group == new_group) return 0;
  if (!old_group.empty()) {
    if (Status st = admin_exec(sql_revoke_group(old_group, user)); st != 0) return st;
  }
  return admin_exec(sql_grant_group(new_group, user));
}

Status change_password(std::string_view user, std::string_view password, std::string_view repetition) {
  if (password != repetition) {
    core::error_record(core::kRecord, core::Context::None, core::NOVALUE, core::NOVALUE);
    return core::report_detail(core::NOVALUE, "Repeticion de contrase\xF1" "a"_t, false);
  }
  return with_password(user, password, [&](std::string_view literal) { return sql_alter_password(user, literal); });
}

Status drop_role(std::string_view role) { return admin_exec(sql_drop_role(role)); }

}  // namespace admin
