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

}  // namespace script
