// The operating-system services the path layer needs, behind one small
// interface so that another platform needs only another os_*.cpp. Names are
// plain byte strings as the platform takes them; nothing here knows about
// counted strings, slots or the runtime's codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace paths::os {

// The process environment variable, or false when it is not set.
bool get_variable(const char* name, std::string* value);
// The full path of the running program; empty when it cannot be told.
std::string program_path();
// The current folder; empty when it cannot be read.
std::string current_folder();
bool change_folder(const std::string& path);

enum class Kind { Missing, File, Folder, Other };
Kind kind_of(const std::string& path);
// The names in a folder, "." and ".." left out, in the order the system
// gives them; false when the folder cannot be read.
bool list_folder(const std::string& path, std::vector<std::string>* names);
// Removes a file; false when there was none or it could not be removed.
bool remove_file(const std::string& path);
// Makes one folder; true when it was made or already is a folder.
bool make_folder(const std::string& path);

struct Stat {
  int64_t size = 0;
  int64_t modified = 0;
  int64_t accessed = 0;
  int64_t changed = 0;
  bool folder = false;
};
bool stat_path(const std::string& path, Stat* out);

// A name that no entry of the folder had a moment ago, made by the system's
// unique-name service (the file it made for that is removed again); empty
// when none could be had.
std::string unique_name(const std::string& folder);

}  // namespace paths::os
