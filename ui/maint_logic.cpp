// The rules of a maintenance window that need no window: its argument, the
// button sets with their labels and enable masks, the mode texts and the
// mode an action leaves.
#include <algorithm>

#include "core/arena.h"
#include "core/messages.h"
#include "core/slots.h"
#include "paths/paths.h"
#include "ui/maint.h"

namespace ui {

namespace {

// The order of the sets is their number: 1, 2 and 4 are used.
constexpr ButtonSet kSets[] = {
    {"NEW,TOP,PRV,NXT,BOT,SVE,DEL"_t, "0028", {0, 0, 0, 0, 0, 0x0004, 0x0FF4, 0}},
    {"NEW,FND,SVE,INS,DEL,IMP,DDE,PRN"_t, "0029", {0, 0x38, 0x07, 0x2F, 0x2F, 0x2F, 0x07, 0}},
    {"NEW,NLS,BLS,SVE,INS,DEL,IMP,MDE"_t, "0030", {0, 0x2F, 0x2F, 0xFF, 0x2F, 0x2F, 0x07, 0}},
};
constexpr Text kNarrowLabels = "/ / /,<<,<,>,>>,[x],X"_t;
constexpr int kNarrowScreen = 30;
constexpr int kModeItems = 9;  // the last mode text shown

Text field(Text list, uint16_t n) { return core::text_trim(core::list_field(list, ',', n), core::kTrimBoth); }

}  // namespace

MantArgs mant_args_parse(Text argument, int default_flags) {
  core::ArenaScope scope;
  MantArgs a;
  a.screen = core::text_str(core::text_unquote(field(argument, 1)));
  int section = core::list_field_int(argument, ',', 2);
  a.section = section > 0 ? section : 1;
  a.columns = std::max(0, core::list_field_int(argument, ',', 3));
  a.rows = std::max(0, core::list_field_int(argument, ',', 4));
  a.file = core::text_str(core::text_unquote(field(argument, 5)));
  Text flags = field(argument, 7);
  // Hexadecimal digits in either case.
  a.flags = flags.empty() ? default_flags
                          : static_cast<int>(core::text_to_int_radix(core::text_case(flags, core::Case::Lower)) & 0xFFFF);
  return a;
}

const ButtonSet* button_set(int number) {
  switch (number) {
    case 1: return &kSets[0];
    case 2: return &kSets[1];
    case 4: return &kSets[2];
    default: return nullptr;
  }
}

Text button_labels(int set, int screen_columns) {
  core::ArenaScope scope;
  Text own = core::slot_get(core::kGroupEnv, core::kEnvButtonLabels);
  if (!own.empty()) return scope.keep(core::text_copy(own));
  if (set == 1 && screen_columns > 0 && screen_columns <= kNarrowScreen) return scope.keep(core::text_copy(kNarrowLabels));
  const ButtonSet* s = button_set(set);
  return s == nullptr ? core::text_copy(Text{}) : scope.keep(core::text_copy(core::message_text_c(s->labels)));
}

int button_mask(int set, int action_code) {
  const ButtonSet* s = button_set(set);
  if (s == nullptr) return 0;
  core::ArenaScope scope;
  uint16_t at = core::list_index(s->actions, ',', core::list_field(kButtonActionList, ',', static_cast<uint16_t>(action_code)));
  return at >= 1 && at <= 8 ? s->masks[at - 1] : 0;
}

bool button_disabled(int mask, int mode) { return mask != 0 && mode >= 0 && mode < 16 && ((mask >> mode) & 1) != 0; }

Text mode_text(int mode, Text window_text) {
  core::ArenaScope scope;
  int item = std::min(std::max(mode, 0) + 1, kModeItems);
  Text text = core::list_field(core::message_text_c("0027"), ',', static_cast<uint16_t>(item));
  return scope.keep(core::text_concat(core::text_concat(text, " - "_t), window_text));
}

int mode_after(int action_code, int word, Status result) {
  if (result == 0 && (word & 0x30) != 0) return kModeEdit;
  return action_code == kBtnNew ? kModeNew : kModeSearch;
}

int initial_mode(int flags, bool new_records) {
  if (new_records) return kModeNew;
  return (flags & kMantShowAtOnce) != 0 ? kModeEdit : kModeSearch;
}

}  // namespace ui
