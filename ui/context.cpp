// The window layer's context: its state, and the hooks it installs into the
// layers below for as long as it lives.
#include "core/errors.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "ui/dialogs.h"
#include "ui/internal/state.h"

namespace ui {

namespace {

internal::UiState* g_state = nullptr;

// Messages of the lower layers go to the standard boxes: a warning with
// OK, an error with OK, anything else as information.
void box_hook(Text caption, Text text, core::BoxIcon icon) {
  int kind = kBoxInfo;
  if (icon == core::BoxIcon::Exclamation) kind = kBoxWarning;
  if (icon == core::BoxIcon::Error) kind = kBoxError;
  if (icon == core::BoxIcon::Question) kind = kBoxYesNo;
  static_cast<void>(message_box(text, caption, kind));
}

}  // namespace

namespace internal {

UiState* state() { return g_state; }

}  // namespace internal

UiContext::UiContext(std::unique_ptr<platform::Toolkit> toolkit)
    : state_(std::make_unique<internal::UiState>()), previous_(g_state) {
  state_->toolkit = toolkit != nullptr ? std::move(toolkit) : platform::toolkit_from_environment();
  if (state_->toolkit == nullptr) {
    // No window layer: its operations answer as without a context.
    status_ = core::SCREENENV;
    return;
  }
  g_state = state_.get();
  state_->cell = state_->toolkit->font_set(state_->font);
  script::var_hook_set(&screen_field_hook);
  core::box_hook_set(&box_hook);
  procedures_pump_install();
}

UiContext::~UiContext() {
  if (status_ != 0) return;
  {
    progress_close();
    // Windows still open go with the context, newest first.
    while (!state_->order.empty()) window_destroy(state_->slots[state_->order.back()].window);
    script::var_hook_set(nullptr);
    core::box_hook_set(nullptr);
    script::proc_pump_hook_set(nullptr);
  }
  g_state = previous_;
  state_.reset();
}

platform::Toolkit* toolkit() { return g_state != nullptr ? g_state->toolkit.get() : nullptr; }

}  // namespace ui
