// What the script layer asks of the layers above it, in one place: the
// variable hook (screen fields), the data functions and field references of
// expressions, the application's functions and EXEC$ targets, MACRO$,
// definition files, settings files, the progress pump and local calls. The
// program's composition root fills it; a hook left empty keeps the script
// layer's own answer (see each hook's header).
#pragma once

#include "core/hooks.h"
#include "formats/formats.h"
#include "script/eval.h"
#include "script/functions.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace script {

struct Hooks {
  VarHook variables = nullptr;              // "_" names the layer above serves
  FieldHook fields = nullptr;               // FIELD{FILE} in expressions
  IndexedHook indexed = nullptr;            // indexed names the layer above serves
  DataFunctionHook data_functions = nullptr;  // FILEFIND, FILEREL, ...
  AppFunctionHook app_functions = nullptr;  // the application's own functions
  ExecuteHook execute = nullptr;            // EXEC$ of a procedure
  MacroExpander macros = nullptr;           // MACRO$
  DefinitionFinder definition_finder = nullptr;
  SettingsSaver settings_saver = nullptr;   // WRITE(name; -2; names)
  PumpHook pump = nullptr;                  // the progress window between statements
  LocalCallHook local_calls = nullptr;      // data-file positions across local calls
};

// Installs every hook of the struct, empty ones as "none".
void hooks_install(const Hooks& hooks);

// The variable store's part of the lower layers' hooks: the core's trace
// switches (_TRACE) and locale rebuild, the value formats' status words.
core::Hooks core_hooks();
formats::Hooks formats_hooks();

}  // namespace script
