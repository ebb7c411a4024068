// What the window layer adds to the definition files of the shell: the
// lines of a section one by one (screen files hold one label or field a
// line, and their texts may hold ":"), and a section text of its own
// pushed on the definition stack (a form's options).
#pragma once

#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"

namespace ui {

// The content lines of a section of a definition file under a line layout.
// FILENOTFOUND when the file cannot be opened, else 0 or the reading's code.
[[nodiscard]] core::Status definition_section_lines(core::Text file, int layout, int section,
                                                    std::vector<std::string>* lines);
// Pushes a section text on the definition stack; defs::def_section_release
// takes it off.
[[nodiscard]] core::Status definition_section_push(core::Text text);

}  // namespace ui
