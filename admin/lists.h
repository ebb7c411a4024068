// appcontrol's list files in the data folder: who the users are, which
// companies exist, the descriptive data of each, and the permissions of
// groups and users within each company.
//
//   APUSRLIST.DAT           the users of the installation, "," between them
//   APUSRLIST.<company>.DAT the users admitted to a company
//   APCOLIST.DAT            the companies (database names)
//   APUSRDATA.<user>.TXT    a user's data, a value a line (never a password)
//   APCODATA.<company>.TXT  a company's data, a value a line
//   APUSRAUTH.<company>.DAT a line per group or user: name='letters', a
//                           letter (N, L, E) per table of the company
//
// A name inside a file name keeps letters, digits, "_", "-" and "."; any
// other byte is written %XX, so that no name reaches outside the folder.
// Every file is written whole under a temporary name and renamed over the
// old one: a crash or a full disk leaves the old file or the new one,
// never half of either.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"
#include "core/text.h"

namespace admin {

using core::Status;
using core::operator""_t;

// The data folder (the application's data path), made when missing.
std::string data_folder();
// A file of the data folder.
std::string data_file(std::string_view name);

std::string user_list_name(std::string_view company);  // empty: the installation's
inline constexpr const char* kCompanyListName = "APCOLIST.DAT";
std::string user_data_name(std::string_view user);
std::string company_data_name(std::string_view company);
std::string auth_name(std::string_view company);
std::string file_name_part(std::string_view name);

// A name for a user, a company or a database: NOVALUE (with the reason as
// detail) when empty, longer than 63 bytes (the server's limit), starting
// or ending with a blank, or holding a control byte, a "," or both kinds
// of quote (which no list could hold).
[[nodiscard]] Status name_check(std::string_view name);

// The whole file, or empty when missing. READERR (recorded, the file as
// detail) when it cannot be read or holds bytes no list file holds (NUL
// and control bytes other than tab, CR and LF).
[[nodiscard]] Status file_text(const std::string& path, std::string* out);
// Writes the file whole under a temporary name, flushes it to the disk and
// renames it over the old one; mode is the new file's permission bits.
// FILEIO (recorded, the file and the reason as detail) on failure, with
// the old file left as it was.
[[nodiscard]] Status file_replace(const std::string& path, std::string_view content, unsigned mode = 0644);

// Comma lists: names unquoted, blanks around them and empty items dropped.
[[nodiscard]] Status list_read(const std::string& path, std::vector<std::string>* items);
// Names holding a quote are enclosed in the other kind.
[[nodiscard]] Status list_write(const std::string& path, const std::vector<std::string>& items);
// The names as one comma list, as list_write writes them.
std::string list_join(const std::vector<std::string>& items);
bool list_has(const std::vector<std::string>& items, std::string_view name);

// Lines ended by CR LF (a last line without one counts too).
[[nodiscard]] Status lines_read(const std::string& path, std::vector<std::string>* lines);
[[nodiscard]] Status lines_write(const std::string& path, const std::vector<std::string>& lines);

// The users of a company: its list, made from the installation's users
// (and written) the first time it is read empty.
[[nodiscard]] Status company_users(std::string_view company, std::vector<std::string>* users);

// --- permissions --------------------------------------------------------------
struct Permission {
  std::string principal;
  std::string letters;  // a letter per table, in the order of the table list
};
[[nodiscard]] Status auth_read(std::string_view company, std::vector<Permission>* lines);
[[nodiscard]] Status auth_write(std::string_view company, const std::vector<Permission>& lines);
// The letter a principal without a stored line starts from: read and write
// for users and the groups usuarios and admins, read for the others.
char default_letter(std::string_view principal);
// The principal's letters for `tables` tables: its stored letters (an
// unknown or missing letter is the default one), or all default.
std::string letters_of(const std::vector<Permission>& lines, std::string_view principal, size_t tables);

}  // namespace admin
