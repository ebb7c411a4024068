// apprun --check: every definition file of an application's folders loaded
// without windows or a database, and what could not be read reported, one
// problem a line, in the form editors jump to ("FILE:LINE: message", or
// "FILE: message" for a file as a whole).
#pragma once

#include <string>
#include <vector>

namespace apprun {

// The problems of the definition folders (a comma list; empty: the current
// folder): procedures compiled, print templates read with their includes,
// the dictionary files loaded. An empty list when all is well.
std::vector<std::string> check_definitions(const std::string& folders);

// --- the checks of single files (check_files.cpp) ---
// A file's lines (split at CR LF, LF or CR) and whether the last one ends
// with a line end.
std::vector<std::string> file_lines(const std::string& path, bool* line_end);
// Text that is not text (the first line with a byte no text holds) and a
// last line without its end; false when the file is no text at all.
bool check_text(const std::string& name, const std::vector<std::string>& lines, bool line_end,
                std::vector<std::string>* out);
// Menu items whose process kind is unknown or whose definition file is
// nowhere.
void check_menu(const std::string& name, const std::vector<std::string>& lines, std::vector<std::string>* out);
// A screen's label and field lines, and FD$ names beyond its fields.
void check_screen(const std::string& pan_path, const std::string& name, std::vector<std::string>* out);

// The command: prints the problems on standard output; 0 when there are
// none, 1 when there are.
int check_main(const std::string& folders);

}  // namespace apprun
