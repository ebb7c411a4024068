#include "script/hooks.h"

namespace script {

void hooks_install(const Hooks& hooks) {
  var_hook_set(hooks.variables);
  field_hook_set(hooks.fields);
  indexed_hook_set(hooks.indexed);
  data_function_hook_set(hooks.data_functions);
  app_function_hook_set(hooks.app_functions);
  execute_hook_set(hooks.execute);
  macro_expander_set(hooks.macros);
  definition_finder_set(hooks.definition_finder);
  settings_saver_set(hooks.settings_saver);
  proc_pump_hook_set(hooks.pump);
  proc_local_hook_set(hooks.local_calls);
}

core::Hooks core_hooks() {
  core::Hooks hooks;
  hooks.trace = trace_switches;
  hooks.language_loaded = locale_rebuild;
  return hooks;
}

formats::Hooks formats_hooks() {
  formats::Hooks hooks;
  hooks.status_words = status_word_value;
  return hooks;
}

}  // namespace script
