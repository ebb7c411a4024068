// The basic runtime: the core, the variables and the procedures in their
// fixed order, and the hooks among them and the paths, the definition files
// and the process names. Programs with more layers compose their own.
#include "app/app.h"
#include "core/context.h"
#include "core/hooks.h"
#include "definitions/definitions.h"
#include "formats/formats.h"
#include "paths/paths.h"
#include "script/hooks.h"

namespace app {

struct BasicRuntime::Contexts {
  core::CoreContext core;
  std::unique_ptr<script::ScriptContext> script;
  std::unique_ptr<script::ProcContext> procedures;
};

BasicRuntime::BasicRuntime() = default;

BasicRuntime::~BasicRuntime() { static_cast<void>(release()); }

Status BasicRuntime::build() {
  contexts_ = std::make_unique<Contexts>();
  Contexts& c = *contexts_;
  if (c.core.status() != 0) return c.core.status();
  c.script = std::make_unique<script::ScriptContext>();
  if (c.script->status() != 0) return c.script->status();
  c.procedures = std::make_unique<script::ProcContext>();

  core::Hooks core_hooks = script::core_hooks();
  core_hooks.name_resolver = paths::path_real_name;
  core::hooks_install(core_hooks);
  formats::hooks_install(script::formats_hooks());
  script::Hooks script_hooks;
  script_hooks.execute = script::procedure_execute;
  script_hooks.macros = macro_expand;
  script_hooks.settings_saver = defs::settings_save;
  script::hooks_install(script_hooks);
  return 0;
}

Status BasicRuntime::release() {
  if (contexts_ == nullptr) return 0;
  script::hooks_install(script::Hooks{});
  formats::hooks_install(formats::Hooks{});
  core::hooks_install(core::Hooks{});
  contexts_->procedures.reset();
  contexts_->script.reset();
  Status st = contexts_->core.shutdown();
  contexts_.reset();
  return st;
}

}  // namespace app
