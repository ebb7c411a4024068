// The line store of a document: fixed-width line records one after another,
// with _LMAX, _LNUM and _LLST as its state.
#include <algorithm>

#include "core/errors.h"
#include "script/variables.h"
#include "ui/grids.h"

namespace ui {

namespace {

int max_lines() { return script::var_get_int(core::kSwLMax); }

void last_set(LineStore* store, int last) {
  script::var_set_int(core::kSwLLst, static_cast<int16_t>(last));
  store->block.resize(static_cast<size_t>(last) * static_cast<size_t>(store->width), ' ');
}

// The row a caller names: -1 the current line.
int resolve(int row) { return row == -1 ? line_current() : row; }

Status out_of_bounds() { return core::error_record(core::kRecord, core::Context::Screen, core::DATAOUTBOUND, core::DATAOUTBOUND); }

}  // namespace

int line_count() { return script::var_get_int(core::kSwLLst); }
int line_current() { return script::var_get_int(core::kSwLNum); }

void line_store_init(LineStore* store, const std::vector<int>& widths, int max) {
  store->offsets.clear();
  store->widths = widths;
  store->width = 0;
  for (int w : widths) {
    store->offsets.push_back(store->width);
    store->width += std::max(0, w);
  }
  script::var_set_int(core::kSwLMax, static_cast<int16_t>(max > 0 ? max : kDefaultMaxLines));
  line_store_clear(store);
}

void line_store_clear(LineStore* store) {
  last_set(store, 0);
  script::var_set_int(core::kSwLNum, 1);
}

Status line_store_set(LineStore* store, int row, int column, Text value) {
  row = resolve(row);
  if (row < 1 || row > max_lines() || column < 1 || column > static_cast<int>(store->widths.size())) return out_of_bounds();
  if (row > line_count()) last_set(store, row);
  size_t at = static_cast<size_t>(row - 1) * static_cast<size_t>(store->width) + static_cast<size_t>(store->offsets[column - 1]);
  size_t width = static_cast<size_t>(store->widths[column - 1]);
  std::string piece = value.ok() ? std::string(value.ptr, std::min<size_t>(value.len, width)) : std::string();
  piece.resize(width, ' ');
  store->block.replace(at, width, piece);
  return 0;
}

Status line_store_put(LineStore* store, int row, Text record) {
  row = resolve(row);
  if (row < 1 || row > max_lines()) return out_of_bounds();
  if (row > line_count()) last_set(store, row);
  std::string line = record.ok() ? std::string(record.ptr, std::min<size_t>(record.len, static_cast<size_t>(store->width))) : std::string();
  line.resize(static_cast<size_t>(store->width), ' ');
  store->block.replace(static_cast<size_t>(row - 1) * static_cast<size_t>(store->width), line.size(), line);
  return 0;
}

Text line_store_get(const LineStore& store, int row, int column) {
  row = resolve(row);
  if (row < 1 || row > line_count() || column < 0 || column > static_cast<int>(store.widths.size())) return Text{};
  size_t start = static_cast<size_t>(row - 1) * static_cast<size_t>(store.width);
  if (column == 0) return core::text_view(store.block.data() + start, static_cast<size_t>(store.width));
  return core::text_view(store.block.data() + start + static_cast<size_t>(store.offsets[column - 1]),
                         static_cast<size_t>(store.widths[column - 1]));
}

Status line_store_shift(LineStore* store, int count) {
  int at = std::max(1, line_current());
  int last = line_count();
  size_t width = static_cast<size_t>(store->width);
  if (count > 0) {
    if (at > last + 1 || last + count > max_lines()) return out_of_bounds();
    store->block.insert(static_cast<size_t>(at - 1) * width, static_cast<size_t>(count) * width, ' ');
    script::var_set_int(core::kSwLLst, static_cast<int16_t>(last + count));
    return 0;
  }
  int gone = std::min(-count, last - at + 1);
  if (gone <= 0) return 0;
  store->block.erase(static_cast<size_t>(at - 1) * width, static_cast<size_t>(gone) * width);
  script::var_set_int(core::kSwLLst, static_cast<int16_t>(last - gone));
  return 0;
}

}  // namespace ui
