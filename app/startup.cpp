// Start-up in its fixed order, the INPUT file and the RUN process, and
// shutdown with the exit code.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/messages.h"
#include "core/slots.h"
#include "formats/formats.h"
#include "script/functions.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "app/app.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

namespace app {
namespace {

using core::ArenaScope;

constexpr Status kLoadStrError = core::LOADSTRERROR;

Status phase(const StartupArgs& a, int number) {
  return a.phase != nullptr ? a.phase(a.flags * 16 + number) : Status{0};
}

// An option the runtime does not know is said at once (a typing error would
// otherwise pass unnoticed).
Status refuse_unknown_option() {
  ArenaScope scope;
  Text unknown = option_unknown(core::slot_get(core::kGroupEnv, core::kEnvCommandLine));
  if (unknown.len == 0) return 0;
  core::error_record(core::kRecord, core::Context::None, core::BADCOMMANDLINE, core::BADCOMMANDLINE);
  return core::report_detail(core::BADCOMMANDLINE, core::text_concat("Unknown option: "_t, unknown), false);
}

Status store_command_line(const StartupArgs& a) {
  ArenaScope scope;
  Text line = a.argv != nullptr ? command_line_join(a.argc, a.argv) : a.command_line;
  Text normal = command_line_normalise(line);
  if (!normal.ok()) return normal.len;
  return core::slot_set(core::kGroupEnv, core::kEnvCommandLine, normal);
}

// A DPATH folder that is none, or holds no definition file, is said at
// once: FILENOTFOUND with the folder and why.
Status check_definition_folder(const std::string& folder) {
  std::error_code error;
  const char* why = nullptr;
  if (!std::filesystem::is_directory(folder, error)) {
    why = " (no such folder)";
  } else {
    why = " (no definition files in it)";
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      std::string name = entry.path().filename().string();
      if (entry.is_regular_file(error) && defs::def_file_type(core::text_view(name)) != 0) {
        why = nullptr;
        break;
      }
    }
  }
  if (why == nullptr) return 0;
  core::error_record(core::kRecord, core::Context::FileSystem, core::FILENOTFOUND, core::FILENOTFOUND);
  return core::report_detail(core::FILENOTFOUND, core::arena_text("DPATH: " + folder + why), false);
}

// The definition folders: the DPATH option (each folder of a comma list
// taken from the current folder when relative), else the current folder,
// so that an application runs from wherever its files are.
Status store_definition_folder() {
  ArenaScope scope;
  Text here = paths::path_current_folder();
  Text dpath = option_value(kOptDPath);
  std::string folders;
  for (uint16_t n = 1; n <= core::list_count(dpath, ','); ++n) {
    Text field =
        core::text_unquote(core::text_trim(core::list_field(dpath, ',', n), core::kTrimBoth));
    if (field.len == 0) continue;
    if (!folders.empty()) folders += ',';
    Text folder = paths::path_resolve(here, field);
    if (!folder.ok()) return folder.len;
    if (Status st = check_definition_folder(core::text_str(folder)); st != 0) return st;
    folders += core::text_str(folder);
  }
  return core::slot_set(core::kGroupEnv, core::kEnvDocPath, folders.empty() ? here : core::arena_text(folders));
}

Status start_language() {
  ArenaScope scope;
  Text code = core::text_copy(core::slot_get(core::kGroupEnv, core::kEnvLanguage));
  if (code.len == 0) code = core::language_default();
  // Modules the definition folder lacks come from the runtime's own files.
  core::language_folder_set(paths::path_join(paths::path_runtime_files(), "lang"_t));
  Status st = core::language_set(code);
  return st != 0 ? st : formats::locale_build();
}

void start_trace() {
  int32_t level = core::text_to_int(option_value(kOptTrace)) | 1;
  if (level > INT16_MAX) level = INT16_MAX;
  if (level < INT16_MIN) level = INT16_MIN;
  script::var_set_int(core::kSwTrace, static_cast<int16_t>(level));
}

// Slot 2: the first comma field of the APNAME option, or of the application
// code; upper case unless quoted.
Status store_application(const StartupArgs& a) {
  ArenaScope scope;
  Text raw = paths::option_raw(core::slot_get(core::kGroupEnv, core::kEnvCommandLine), "APNAME"_t);
  if (!raw.ok()) raw = a.app_code;
  Status st = core::slot_set(core::kGroupEnv, core::kEnvApName, paths::value_form(core::list_field(raw, ',', 1)));
  if (st == 0 && a.description.len != 0)
    st = core::slot_set(core::kGroupEnv, core::kEnvApDescrip, a.description);
  return st;
}

// Steps 1 to 14: 0, or the code that stopped start-up.
Status start(const StartupArgs& a) {
  const WindowHooks& hooks = window_hooks();
  Status st = formats::locale_build();
  if (st == 0) st = store_command_line(a);
  if (st == 0) st = refuse_unknown_option();
  if (st == 0) st = store_definition_folder();
  if (st == 0) st = phase(a, kPhaseCommandLine);
  if (st == 0) st = start_language();
  if (st == 0) {
    start_trace();
    st = store_application(a);
  }
  if (st == 0) st = paths::path_folder_setup(1);
  if (st == 0 && hooks.load_font != nullptr) st = hooks.load_font();
  if (st == 0 || st == kLoadStrError) st = phase(a, kPhaseConnect);
  // A failure keeps its detail for the box that shows it.
  if (st == 0) (void)core::slot_set(core::kGroupRuntime, core::kRtDetail, Text{});
  return st;
}

// The INPUT file: one process name a line, until an error or its end.
Status run_input_file() {
  ArenaScope scope;
  Status number = core::file_open(option_value(kOptInput), core::kModeReadOnly);
  if (number >= core::kFileNumbers) return number;
  script::var_set_int(core::kSwInHnd, static_cast<int16_t>(number));
  Status st = 0;
  while (st < 128) {
    ArenaScope line_scope;
    Text line;
    Status read = defs::def_read_line(number, &line);
    if (read != 0) {
      if (read != core::DISKIO) st = read;
      break;
    }
    if (core::text_trim(line, core::kTrimBoth).len == 0) continue;
    st = process_run(line);
  }
  (void)core::file_close(number);
  script::var_set_int(core::kSwInHnd, 0);
  return st >= 128 ? st : Status{0};
}

// Without the window layer there is no menu window to open.
Status no_menu_window() {
  (void)core::report_detail(core::FEATUREREMOVED, "MenuWindow"_t, false);
  return core::error_record(core::kRecord, core::Context::Screen, core::FEATUREREMOVED,
                            core::FEATUREREMOVED);
}

// A start menu that is nowhere is said (message 0004 with the file looked
// for); the main window opens without a menu all the same.
void start_menu_missing(Text menu_file) {
  ArenaScope scope;
  Text source = option_present(kOptApStart) ? option_value(kOptApStart)
                : menu_file.len != 0       ? menu_file
                                           : core::slot_get(core::kGroupEnv, core::kEnvApName);
  Text name = core::list_field(source, ',', 1);
  if (!option_present(kOptApStart) && menu_file.len == 0) name = core::text_concat(core::text_sub(name, 0, 2), "MENU"_t);
  name = defs::def_name_with_type(name, defs::kFtMenu);
  core::message_box(core::message_text_c("0012"), core::message_fill(core::message_text_c("0004"), {name}),
                    core::BoxIcon::Exclamation);
}

// Step 17: the INPUT file, then the RUN process or the menu.
Status run(const StartupArgs& a) {
  ArenaScope scope;
  Text spec = start_menu_spec(a.menu_file);
  Status st = 0;
  if (option_present(kOptInput)) st = run_input_file();
  if (option_present(kOptOutput)) script::var_set_int(core::kSwOutHnd, 1);
  if (st == 0 && !option_present(kOptRun) && a.main_window != nullptr) {
    st = a.main_window();
  } else if (st == 0 && !option_present(kOptRun)) {
    auto open_menu = window_hooks().open_menu;
    if (spec.len == 0 && open_menu != nullptr) start_menu_missing(a.menu_file);
    st = open_menu != nullptr ? open_menu(spec) : no_menu_window();
  } else if (st == 0) {
    script::var_set_int(core::kSwScrStat,
                        static_cast<int16_t>(script::var_get_int(core::kSwScrStat) | kScrStatRun));
    st = process_run(option_value(kOptRun));
  }
  // A choice the user cancelled needs no box.
  if (st != 0 && st != core::CANCELLED) core::error_box(st);
  return st;
}

Status first_error(Status a, Status b) { return a >= 128 ? a : (b >= 128 ? b : 0); }

}  // namespace

Text language_of_locale(const char* locale) {
  if (locale == nullptr || std::strlen(locale) < 2) return Text{};
  if (locale[2] != '\0' && locale[2] != '_' && locale[2] != '.' && locale[2] != '@') return Text{};
  ArenaScope scope;
  Text code = core::text_case(core::text_view(locale, 2), core::Case::Upper);
  if (core::list_index(core::kLanguageCodes, ',', code) == 0) return Text{};
  return scope.keep(code);
}

Status language_from_environment() {
  const char* code = std::getenv("APP_LANG");
  ArenaScope scope;
  if (code == nullptr || *code == '\0') {
    // The desktop's locale, in the order the C library reads it for messages.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* locale = std::getenv(name);
      if (locale == nullptr || *locale == '\0') continue;
      Text found = language_of_locale(locale);
      return found.empty() ? Status{0} : core::slot_set(core::kGroupEnv, core::kEnvLanguage, found);
    }
    return 0;
  }
  Text upper = core::text_case(core::text_trim(core::text_from_c(code), core::kTrimBoth), core::Case::Upper);
  return core::slot_set(core::kGroupEnv, core::kEnvLanguage, upper);
}

Text start_menu_spec(Text menu_file) {
  ArenaScope scope;
  Text apstart = option_value(kOptApStart);
  Text spec = apstart;
  if (!option_present(kOptApStart)) {
    Text source = menu_file.len != 0 ? menu_file : core::slot_get(core::kGroupEnv, core::kEnvApName);
    spec = core::text_concat(core::text_sub(source, 0, 2), "MENU,1"_t);
  }
  // A menu of the second format (PPN) serves when there is no PMT file.
  Text file = core::list_field(spec, ',', 1);
  if (file.len == 0 || (defs::def_file_find(file, defs::kFtMenu).len == 0 && def_file_find(file, defs::kFtParams).len == 0)) {
    return Text{};
  }
  return scope.keep(spec);
}

int app_main(const StartupArgs& a) {
  BasicRuntime basic;
  Runtime& memory = a.runtime != nullptr ? *a.runtime : basic;
  Status st = memory.build();
  if (st != 0) {
    // Without its memory the runtime cannot show a box.
    std::fprintf(stderr, "The runtime memory could not be set up (code %u)\n", st);
    static_cast<void>(memory.release());
    return st;
  }
  st = start(a);
  if (st != 0) {
    core::error_box(st);
    (void)phase(a, kPhaseShutdown);
    (void)memory.release();
    return st;
  }
  Status result = run(a);
  auto loop = window_hooks().message_loop;
  if (result < 128 && loop != nullptr) result = loop();
  result = first_error(result, phase(a, kPhaseShutdown));
  return first_error(result, memory.release());
}

}  // namespace app
