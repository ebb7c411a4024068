// Headless dialogs: message boxes, file dialogs and pop-up menus, written to
// the transcript and answered by the script.
#include <fstream>

#include "core/arena.h"
#include "ui/headless/headless.h"
#include "core/cp1252.h"

namespace ui::headless {

namespace {

std::string lower_ascii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

const char* button_names(BoxButtons b) {
  switch (b) {
    case BoxButtons::Ok: return "Ok";
    case BoxButtons::OkCancel: return "Ok Cancel";
    case BoxButtons::RetryCancel: return "Retry Cancel";
    case BoxButtons::YesNo: return "Yes No";
    case BoxButtons::YesNoCancel: return "Yes No Cancel";
  }
  return "";
}

const char* icon_name(BoxIcon i) {
  switch (i) {
    case BoxIcon::Information: return "information";
    case BoxIcon::Warning: return "warning";
    case BoxIcon::Error: return "error";
    case BoxIcon::Question: return "question";
  }
  return "";
}

const char* answer_name(BoxAnswer a) {
  switch (a) {
    case BoxAnswer::Ok: return "Ok";
    case BoxAnswer::Cancel: return "Cancel";
    case BoxAnswer::Retry: return "Retry";
    case BoxAnswer::Yes: return "Yes";
    case BoxAnswer::No: return "No";
    case BoxAnswer::Closed: return "Close";
  }
  return "";
}

// The answers a box offers; the close button is always there.
bool box_offers(BoxButtons b, BoxAnswer a) {
  if (a == BoxAnswer::Closed) return true;
  switch (b) {
    case BoxButtons::Ok: return a == BoxAnswer::Ok;
    case BoxButtons::OkCancel: return a == BoxAnswer::Ok || a == BoxAnswer::Cancel;
    case BoxButtons::RetryCancel: return a == BoxAnswer::Retry || a == BoxAnswer::Cancel;
    case BoxButtons::YesNo: return a == BoxAnswer::Yes || a == BoxAnswer::No;
    case BoxButtons::YesNoCancel:
      return a == BoxAnswer::Yes || a == BoxAnswer::No || a == BoxAnswer::Cancel;
  }
  return false;
}

BoxAnswer first_button(BoxButtons b) {
  switch (b) {
    case BoxButtons::RetryCancel: return BoxAnswer::Retry;
    case BoxButtons::YesNo:
    case BoxButtons::YesNoCancel: return BoxAnswer::Yes;
    default: return BoxAnswer::Ok;
  }
}

// Each line of a text, indented, as UTF-8.
std::string indented(Text t) {
  std::string s = core::cp1252_to_utf8(t), out = "   ";
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') continue;
    out.push_back(s[i]);
    if (s[i] == '\n') out += "   ";
  }
  return out;
}

}  // namespace

int HeadlessToolkit::menu_track(Handle, Handle menu) {
  show_if_changed();
  std::string items;
  auto it = menus_.find(menu);
  if (it != menus_.end()) {
    for (const MenuItem& item : it->second.items) {
      items += (items.empty() ? "" : " | ") +
               core::cp1252_to_utf8(core::text_view(item.caption.data(), item.caption.size()));
    }
  }
  write("** pop-up menu: " + items);
  const ScriptStep* step = peek_step(StepOp::Menu);
  if (step == nullptr) {
    write("   -> nothing (no choice in the script)");
    return 0;
  }
  ++next_step_;
  int id = menu_find(menu, *step);
  if (id == 0) step_error(*step, "no menu item '" + step->arg + "'");
  write("   -> " + step->arg);
  return id;
}

BoxAnswer HeadlessToolkit::message_box(Handle, Text caption, Text text, BoxButtons buttons,
                                       BoxIcon icon) {
  show_if_changed();
  write("** message box \"" + core::cp1252_to_utf8(caption) + "\" [" + icon_name(icon) +
        "; " + button_names(buttons) + "]");
  write(indented(text));
  // Looking at the box does not answer it.
  while (next_step_ < steps_.size() && platform::step_looks(steps_[next_step_])) {
    const ScriptStep& look = steps_[next_step_++];
    std::string picture = render_box(caption, text, button_names(buttons));
    if (look.op == StepOp::Show) {
      write(picture);
      continue;
    }
    std::ofstream f(look.arg, std::ios::binary);
    f << picture << '\n';
    if (!f) step_error(look, "cannot write " + look.arg);
  }
  BoxAnswer answer = first_button(buttons);
  const ScriptStep* step = peek_step(StepOp::Answer);
  if (step == nullptr) {
    write(std::string("   -> ") + answer_name(answer) + " (no answer in the script)");
    return answer;
  }
  ++next_step_;
  static const BoxAnswer kAll[] = {BoxAnswer::Ok, BoxAnswer::Cancel, BoxAnswer::Retry,
                                   BoxAnswer::Yes, BoxAnswer::No, BoxAnswer::Closed};
  bool found = false;
  for (BoxAnswer a : kAll) {
    if (lower_ascii(answer_name(a)) == lower_ascii(step->arg) && box_offers(buttons, a)) {
      answer = a;
      found = true;
    }
  }
  if (!found) step_error(*step, "the box has no button '" + step->arg + "'");
  write(std::string("   -> ") + answer_name(answer));
  return answer;
}

Text HeadlessToolkit::file_dialog(Handle, bool save, Text filters, Text offered_name) {
  show_if_changed();
  write(std::string("** file dialog (") + (save ? "save" : "open") + ") offering \"" +
        core::cp1252_to_utf8(offered_name) + "\"");
  write("   filters: " + core::cp1252_to_utf8(filters));
  const ScriptStep* step = peek_step(StepOp::File);
  if (step == nullptr) {
    write("   -> cancelled (no file in the script)");
    return core::text_copy(Text{});
  }
  ++next_step_;
  write(step->arg.empty() ? "   -> cancelled" : "   -> " + step->arg);
  std::string path = core::utf8_to_cp1252(step->arg);
  return core::text_copy(core::text_view(path.data(), path.size()));
}

}  // namespace ui::headless
