// Where the toolkit backends come from. The headless backend is part of
// every program; the Qt one is a module (apprun-qt.so) opened only when a
// run shows windows, so a run without them loads none of Qt's libraries.
#pragma once

#include <memory>
#include <string>

#include "ui/platform/platform.h"

namespace ui {

// The module's file name.
inline constexpr const char* kQtModuleName = "apprun-qt.so";
// The module's folder in an installation, relative to the programs'
// folder ("../lib/<architecture>/apprun" for bin/ and that folder under one prefix).
extern const char* const kQtModuleInstalledFolder;

// The module for programs in program_folder: APP_QT_MODULE when set (a
// path to the module file, a relative one from the current folder); else,
// for a program in a bin/ folder, the installed one when it is there; else
// the one beside the program (a build tree). When no candidate exists, the
// first of them, for the message that says it is missing. Empty when the
// program's folder is not known (empty) and APP_QT_MODULE is not set.
std::string qt_module_path_of(const std::string& program_folder);
// The same for the running program.
std::string qt_module_path();

// Opens a toolkit module and makes its toolkit. Null when the file cannot
// be loaded, has no entry point, is of another build (its tag), or its
// toolkit does not start (an X display it cannot reach); *error then says
// why in a line that names the file.
std::unique_ptr<platform::Toolkit> toolkit_module_open(const std::string& path, std::string* error);

}  // namespace ui
