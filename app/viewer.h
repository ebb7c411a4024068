// The desktop's document viewer, behind one small interface so that
// another platform needs only another viewer_*.cpp.
#pragma once

#include <string>

namespace app::viewer {

// Starts the platform's viewer on a document (a path) without waiting for
// it; true when it could be started. On POSIX desktops the viewer is
// "xdg-open", given the path as one argument, so the path needs no quotes.
bool open_document(const std::string& path);

}  // namespace app::viewer
