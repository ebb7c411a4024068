// The administration statements.
#include "admin/statements.h"

#include "core/arena.h"
#include "data/dictionary.h"
#include "data/session.h"

namespace admin {

namespace {

std::string ident(std::string_view name) {
  core::ArenaScope scope;
  return core::text_str(data::sql_identifier(core::text_view(name)));
}

std::string literal(std::string_view value) {
  core::ArenaScope scope;
  return core::text_str(data::sql_literal(core::text_view(value)));
}

// A role as grants name it: "GROUP " before one of the four groups.
std::string grantee(std::string_view role) {
  return (group_position(role) != 0 ? "GROUP " : "") + ident(role);
}

constexpr const char* kRoleOptions = " NOSUPERUSER INHERIT NOCREATEDB NOCREATEROLE;";

}  // namespace

int group_position(std::string_view name) {
  core::ArenaScope scope;
  return core::list_index(kGroups, ',', core::text_view(name));
}

std::string group_name(int position) {
  core::ArenaScope scope;
  return core::text_str(core::list_field(kGroups, ',', static_cast<uint16_t>(position)));
}

std::string sql_create_group(std::string_view group) {
  return "CREATE ROLE " + ident(group) + kRoleOptions;
}

std::string sql_create_user(std::string_view user, std::string_view password_literal) {
  return "CREATE ROLE " + ident(user) + " LOGIN PASSWORD " + std::string(password_literal) + kRoleOptions;
}

std::string sql_grant_group(std::string_view group, std::string_view user) {
  return "GRANT " + ident(group) + " TO " + ident(user) + ";";
}

std::string sql_revoke_group(std::string_view group, std::string_view user) {
  return "REVOKE " + ident(group) + " FROM " + ident(user) + ";";
}

std::string sql_alter_password(std::string_view user, std::string_view password_literal) {
  return "ALTER ROLE " + ident(user) + " PASSWORD " + std::string(password_literal) + ";";
}

std::string sql_drop_role(std::string_view role) { return "DROP ROLE " + ident(role) + ";"; }

std::string sql_role_present(std::string_view role) {
  return "SELECT 1 FROM pg_roles WHERE rolname = " + literal(role) + ";";
}

std::string sql_revoke_table(std::string_view table, std::string_view role) {
  return "REVOKE ALL ON TABLE " + ident(table) + " FROM " + grantee(role) + ";";
}

std::string sql_grant_table(std::string_view table, std::string_view role, bool write) {
  return std::string("GRANT SELECT") + (write ? ", UPDATE, INSERT, DELETE" : "") + " ON TABLE " + ident(table) +
         " TO " + grantee(role) + ";";
}

std::string sql_table_owner(std::string_view table, std::string_view owner) {
  return "ALTER TABLE " + ident(table) + " OWNER TO " + ident(owner) + ";";
}

std::string sql_create_database(std::string_view database, std::string_view owner, std::string_view encoding) {
  return "CREATE DATABASE " + ident(database) + " WITH OWNER = " + ident(owner) +
         " TEMPLATE = template0 ENCODING = " + literal(encoding) + " CONNECTION LIMIT = -1;";
}

std::string sql_language_present() { return "SELECT 1 FROM pg_language WHERE lanname = 'plpgsql';"; }

std::string sql_create_language() { return "CREATE LANGUAGE plpgsql;"; }

std::string column_definition(std::string_view field, char type, int width) {
  bool numeric = type == 'N' || type == 'L' || (type >= '1' && type <= '9');
  std::string size = std::to_string(width);
  if (type >= '1' && type <= '9') size = std::to_string(width + (type - '0')) + "," + std::string(1, type);
  return ident(field) + (numeric ? " numeric (" : " character (") + size + ")";
}

std::string sql_create_table(uint16_t file) {
  data::FileItem item;
  if (data::dict_file_attr(file, &item) != 0) return {};
  std::string columns;
  for (uint16_t n = 1; n <= item.field_count; ++n) {
    data::FieldItem f;
    if (data::dict_field_attr(file, n, &f) != 0) return {};
    core::ArenaScope scope;
    if (!columns.empty()) columns += ", ";
    columns += column_definition(core::text_bytes(data::dict_field_name(file, n)), f.type, f.width);
  }
  core::ArenaScope scope;
  return "CREATE TABLE " + ident(core::text_bytes(data::dict_file_name(file))) + " (" + columns + ");";
}

bool key_unique(uint16_t file, uint16_t key) {
  if (key != 1 || data::dict_field_by_name(file, "N_LINE"_t) >= 0) return false;
  uint16_t fields[data::kMaxSegments];
  int count = 0;
  if (data::dict_key_fields(file, key, fields, &count) != 0) return false;
  for (int i = 0; i < count; ++i) {
    data::FieldItem f;
    if (data::dict_field_attr(file, fields[i], &f) == 0 && f.type == 'D') return false;
  }
  return true;
}

}  // namespace admin
