// What the relational update's implementation files call of each other.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace data::internal {

// Runs rule texts for a file: each statement in turn; an assignment to a
// field of another file is a related write, anything else is evaluated.
// The first code of 128 or more stops the run.
core::Status rules_run(uint16_t file, core::Text rules);

}  // namespace data::internal
