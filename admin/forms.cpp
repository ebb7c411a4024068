// Forms: asked, and their values read back.
#include "admin/forms.h"

#include <algorithm>

#include "core/arena.h"
#include "core/slots.h"
#include "core/text.h"
#include "ui/forms.h"

namespace admin {

Status form_ask(std::string_view title, std::string_view fields, std::vector<std::string>* values) {
  values->clear();
  ui::FormRequest request;
  request.title = core::text_view(title);
  request.fields = core::text_view(fields);
  request.flags = ui::kFormTrim;
  ui::FormResult result;
  Status st = ui::form_run(request, &result);
  (void)core::slot_set(core::kGroupRuntime, core::kRtFormValues, core::Text{});
  if (st != 0) return st;
  *values = form_values(result.values);
  return 0;
}

// Each value is enclosed in a quote it does not hold ("'" first); one that
// holds both kinds ends at its quote followed by "," or the end.
std::vector<std::string> form_values(std::string_view list) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < list.size()) {
    char quote = list[i];
    if (quote != '\'' && quote != '"') {
      size_t comma = list.find(',', i);
      out.emplace_back(list.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i));
      if (comma == std::string_view::npos) break;
      i = comma + 1;
      continue;
    }
    size_t end = i + 1;
    for (;;) {
      end = list.find(quote, end);
      if (end == std::string_view::npos || end + 1 == list.size() || list[end + 1] == ',') break;
      ++end;
    }
    if (end == std::string_view::npos) end = list.size();
    out.emplace_back(list.substr(i + 1, end - i - 1));
    i = end + 2;
  }
  return out;
}

std::string form_default(std::string_view value) {
  // Runs that hold one kind of quote at most, each enclosed in the other
  // kind and joined with "+".
  std::string out;
  size_t i = 0;
  while (i < value.size()) {
    size_t single = value.find('\'', i), twin = value.find('"', i);
    size_t end = single == std::string_view::npos || twin == std::string_view::npos ? value.size()
                                                                                   : std::max(single, twin);
    std::string_view run = value.substr(i, end - i);
    char quote = run.find('\'') == std::string_view::npos ? '\'' : '"';
    out += (out.empty() ? "" : "+") + std::string(1, quote) + std::string(run) + std::string(1, quote);
    i = end;
  }
  return out.empty() ? "''" : out;
}

bool form_yes(std::string_view value) {
  core::ArenaScope scope;
  core::Text v = core::text_trim(core::text_view(value), core::kTrimBoth);
  return core::text_is_true(v) || core::text_to_int(v) != 0;
}

}  // namespace admin
