// Paths, folders and the application environment.
//
// Group 0 of the string slot store describes the running application (its
// command line, name, language, folders and database connection lists).
// Texts may refer to that environment, to the seven application paths, to
// operating-system variables and to a few command-line options as %NAME%
// tokens; env_expand replaces them. The path operations below are the ones
// every file-handling module uses.
//
// Separators: "\" and "/" are both accepted on input and "/" is always
// written, so paths from definition files written for another platform
// still work. A drive is only a letter and a colon at the start ("C:"); it
// is kept as text and means nothing to the file system here.
//
// Letter case: applications written for a case-insensitive file system name
// their files in any case. A name that does not exist as written is looked
// for without regard to ASCII case, folder by folder (path_real_name);
// As the core's name resolver (core/hooks.h) it does the same for every file
// the file layer opens.
//
// Results are arena strings (see core/arena.h). A result longer than 65,535
// bytes is the error value STRINGTOOLONG, one that does not fit the arena
// OUTOFMEMORY; an error value given as input is returned unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "core/slots.h"
#include "core/status.h"
#include "core/text.h"

namespace paths {

using core::Status;
using core::Text;
using core::operator""_t;

// --- name lists (comma lists addressed by 1-based position) -------------------
// Position = application path number.
inline constexpr Text kAppPathNames =
    "APPPATH_RUNPATH,APPPATH_DEFAULT,APPPATH_DATA,APPPATH_DOCS,APPPATH_HELP,APPPATH_BACKUP,"
    "APPPATH_BACKREL"_t;
inline constexpr Text kOsVariableNames =
    "ALLUSERSPROFILE,APPDATA,CommonProgramFiles,HOMEDRIVE,HOMEPATH,ProgramFiles,SYSTEMDRIVE,"
    "SystemRoot,TEMP,USERPROFILE"_t;
// Position = slot of group 0 (APNAME reads as the first two characters).
inline constexpr Text kRuntimeSlotNames =
    "COMMANDLINE,APNAME,APDESCRIP,LANGMODULE,DOCPATH,DATAPATH,HELPPATH"_t;
// Position = field of the connection list.
inline constexpr Text kDatabaseNames =
    "DATABASE_HOST,DATABASE_DBNAME,DATABASE_USER,DATABASE_PASSW"_t;
// Command-line options with no fixed use, which texts read as tokens.
inline constexpr Text kOptionTokenNames = "DPATH,SCRWID,SCRHIG,INDEX,DEVICE"_t;
// File-name extensions: position 1 is no extension.
inline constexpr Text kExtensionList = ",.FD,.DIR,.NDX,.TMP,.TXT"_t;

enum class AppPath : uint16_t {
  RunPath = 1,  // folder of the running program
  Default = 2,  // the definition folder (the first folder of slot 5)
  Data = 3,     // "../data" beside the definition folder or beside path 4
  Docs = 4,     // slot 6, else the current folder
  Help = 5,     // slot 7, else "Help" in the definition folder
  Backup = 6,   // "Backups" in slot 6
  BackRel = 7,  // current folder/Backups/<database host>/<database name>
};

// --- helpers for the shell's modules -------------------------------------------
std::string path_str(Text path);        // the same with every "\" turned into "/"
// A value as definition texts and command lines give it: trimmed; one pair
// of enclosing quotes removed, keeping the case; a bare value upper-cased.
Text value_form(Text raw);

// --- slot store additions -----------------------------------------------------
// Writes slot `slot` of group 0 only when it is empty, or always with force.
// 0, or the slot store's code.
[[nodiscard]] Status env_set_if_empty(uint16_t slot, Text text, bool force);
// Cuts a slot's text to `length` bytes. INTERNAL (141) when length is beyond
// the current length (nothing changes); otherwise the slot store's code.
[[nodiscard]] Status slot_shorten(uint16_t group, uint16_t slot, uint16_t length);

// --- command-line options -------------------------------------------------------
// The raw value of an option in a normalised command line: the name followed
// by ":" wherever it stands, else followed by "=", only at the start or
// after ":", a blank, "&" or "/", outside quotes (the keyed parameter rules
// of core::param_find); the value ends at ":", a blank, "&" or "/" outside
// quotes. When the name is not found it is tried in lower case (in upper case
// when it starts with a lower-case letter). A view into line, or the error
// value NOVALUE when absent.
Text option_raw(Text line, Text name);
// The value in value_form; empty when absent.
Text option_find(Text line, Text name);
// option_find over the command line in slot 1.
Text env_option_value(Text name);
// Appends line and CR LF to the file named by the OUTPUT option, when the
// command line has one; 0 without it, else the append's code.
[[nodiscard]] Status env_output_line(Text line);

// --- environment values ---------------------------------------------------------
// An operating-system variable by its exact name (case-sensitive), read from
// the process environment as it is. Where it is not set (or set empty), a
// stand-in of this platform serves:
//   TEMP               TMPDIR, else "/tmp"
//   USERPROFILE        HOME
//   HOMEPATH           HOME
//   APPDATA            XDG_CONFIG_HOME, else HOME + "/.config"
//   ALLUSERSPROFILE    "/var/lib"        (data shared by all users)
//   ProgramFiles       "/opt"
//   CommonProgramFiles "/usr/lib"
//   SystemRoot         "/usr"
//   HOMEDRIVE, SYSTEMDRIVE: empty (there are no drives)
// A name that is not in kOsVariableNames: empty.
Text env_os_variable(Text name);
// Field `field` (1 host, 2 database, 3 user, 4 password) of a connection
// list slot of group 0, in value_form.
Text env_database_field(uint16_t field, uint16_t slot = core::kEnvDatabase1);
// The value a %NAME% token stands for. *known (optional) tells whether the
// name is in one of the lists (paths, operating-system variables, runtime
// slots, database fields, option tokens); an unknown name is empty.
Text env_token_value(Text name, bool* known = nullptr);
// Replaces %NAME% tokens from left to right, inside quotes too: a known name
// by its value, an unknown one by nothing. Processing stops (the rest is
// kept as it is) at "%%" or at a "%" with no partner. Values are not
// expanded again, so a value that holds tokens cannot loop.
Text env_expand(Text text);

// --- application paths ----------------------------------------------------------
// Path 1 to 7 (see AppPath); NOVALUE for another number. Always "/"-written,
// with no final "/" (except the root itself).
Text path_app(uint16_t number);
inline Text path_app(AppPath p) { return path_app(static_cast<uint16_t>(p)); }
// True when a program folder starts with a drive letter F: or later, which
// puts APPPATH_DATA beside the definition folder. Never for a POSIX path.
bool path_late_drive(Text run_path);
// Extension `position` of kExtensionList ("" for 1, ".FD" for 2, ...),
// lower case on request; empty for a position outside the list.
Text path_extension(uint16_t position, bool lower);

// --- path text operations ---------------------------------------------------------
// Every "\" turned into "/".
Text path_normalize(Text path);
// folder + "/" + name, the "/" only when both are non-empty and neither
// brings one; when both bring one, only one is kept.
Text path_join(Text folder, Text name);

// Parts for path_split, combined with |.
inline constexpr int kPartDrive = 1;   // "C:" (a letter and ":" at the start), else nothing
inline constexpr int kPartFolder = 2;  // between the drive and the last "/" ("/" for the root)
inline constexpr int kPartBase = 4;    // after the last "/" up to the last "."
inline constexpr int kPartExt = 8;  // after the last "." (none when it stands before the last "/")
inline constexpr int kPartAll = 15;
// The requested parts put together: drive and folder with no final "/"; a
// "/" before the base name when something non-empty not ending in ":" or
// "/" precedes it; "." before the extension. kPartDrive|kPartFolder is the
// folder of a path.
Text path_split(Text path, int parts);
// relative against base: each leading ".." drops the last folder of base
// (beyond the root nothing is dropped; beyond the start of a relative base a
// ".." is kept), leading "." parts are skipped, the rest is joined and every
// "/./" made "/". An absolute relative path (starting with "/" or a drive)
// is returned as it is (normalised).
Text path_resolve(Text base, Text relative);

// --- the file system -------------------------------------------------------------
// Whether something (file or folder) exists under exactly this name.
bool path_exists(Text path);
// The path of an existing entry: the path itself when it exists as written;
// else, folder by folder, the entry whose name equals the part without
// regard to ASCII case (the first in byte order when several do), with "\"
// read as "/". FILENOTFOUND when some part matches nothing.
Text path_real_name(Text path);
// name in folder, found as path_real_name finds it (an empty folder is the
// current one): the real path or FILENOTFOUND.
Text path_find_file(Text folder, Text name);
// The first existing candidate: name as given, then name joined to each
// folder of the comma list (trimmed, unquoted) in order. A candidate exists
// when at least one file matches it (wildcards allowed, case ignored); a
// candidate without wildcards comes back with its real name. Empty when none.
Text path_search(Text folder_list, Text name);
// Makes the folder and any missing parents. 0 (also when it exists or the
// path is empty), NOVALUE for a bad name, FILEIO when it cannot be made.
[[nodiscard]] Status path_make_folders(Text path);
// The current folder; empty when it cannot be read or is 384 bytes or longer.
Text path_current_folder();
// 0, or FILENOTFOUND.
[[nodiscard]] Status path_change_folder(Text path);
// There are no drives here: 0 for a letter, NOVALUE for anything else.
[[nodiscard]] Status path_change_drive(char letter);
// The folder of the running program (empty when the platform cannot tell).
Text path_program_folder();
// The folder of the runtime's own files (the main window's picture, the
// language modules, the sample application): "<prefix>/share/apprun" when
// the program runs from "<prefix>/bin" of an installation that has it, else
// the program's folder itself (a build tree).
Text path_runtime_files();
// The same for a given program folder.
Text path_runtime_files_of(Text program_folder);

// The entries of the pattern's folder whose names match its last part
// ("*" any run, "?" one byte, ASCII case ignored, "*.*" everything; names
// starting with "." only when the pattern does; "." and ".." never), names
// only, sorted by bytes, separated by NUL bytes.
// FILENOTFOUND when nothing matches or the folder cannot be read.
Text path_match_files(Text pattern);
// The same as a comma list (a name holding a comma or quote is quoted),
// leaving out names of the comma list `exclude` (case ignored). Empty when
// nothing matches.
Text path_match_list(Text pattern, Text exclude);
// Whether name matches a wildcard pattern as path_match_files matches.
bool path_wildcard_match(Text pattern, Text name);

struct FileInfo {
  int64_t size = 0;
  int64_t modified = 0;  // seconds since 1970 (UTC)
  int64_t accessed = 0;
  int64_t changed = 0;  // status change (there is no creation time)
  bool folder = false;
};
// 0 and *info filled, NOVALUE for a bad name, FILENOTFOUND when missing.
[[nodiscard]] Status path_file_info(Text name, FileInfo* info);

// A fresh file name in the TEMP folder (env_os_variable("TEMP")): a unique
// base name, "." and the extension (no "." for an empty one; a leading "."
// of the extension is dropped). No file of that name exists afterwards.
// FILEIO when no name could be had.
Text path_temp_name(Text extension);

// Folder set-up (mode bits):
//   1  slot 5 = APPPATH_RUNPATH unless slot 5 is set; slot 7 = APPPATH_HELP
//      unless slot 7 is set.
//   2  slot 5 = "../APPS" resolved against the current folder, always;
//      slot 7 = "Help" in that folder, always.
//   8  also makes APPPATH_BACKUP (with parents) when nothing matches it.
// Start-up that wants the definitions in another folder (the DPATH option,
// or the folder apprun was started in) writes slot 5 before mode 1 runs.
// 0, or the slot store's or path_make_folders' code.
[[nodiscard]] Status path_folder_setup(int mode);


}  // namespace paths
