#include "core/hooks.h"

namespace core {

void hooks_install(const Hooks& hooks) {
  box_hook_set(hooks.box);
  trace_getter_set(hooks.trace);
  file_name_resolver_set(hooks.name_resolver);
  language_hook_set(hooks.language_loaded);
}

}  // namespace core
