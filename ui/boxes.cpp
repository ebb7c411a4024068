// The standard message boxes and their answers.
#include "core/arena.h"
#include "core/messages.h"
#include "formats/formats.h"
#include "ui/dialogs.h"
#include "ui/internal/state.h"

namespace ui {

using platform::BoxAnswer;
using platform::BoxButtons;
using platform::BoxIcon;

namespace {

struct BoxKindInfo {
  BoxButtons buttons;
  BoxIcon icon;
  const char* caption;  // default caption message
};

constexpr BoxKindInfo kKinds[] = {
    {BoxButtons::Ok, BoxIcon::Information, "0014"},
    {BoxButtons::Ok, BoxIcon::Warning, "0012"},
    {BoxButtons::OkCancel, BoxIcon::Information, "0014"},
    {BoxButtons::Ok, BoxIcon::Error, "0013"},
    {BoxButtons::RetryCancel, BoxIcon::Error, "0012"},
    {BoxButtons::YesNo, BoxIcon::Information, "0014"},
    {BoxButtons::YesNoCancel, BoxIcon::Information, "0014"},
};

// The first letter of item n of message 0011 ("Ss,Nn").
int answer_letter(uint16_t item) {
  core::ArenaScope scope;
  Text letters = core::list_field(core::message_text_c("0011"), ',', item);
  return letters.empty() ? (item == 1 ? 'S' : 'N') : letters.at(0);
}

// A Windows-1252 letter in lower case: A-Z, the accented capitals
// (0xC0-0xDE but the multiplication sign) and the capitals of 0x8A-0x9F.
char lower_1252(uint8_t b) {
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) return static_cast<char>(b + 0x20);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<char>(b + 0x10);
  if (b == 0x9F) return static_cast<char>(0xFF);
  return static_cast<char>(b);
}

// "SI" -> "Si", "S\xCC" -> "S\xEC": the first letter kept, the others in
// lower case.
std::string title_case(Text word) {
  core::ArenaScope scope;
  Text trimmed = core::text_unquote(core::text_trim(word, core::kTrimBoth));
  if (trimmed.empty()) return {};
  std::string out(1, static_cast<char>(trimmed.at(0)));
  for (uint16_t i = 1; i < trimmed.len; ++i) out += lower_1252(trimmed.at(i));
  return out;
}

}  // namespace

platform::BoxLabels box_labels() {
  core::ArenaScope scope;
  platform::BoxLabels labels;
  labels.ok = "OK";
  labels.no = title_case(formats::locale_logical_word(formats::Locale::Current, 2));
  labels.yes = title_case(formats::locale_logical_word(formats::Locale::Current, 3));
  Text cancel = core::message_text_c("0020");
  if (cancel.ok()) labels.cancel.assign(core::text_bytes(cancel));
  return labels;
}

int message_box(Text text, Text title, int kind) {
  internal::UiState* s = internal::state();
  if (kind < 0 || kind > kBoxYesNoCancel) kind = kBoxInfo;
  const BoxKindInfo& info = kKinds[kind];
  core::ArenaScope scope;
  Text caption = title.empty() ? core::message_text_c(info.caption) : title;
  if (s == nullptr) return kAnswerOther;
  Handle owner = window_top();
  if (owner == kNone) s->toolkit->discard_pending();
  s->toolkit->box_labels_set(box_labels());
  BoxAnswer answer = s->toolkit->message_box(owner, caption, text.ok() ? text : Text{}, info.buttons, info.icon);
  switch (answer) {
    case BoxAnswer::Ok:
    case BoxAnswer::Yes:
    case BoxAnswer::Retry: return answer_letter(1);
    case BoxAnswer::No: return answer_letter(2);
    default: return kAnswerOther;
  }
}

void info_box(Text title, Text text) { static_cast<void>(message_box(text, title, kBoxInfo)); }

bool ask(Text question, Text title) { return message_box(question, title, kBoxYesNo) == answer_letter(1); }

}  // namespace ui
