// Filling the "%s" places of a message text with arguments, in order.
// Message texts come from language modules the user can edit, so they are
// never used as printf formats: a "%" that is not followed by "s" (or "i")
// is copied as it is, and places beyond the arguments stay empty.
#pragma once

#include <initializer_list>

#include "core/text.h"

namespace ui::internal {

core::Text text_fill(core::Text pattern, std::initializer_list<core::Text> args);

}  // namespace ui::internal
