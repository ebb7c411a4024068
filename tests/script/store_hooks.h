// The hooks the variable store gives the layers below it, installed as a
// composition root does: the log's trace switches, the value formats'
// status words and the locale text after a language is loaded.
#pragma once

#include "core/hooks.h"
#include "formats/formats.h"
#include "script/variables.h"

namespace scripttest {

inline void install_store_hooks() {
  core::Hooks core_hooks;
  core_hooks.trace = script::trace_switches;
  core_hooks.language_loaded = script::locale_rebuild;
  core::hooks_install(core_hooks);
  formats::Hooks formats_hooks;
  formats_hooks.status_words = script::status_word_value;
  formats::hooks_install(formats_hooks);
}

inline void remove_store_hooks() {
  formats::hooks_install(formats::Hooks{});
  core::hooks_install(core::Hooks{});
}

}  // namespace scripttest
