// Table rights within a company's database.
#include "admin/server.h"
#include "admin/statements.h"

namespace admin {

Status set_permission(std::string_view role, std::string_view table, char was, char now) {
  if (was == now) return 0;
  if (Status st = admin_exec(sql_revoke_table(table, role)); st != 0) return st;
  if (now == kNone) return 0;
  return admin_exec(sql_grant_table(table, role, now == kWrite));
}

Status remove_rights(std::string_view role) {
  for (const std::string& table : table_list()) {
    if (Status st = admin_exec(sql_revoke_table(table, role)); st != 0) return st;
  }
  return 0;
}

Status company_rights(std::string_view owner) {
  for (const std::string& table : table_list()) {
    if (Status st = admin_exec(sql_table_owner(table, owner)); st != 0) return st;
    for (int g = 1; g <= kGroupCount; ++g) {
      if (Status st = admin_exec(sql_grant_table(table, group_name(g), g <= 2)); st != 0) return st;
    }
  }
  return 0;
}

}  // namespace admin
