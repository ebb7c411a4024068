// appcontrol's operations, as its main window starts them: users, their
// data and groups, companies made from the application's dictionaries,
// the users admitted to a company and the permissions of groups and users
// on its tables. Each keeps the list files (lists.h) and the server
// (server.h) in step, shows its own failures (the server's message with
// the statement) and returns its code; CANCELLED when the user closed a
// form and nothing was done.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"
#include "core/text.h"

namespace admin {

using core::Status;
using core::operator""_t;

// New users, asked one after another until the form is closed: each is
// added to the installation's list and made a role with its password in
// group usuarios. On a new installation (no user yet) the four group
// roles are made first.
[[nodiscard]] Status new_user();

// The data form of a user or a company: a field per label, the current
// values as defaults, the identifier not editable, and "Eliminar".
struct DataForm {
  std::string file;          // the data file of the name
  std::string labels;        // comma list
  std::string title;
  std::vector<std::string> specs;  // field specifications of the first fields
  std::string help;          // the help file (HELP$)
  int password_field = 0;    // the field of the password (its repetition follows), 0 none
  int group_field = 0;       // the field of the group, 0 none
  bool remove_option = true;
};
DataForm user_data_form(std::string_view user);
DataForm company_data_form(std::string_view company);
// UNDEFWARN (124) when the name was removed ("Eliminar").
[[nodiscard]] Status data_form(const DataForm& form, std::string_view name, bool is_user);

// A company per dictionary "??DICC.DAT" of the definition folder (not
// those of prefix "QV"), each with its ".SQL" script and the incident log;
// then its tables owned by the first user and granted to the groups, and
// the company listed. UNDEFWARN when it was listed already or something
// failed on the way (the incident log is then offered).
[[nodiscard]] Status new_company();
std::string incident_log_path();
// The dictionaries "??DICC.DAT" of a folder, in any letter case, but those
// of the runtime's own prefix "QV", in name order.
std::vector<std::string> dictionaries(const std::string& folder);

// One of the installation's users not yet admitted, chosen from a list,
// added to the company's users (message 0007 when there is none).
[[nodiscard]] Status add_user_to_company(std::string_view company);

// The permission letters of a group or user on each table of the company,
// asked again while a letter is not N, L or E; the changes are granted and
// stored. "Eliminar" removes the principal from the company.
[[nodiscard]] Status permissions(std::string_view company, std::string_view principal);

// Removes a user from a company (its list and every right on its tables),
// or, with no company, from the installation: from every company, from the
// list of users, and its role dropped.
[[nodiscard]] Status remove_principal(std::string_view company, std::string_view principal);

// Takes a company off the list of companies; its database stays.
[[nodiscard]] Status remove_company(std::string_view company);

// The main window with its five views, until it is closed.
[[nodiscard]] Status main_window_open();

}  // namespace admin
