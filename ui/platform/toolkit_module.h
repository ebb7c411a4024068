// A toolkit backend as a module of its own: a shared object the programs
// open at start-up only when they show windows, so a run without a display
// maps none of the toolkit's libraries. The module exports one C function
// that makes its toolkit behind the interface of platform.h.
//
// The module holds only the backend's own code. Everything else it calls
// (the core, the script steps of this interface) is the program's: the
// programs export those symbols to it, so there is one arena, one slot
// store and one of every other global, whoever calls.
//
// A module is unloaded never: the objects it made (and Qt's application
// object) live until the process ends.
#pragma once

#include "ui/platform/platform.h"

namespace ui::platform {

// The entry point's name, looked up with dlsym.
inline constexpr const char* kToolkitEntryName = "apprun_toolkit_create";

// Raised whenever Toolkit, Event or any type that crosses this interface
// changes, so that a module of another build is refused rather than
// called through a different table of virtual functions.
inline constexpr int kToolkitInterfaceVersion = 1;

// The name of the module's tag: a string of the hash of the headers it was
// built against (the core's and this interface's, ui/toolkit_abi.cmake).
// The loader reads it before calling the module and opens only a module of
// its own tag, so a module of another build is refused even when nobody
// raised the version below.
inline constexpr const char* kToolkitAbiName = "apprun_toolkit_abi";

// Makes the module's toolkit (owned by the caller, deleted through its
// virtual destructor); null when version is not the module's own or the
// toolkit cannot start.
using ToolkitEntry = Toolkit* (*)(int version);

}  // namespace ui::platform

extern "C" ui::platform::Toolkit* apprun_toolkit_create(int version);
extern "C" const char apprun_toolkit_abi[];
