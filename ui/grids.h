// Grids and the line store: lists of rows inside a screen window (the lines
// of a document, the rows of a lookup) are kept by the runtime in a store
// of fixed-width line records, and a grid control is only their view. This
// module also holds the two small choice controls of screens: the combo box
// and the pop-up menu.
//
// Line store: every line is one record of the same width; each column has
// a fixed offset and width inside it. The status words give its state:
// _LMAX the most lines it takes (a screen's MAXLIN%, 100 by default), _LNUM
// the current line, _LLST the last line in use. Lines count from 1.
//
//   line 1  |A0001   |     2|     12.50|
//   line 2  |A0007   |    10|      3.10|      <- _LNUM = 2
//   line 3  |        |      |          |      <- _LLST = 3
#pragma once

#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "ui/windows.h"

namespace ui {

// --- grid slots -----------------------------------------------------------------------
inline constexpr int kGridSlots = 4;
inline constexpr int kIdGridBase = 3200;    // the grid of slot n is control 3200 + n
inline constexpr int kIdLineIndicator = 1480;
// The numeric type letters: their columns are right-aligned.
inline constexpr Text kNumericTypes = "NL123456789"_t;

// A grid on a window at x, y (pixels) of width and height: its slot, or -1
// when four grids are open (or the toolkit refused it).
int grid_create(Handle window, int x, int y, int width, int height);
// The columns from a comma list of titles and a type letter and width (in
// characters) each; the first column is made 2 characters wider.
void grid_columns(int slot, Text titles, const std::vector<char>& types, const std::vector<int>& widths);
// Sets the text of a cell (row and column from 0), adding empty rows up to
// the row.
void grid_set(int slot, int row, int column, Text text);
void grid_clear(int slot);
// NOVALUE when no row is selected (row -1: the selected one).
[[nodiscard]] Status grid_delete_row(int slot, int row);
// The selected row (from 0), -1 when none.
int grid_selected(int slot);
// Selects a row and scrolls it into view (-1: none selected).
void grid_select(int slot, int row);
int grid_rows(int slot);
// The grid's window and control, for focus and the like.
Handle grid_window(int slot);
// Destroys one grid, or every grid with slot -1.
void grid_destroy(int slot);

// --- the line store ---------------------------------------------------------------------
struct LineStore {
  int width = 0;                 // of a line record
  std::vector<int> offsets;      // of the columns, from 0
  std::vector<int> widths;
  std::string block;             // the lines one after another
};
inline constexpr int kDefaultMaxLines = 100;

// Columns of the widths, one after another; an empty store with _LLST 0,
// _LNUM 1 and _LMAX max_lines (100 when not above 0).
void line_store_init(LineStore* store, const std::vector<int>& widths, int max_lines);
void line_store_clear(LineStore* store);
// Writes a value (padded or cut to the column's width) into a row's column;
// row -1 is the current line. A row past the last one in use extends the
// store with blank lines up to it. DATAOUTBOUND for a row outside 1.._LMAX
// or a column outside the columns.
[[nodiscard]] Status line_store_set(LineStore* store, int row, int column, Text value);
// A whole line record (cut or padded to the width).
[[nodiscard]] Status line_store_put(LineStore* store, int row, Text record);
// A column of a row, or the whole line with column 0: a view into the
// store (valid until its next change); empty for a row not in use.
Text line_store_get(const LineStore& store, int row, int column);
// Opens (count > 0) a gap of blank lines at the current line, or closes
// (count < 0) one by taking lines away from it; _LLST moves with it.
// DATAOUTBOUND when the store would pass _LMAX.
[[nodiscard]] Status line_store_shift(LineStore* store, int count);
int line_count();
int line_current();

// " %s / %s": the current line and the number of lines; when it does not fit
// the space, without its blanks. An arena text.
Text line_indicator(int current, int count, int space);

// --- choice controls -----------------------------------------------------------------------
// A combo box (control id) from a comma list of items, quotes removed:
// drop-down (shown on demand) or always listing; -1 when the window's
// combo boxes are all in use (or the toolkit refused it), else the id.
inline constexpr int kMaxCombos = 80;
int combo_create(Handle window, int id, int x, int y, Text items, bool drop_down);
// A pop-up menu of a comma list at the pointer: the 1-based number of the
// chosen item, 0 when nothing was chosen. Item n (from 0) is command 1700 + n.
int popup_choose(Handle window, Text items);

}  // namespace ui
