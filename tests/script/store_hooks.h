// The hooks the variable store gives the layers below it, installed as a
// composition root does: the log's trace switches, the value formats'
// status words and the locale text after a language is loaded.
#pragma once

#include "core/hooks.h"
#include "formats/formats.h"
#include "script/hooks.h"

namespace scripttest {

inline void install_store_hooks() {
  core::hooks_install(script::core_hooks());
  formats::hooks_install(script::formats_hooks());
}

inline void remove_store_hooks() {
  formats::hooks_install(formats::Hooks{});
  core::hooks_install(core::Hooks{});
}

}  // namespace scripttest
