// apprun --check: every definition file of an application's folders loaded
// without windows or a database, and what could not be read reported, one
// problem a line, in the form editors jump to ("FILE: error: detail").
#pragma once

#include <string>
#include <vector>

namespace apprun {

// The problems of the definition folders (a comma list; empty: the current
// folder): procedures compiled, print templates read with their includes,
// the dictionary files loaded. An empty list when all is well.
std::vector<std::string> check_definitions(const std::string& folders);

// The command: prints the problems on standard output; 0 when there are
// none, 1 when there are.
int check_main(const std::string& folders);

}  // namespace apprun
