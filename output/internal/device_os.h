// The operating-system services of the devices, behind one small interface
// so that another platform needs only another *_posix.cpp: the temporary
// name a file is written under, the final rename, the print spooler, and
// finding programs.
#pragma once

#include <string>
#include <string_view>

#include "core/status.h"

namespace output::os {

// True for an existing entry that is not a plain file or folder (a port, a
// pipe, /dev/null, /dev/full): written in place, never renamed.
bool is_device_file(const std::string& path);
// Makes a fresh, empty file beside `path` (same folder, so that the final
// rename is atomic) and answers its name; empty when the folder takes no
// new file.
std::string spool_name(const std::string& path);
// Moves the finished file to its final name, or appends its bytes to it
// (append). 0 or WRITEERR.
core::Status spool_finish(const std::string& spool, const std::string& path, bool append);
// Hands a file to the print spooler: "lp [-d queue] file", waited for (lp
// only queues the job, so a printer that is off does not hold it up).
// 0, or SYSTEMCMDERROR when lp cannot be run or refuses the job.
core::Status print_file(const std::string& queue, const std::string& file);
// Writes bytes as the whole content of a file (made when missing). 0, or
// WRITEERR when any of them could not be written (a full disk).
core::Status write_file(const std::string& path, std::string_view bytes);
void remove_file(const std::string& path);
// The full path of a program: a name with a "/" as it is, when it can be
// run; another along PATH. Empty when there is none.
std::string program_path(const std::string& name);

}  // namespace output::os
