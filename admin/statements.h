// The statements appcontrol sends for roles, grants, databases, tables and
// indexes, built from fixed forms.
//
// Every role, table and database name is written as an identifier quoted
// by libpq's rules (data::sql_identifier) and every value as a literal, so
// that a name or password holding quotes, backslashes or semicolons is a
// name or a password and never part of the statement. Passwords are sent as
// their SCRAM verifiers (data::sql_password_literal): the builders take the
// literal already made.
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"

namespace admin {

using core::operator""_t;

// The four group roles, in their fixed order: 1 and 2 read and write every
// table of a new company, 3 and 4 only read.
inline constexpr core::Text kGroups = "usuarios,admins,colabor,externos"_t;
inline constexpr int kGroupCount = 4;
// The position (1 to 4) of a group name, 0 for any other name.
int group_position(std::string_view name);
std::string group_name(int position);

// The encodings a company database is tried with, in turn.
inline constexpr core::Text kEncodings = "WIN1252,UTF8"_t;

// Permission letters: none, read, read and write.
inline constexpr char kNone = 'N';
inline constexpr char kRead = 'L';
inline constexpr char kWrite = 'E';
inline constexpr core::Text kLetters = "ELN"_t;

// --- roles ----------------------------------------------------------------------------
std::string sql_create_group(std::string_view group);
// password_literal: data::sql_password_literal of the user and password.
std::string sql_create_user(std::string_view user, std::string_view password_literal);
std::string sql_grant_group(std::string_view group, std::string_view user);
std::string sql_revoke_group(std::string_view group, std::string_view user);
std::string sql_alter_password(std::string_view user, std::string_view password_literal);
std::string sql_drop_role(std::string_view role);
// Asks whether a role exists (one row when it does).
std::string sql_role_present(std::string_view role);

// --- table rights ---------------------------------------------------------------------
// "GROUP " before the role when it is one of the four groups.
std::string sql_revoke_table(std::string_view table, std::string_view role);
std::string sql_grant_table(std::string_view table, std::string_view role, bool write);
std::string sql_table_owner(std::string_view table, std::string_view owner);

// --- databases and tables -------------------------------------------------------------
std::string sql_create_database(std::string_view database, std::string_view owner,
                                std::string_view encoding);
// Asks whether the procedural language is installed (one row when it is).
std::string sql_language_present();
std::string sql_create_language();
// A field's column: "numeric" for the types of "NL123456789", else
// "character"; the size is the width, and for a digit type d "w+d,d".
std::string column_definition(std::string_view field, char type, int width);
// The table of a defined data file (its name in lower case) with a column
// per field in field order. An empty text for a file not defined.
std::string sql_create_table(uint16_t file);
// Whether key 1 of a file is unique: a file without a field "N_LINE" whose
// key 1 has no date field.
bool key_unique(uint16_t file, uint16_t key);

}  // namespace admin
