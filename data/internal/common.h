// Small text helpers of the data layer's implementation files.
#pragma once

#include <string_view>

#include "core/text.h"

namespace data::internal {


}  // namespace data::internal
