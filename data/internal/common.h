// Small text helpers of the data layer's implementation files.
#pragma once

#include <string_view>

#include "core/text.h"

namespace data::internal {

inline std::string_view view(core::Text t) {
  return t.ok() ? std::string_view(t.ptr, t.len) : std::string_view{};
}
// An arena copy of s (STRINGTOOLONG beyond 65,535 bytes).
core::Text arena_text(std::string_view s);

}  // namespace data::internal
