// Key codes, the two key maps, and the actions of control commands.
#include "script/variables.h"
#include "ui/internal/state.h"

namespace ui {

using internal::state;
using platform::EventKind;

const Text kButtonActionList = "NEW,TOP,PRV,RLD,NXT,BOT,FND,SVE,INS,DEL,LST,NLS,BLS,IMP,MDE,DDE,PRN"_t;

namespace {

// Positions in kButtonActionList.
enum Button : int {
  kNew = 1, kTop, kPrv, kRld, kNxt, kBot, kFnd, kSve, kIns, kDel, kLst, kNls, kBls, kImp, kMde, kDde, kPrn
};

constexpr int B(int button) { return action_word(kActButton, button); }

// Actions by key code (0 to 32); 0 is none. The order of the entries is
// the key code.
constexpr int kMaps[2][kKeyCodes] = {
    {
        kActNextField, 0, 0, kActEscape, 0, 0, 0, 0, kActPrevField, kActNextField,  // 0-9
        0, kActHelp, kActFieldWindow, B(kBls), B(kNls), B(kPrn), B(kFnd), B(kImp),  // 10-17
        B(kDel), B(kIns), B(kDde), B(kDde), kActUp, B(kPrv), 0, 0, 0, 0,            // 18-27
        kActDown, B(kNxt), 0, 0, kActCtrlEnd,                                       // 28-32
    },
    {
        kActNextField, 0, 0, kActEscape, 0, 0, 0, 0, kActPrevField, kActNextField,
        0, kActHelp, kActFieldWindow, B(kMde), 0, B(kPrn), B(kFnd), B(kImp),
        B(kDel), B(kIns), B(kDde), B(kMde), kActUp, B(kPrv), 0, 0, 0, 0,
        kActDown, B(kNxt), 0, 0, kActCtrlEnd,
    },
};

}  // namespace

int key_code(int vk) {
  internal::UiState* s = state();
  bool shift = s != nullptr && s->shift;
  bool ctrl = s != nullptr && s->ctrl;
  int code = kKeyOther;
  if (vk == platform::kVkReturn) {
    code = kKeyEnter;
  } else if (vk == platform::kVkTab) {
    code = shift ? kKeyShiftTab : kKeyTab;
  } else if (vk == platform::kVkEscape) {
    code = kKeyEsc;
  } else if (vk >= platform::kVkF1 && vk <= platform::kVkF11) {
    code = kKeyF1 + (vk - platform::kVkF1);
  } else if (vk == platform::kVkUp) {
    code = kKeyUp;
  } else if (vk == platform::kVkPrior) {
    code = kKeyPageUp;
  } else if (vk == platform::kVkDown) {
    code = kKeyDown;
  } else if (vk == platform::kVkNext) {
    code = kKeyPageDown;
  } else if (vk == platform::kVkEnd && ctrl) {
    code = kKeyCtrlEnd;
  } else if (vk == platform::kVkOem) {
    code = kKeyOem;
  }
  script::var_set_int(core::kSwLastKey, static_cast<int16_t>(code));
  return code;
}

void key_modifiers_track(const platform::Event& event) {
  internal::UiState* s = state();
  if (s == nullptr || (event.kind != EventKind::KeyDown && event.kind != EventKind::KeyUp)) return;
  bool down = event.kind == EventKind::KeyDown;
  if (event.key == platform::kVkShift) s->shift = down;
  if (event.key == platform::kVkControl) s->ctrl = down;
}

void key_modifiers_reset() {
  if (internal::UiState* s = state()) s->shift = s->ctrl = false;
}

int key_action_in_map(int map, int code) {
  if (code < 0 || code >= kKeyCodes) return 0;
  return kMaps[map == 1 ? 1 : 0][code];
}

int key_action(int code) { return key_action_in_map(script::var_get_int(core::kSwKeyMap), code); }

int command_action(int id) {
  if (id >= kIdMenuFirst && id <= kIdMenuLast) return action_word(kActMenuItem, id - kIdMenuFirst);
  if (id >= kIdExtraFirst && id <= kIdExtraLast) return action_word(kActExtraCommand, id - kIdExtraFirst);
  if (id >= kIdButtonBase && id <= kIdButtonLast) return action_word(kActButton, id - kIdButtonBase);
  if (id == kIdConfirm) return action_word(kActButton, kButtonConfirm);
  if (id == kIdCancel) return action_word(kActButton, kButtonCancel);
  if (id >= kIdGridFirst && id <= kIdGridLast) return action_word(kActGridCommand, id - kIdGridFirst);
  if (id >= kIdDialogFirst && id - kIdDialogFirst <= 0xFF) {
    return action_word(kActDialogCommand, id - kIdDialogFirst);
  }
  return 0;
}

}  // namespace ui
