// What the core asks of the layers above it, in one place. The program's
// composition root fills it; a hook left empty keeps the core's own answer.
#pragma once

#include "core/errors.h"
#include "core/files.h"
#include "core/messages.h"

namespace core {

struct Hooks {
  BoxHook box = nullptr;                // message boxes (default: standard error)
  TraceGetter trace = nullptr;          // the log's trace switches (default: trace_level_set's)
  NameResolver name_resolver = nullptr; // a file name not found as written
  LanguageHook language_loaded = nullptr;  // after every loading of a language
};

// Installs every hook of the struct, empty ones as "none".
void hooks_install(const Hooks& hooks);

}  // namespace core
