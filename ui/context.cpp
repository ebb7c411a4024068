// The window layer's context, and the box it gives the layers below.
#include "core/errors.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "ui/dialogs.h"
#include "ui/internal/state.h"

namespace ui {

namespace {

internal::UiState* g_state = nullptr;

}  // namespace

void lower_layer_box(Text caption, Text text, core::BoxIcon icon) {
  int kind = kBoxInfo;
  if (icon == core::BoxIcon::Exclamation) kind = kBoxWarning;
  if (icon == core::BoxIcon::Error) kind = kBoxError;
  if (icon == core::BoxIcon::Question) kind = kBoxYesNo;
  static_cast<void>(message_box(text, caption, kind));
}

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
}

UiContext::~UiContext() {
  if (status_ != 0) return;
  {
    progress_close();
    // Windows still open go with the context, newest first.
    while (!state_->order.empty()) window_destroy(state_->slots[state_->order.back()].window);
  }
  g_state = previous_;
  state_.reset();
}

platform::Toolkit* toolkit() { return g_state != nullptr ? g_state->toolkit.get() : nullptr; }

}  // namespace ui
