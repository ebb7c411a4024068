// The window layer's hooks and the close request of the main window.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "app/app.h"
#include "paths/paths.h"

namespace app {
namespace {

WindowHooks g_window_hooks;

// The message with its two "%i" places filled by the counts.
Text with_counts(Text message, int screens, int windows) {
  std::string s = std::to_string(screens), w = std::to_string(windows);
  return core::message_fill(message, {core::text_view(s), core::text_view(w)});
}

}  // namespace

void window_hooks_set(const WindowHooks& hooks) { g_window_hooks = hooks; }

const WindowHooks& window_hooks() { return g_window_hooks; }

Status close_request(bool* close) {
  core::ArenaScope scope;
  int screens = 0;
  int windows = 0;
  if (g_window_hooks.count_windows != nullptr) g_window_hooks.count_windows(&screens, &windows);
  if (screens > 1 || windows > 1) {
    *close = false;
    core::message_box(core::message_text("0012"_t),
                      with_counts(core::message_text("0032"_t), screens, windows),
                      core::BoxIcon::Exclamation);
    return 0;
  }
  Text question = with_counts(core::message_text("0033"_t), screens, windows);
  if (!question.ok()) return question.len;
  *close =
      g_window_hooks.ask == nullptr || g_window_hooks.ask(core::message_text("0014"_t), question);
  return 0;
}

}  // namespace app
