#include "ui/internal/fill.h"

#include <string>

#include "core/arena.h"

namespace ui::internal {

core::Text text_fill(core::Text pattern, std::initializer_list<core::Text> args) {
  if (!pattern.ok()) return pattern;
  std::string out;
  auto next = args.begin();
  for (uint16_t i = 0; i < pattern.len; ++i) {
    char c = pattern.ptr[i];
    char d = i + 1 < pattern.len ? pattern.ptr[i + 1] : 0;
    if (c == '%' && (d == 's' || d == 'i')) {
      if (next != args.end()) {
        if (next->ok()) out.append(next->ptr, next->len);
        ++next;
      }
      ++i;
      continue;
    }
    out.push_back(c);
  }
  return core::text_copy(core::text_view(out.data(), out.size()));
}

}  // namespace ui::internal
