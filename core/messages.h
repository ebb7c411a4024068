// The message catalogue: every user-visible text is addressed by a four-digit
// message number. A built-in Spanish catalogue (Windows-1252 bytes) serves
// until a language module "QV_LANG_%s.MSJ" from the definitions folder is
// loaded, lazily at the first lookup or at once by language_set.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "core/status.h"
#include "core/text.h"

namespace core {

// The text of a message. The first four characters are the number; the
// argument may carry its own default after them ("0099 default text"), used
// when no module is loaded. The result is a view of the built-in catalogue
// or of the argument, or an arena copy of a module text; a number found
// nowhere gives an empty string, an error value is returned as it is.
Text message_text(Text number);
Text message_text_c(const char* number);
// Stores the code in slot 4 of group 0 and loads that language's module.
// A missing module is no error (the built-in catalogue serves); a later call
// adds the new module's texts, which then take precedence where they exist.
[[nodiscard]] Status language_set(Text code);
// A folder the module is looked for in when the definition folder has none
// (the modules installed with the runtime); empty for none.
void language_folder_set(Text folder);
// The runtime's languages, in the order of language_index below.
inline constexpr Text kLanguageCodes = "EN,ES,FR,DE,IT"_t;
// "ES": the language start-up sets when none is given.
Text language_default();
// The localised name of a file: DBMENU.PMT -> DBMENU_es.PMT. language_index
// 0 means "the current language"; 1 to 5 pick from EN,ES,FR,DE,IT. A code
// outside the list returns the name unchanged.
Text language_file_name(Text file_name, int language_index = 0);
// A message with its "%s" and "%i" places filled, in order, by the values
// (a place with no value left stays empty). Message texts come from language
// module files, so they are never used as a format of their own. An arena
// text; an error value as pattern is returned as it is.
Text message_fill(Text pattern, const Text* values, int count);
Text message_fill(Text pattern, std::initializer_list<Text> values);
// The built-in catalogue text itself (starts with a TAB).
Text message_catalogue();

// Called after every loading of a language (lazily at the first lookup or by
// language_set, module found or not), so that texts built from messages,
// such as the locale text of the value formats, follow the language. The
// hook may look messages up itself. nullptr removes it.
using LanguageHook = void (*)();
void language_hook_set(LanguageHook hook);

}  // namespace core
