// The open and save dialogs, filtered by the runtime's file types.
#include <string>

#include "core/arena.h"
#include "core/files.h"
#include "core/messages.h"
#include "core/slots.h"
#include "definitions/definitions.h"
#include "paths/paths.h"
#include "ui/dialogs.h"
#include "core/messages.h"
#include "ui/internal/state.h"

namespace ui {

namespace {

struct DialogType {
  const char* message;
  uint16_t extension;  // position in kFileTypes
};

// Dialog types 1 to 10 and the file type of each; type 9 has none.
constexpr DialogType kTypes[] = {
    {"0061", defs::kFtStructure}, {"0062", defs::kFtScreen}, {"0063", defs::kFtTemplate},
    {"0064", defs::kFtProcedure}, {"0065", defs::kFtAppSelect}, {"0066", defs::kFtParams},
    {"0067", defs::kFtPdf},       {"0068", defs::kFtText},      {nullptr, 0},
    {"0061", defs::kFtStructure},
};
constexpr int kTypeStructure = 1;
constexpr int kTypeMenu = 6;

const DialogType* type_info(int type) {
  if (type < 1 || type > 10 || kTypes[type - 1].message == nullptr) return nullptr;
  return &kTypes[type - 1];
}

Text extension(const DialogType* t) { return core::list_field(defs::kFileTypes, ',', t->extension); }

// A message of the form "Description (%s),%s" filled twice with a mask.
Text described(const char* message, Text mask) {
  return core::message_fill(core::message_text_c(message), {mask, mask});
}

}  // namespace

Text file_filter(int type) {
  core::ArenaScope scope;
  Text all = described("0060", "*.*"_t);
  const DialogType* t = type_info(type & 0x3F);
  if (t == nullptr) return scope.keep(all);
  Text mask = core::text_concat("*."_t, extension(t));
  return scope.keep(core::text_join(described(t->message, mask), ","_t, all));
}

Text file_offered_name(int type_and_flags) {
  core::ArenaScope scope;
  int type = type_and_flags & 0x3F;
  Text prefix{};
  if ((type_and_flags & kFilePrefix) != 0) {
    prefix = core::text_sub(core::slot_get(core::kGroupEnv, core::kEnvApName), 0, 2);
  }
  if (type == kTypeStructure || type == kTypeMenu) {
    Text base = prefix.empty() ? "??"_t : prefix;
    return scope.keep(core::text_concat(base, type == kTypeStructure ? "DICC.DAT"_t : "MENU.PPN"_t));
  }
  const DialogType* t = type_info(type);
  Text ext = t != nullptr ? extension(t) : "*"_t;
  return scope.keep(core::text_concat(core::text_concat(prefix, "*."_t), ext));
}

Text file_dialog(bool save, int type_and_flags) {
  internal::UiState* s = internal::state();
  if (s == nullptr) return core::text_copy(Text{});
  core::ArenaScope scope;
  std::string folder;
  Text current = paths::path_current_folder();
  folder.assign(current.ok() ? current.ptr : "", current.ok() ? current.len : 0);
  Text path = s->toolkit->file_dialog(window_top(), save, file_filter(type_and_flags),
                                      file_offered_name(type_and_flags));
  // The runtime's file names hold at most 383 bytes: a longer choice is none.
  if (path.ok() && path.len > core::kFileNameMax) path = Text{};
  if ((type_and_flags & kFileRestoreFolder) != 0 && !folder.empty()) {
    static_cast<void>(paths::path_change_folder(core::text_view(folder.data(), folder.size())));
  }
  return scope.keep(path);
}

}  // namespace ui
