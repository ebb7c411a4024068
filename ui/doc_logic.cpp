// The rules of a document window that need no window: its mode and caption.
#include "core/arena.h"
#include "core/messages.h"
#include "ui/docs.h"

namespace ui {

namespace {

constexpr Text kModes = "ALONE,DOCUMENT,NAVIGATION"_t;
// Items of message 0027.
constexpr uint16_t kItemNew = 8;
constexpr uint16_t kItemChanged = 9;
constexpr uint16_t kItemInsertMode = 10;
constexpr uint16_t kItemMaintenanceMode = 11;
constexpr uint16_t kItemPrintOff = 12;
constexpr uint16_t kItemPrintOn = 13;

}  // namespace

int doc_mode_parse(Text mode) {
  core::ArenaScope scope;
  Text name = core::text_case(core::text_trim(mode, core::kTrimBoth), core::Case::Upper);
  switch (core::list_index(kModes, ',', name)) {
    case 1: return kDocAlone;
    case 3: return kDocNavigation;
    default: return kDocDocument;
  }
}

Text doc_caption(int flags, bool in_lines) {
  core::ArenaScope scope;
  Text items = core::message_text_c("0027");
  if (in_lines) {
    return scope.keep(core::text_copy(core::list_field(items, ',', (flags & kDocWasRead) != 0 ? kItemMaintenanceMode : kItemInsertMode)));
  }
  Text print = core::list_field(items, ',', (flags & kDocPrint) != 0 ? kItemPrintOn : kItemPrintOff);
  Text state = core::list_field(items, ',', (flags & kDocFromFile) != 0 ? kItemChanged : kItemNew);
  return scope.keep(core::text_concat(core::text_concat(print, " - "_t), state));
}

}  // namespace ui
