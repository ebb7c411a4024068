// The Qt 6 Widgets backend of the toolkit interface. Character cells are
// measured in the screen font, mapped to an installed monospace face
// (DejaVu Sans Mono); texts cross as Windows-1252 bytes converted here.
//
// With a script (platform::ScriptStep) the backend drives its own widgets
// as a user would: keys are sent to the focused widget, buttons clicked,
// message boxes and file dialogs answered through their buttons, so a
// script gives the same results here as on the headless backend, and "shot"
// saves a picture of the top window (QWidget::grab) as PNG. Without a
// script it waits for the user (QEventLoop::WaitForMoreEvents: an idle
// runtime uses no processor time).
#pragma once

#include <memory>
#include <string>

#include "ui/platform/platform.h"

namespace qtui {

// Makes the application object on first use (with the platform Qt chooses,
// QT_QPA_PLATFORM=offscreen for tests).
std::unique_ptr<ui::platform::Toolkit> make_toolkit();

// Saves a picture of a window of a Qt toolkit as PNG; false when the
// toolkit is not the Qt one, the window is unknown or the file could not be
// written.
bool save_picture(ui::platform::Toolkit* toolkit, ui::platform::Handle window, const std::string& path);

}  // namespace qtui
