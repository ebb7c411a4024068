// The forms appcontrol asks with: a field list shown as an Accept form,
// its values read back one by one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"
#include "core/text.h"

namespace admin {

using core::Status;
using core::operator""_t;

// Shows the form and gives its values in field order. 0 when confirmed;
// CANCELLED when it was closed without values; another code when it could
// not be shown. The values list of the form is not kept afterwards, so
// that no later form takes a password typed here as its default.
[[nodiscard]] Status form_ask(std::string_view title, std::string_view fields, std::vector<std::string>* values);
// A form's list of values ('a',"b'c",...) split into the values.
std::vector<std::string> form_values(std::string_view list);
// A value as a field's default: a quoted literal of the expression language.
std::string form_default(std::string_view value);
// A value a logical field ('L1') answered yes with.
bool form_yes(std::string_view value);

}  // namespace admin
