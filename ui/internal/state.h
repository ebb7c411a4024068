// The state of the window layer of one runtime, owned by its UiContext.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/forms.h"
#include "ui/maint.h"
#include "ui/screens.h"
#include "ui/windows.h"

namespace ui::internal {

struct StackSlot {
  Handle window = kNone;
  int16_t value = kNoScreenWindow;
};

struct WindowRecord {
  WindowProc* proc = nullptr;
  int kind = 0;
  bool modal = false;
  Handle owner = kNone;
};

struct ProgressState {
  Handle window = kNone;
  bool text_mode = false;
  int width = kProgressDefaultWidth;
  int64_t total = 0;      // as given to progress_open
  int range = 0;          // after scaling
  int64_t divisor = 1;
  int64_t remainder = 0;
  int position = 0;
  bool ranged = false;    // the range was set by the first step
  bool cyclic = false;
  bool cancelled = false;
  std::chrono::steady_clock::time_point tick{};
};

// What a field's window and the lookup window it opens hand each other:
// the field's text (where the lookup starts) and the key the lookup was
// left on (what the field takes).
struct Lookup {
  bool pending = false;  // a field's window is being opened
  std::string seed;
  std::string answer;
};

// A grid slot: the grid's window (kNone when the slot is free), its place,
// its columns and rows, and how far it is scrolled.
struct GridSlot {
  Handle window = kNone;
  int x = 0;
  int y = 0;
  int columns = 0;
  int rows = 0;
  int scroll = 0;
};

struct UiState {
  std::unique_ptr<platform::Toolkit> toolkit;

  // The window stack: slots and the activation order (last = top).
  StackSlot slots[kMaxWindows];
  std::vector<int> order;
  std::map<Handle, WindowRecord> windows;
  bool quit = false;
  int posted_quits = 0;   // quits posted when the last window went
  int taken_quits = 0;    // quit events taken from the queue
  int ignore_quits = 0;   // quits still queued that no longer stand

  // Screens and screen windows; an empty optional is a free index.
  std::vector<std::optional<Screen>> screens;
  std::vector<std::optional<ScreenWindow>> screen_windows;
  int current_screen_window = -1;
  CellMargins margins;

  platform::FontSpec font;        // the screen font
  platform::CellSize cell;
  bool shift = false;
  bool ctrl = false;
  bool line_mode = false;         // collecting a keyboard line after Ctrl+]
  std::string keyboard_line;

  std::map<Handle, int> scroll_positions;
  std::map<std::pair<Handle, int>, TimerHandler> timers;
  int scanner_owner = -1;         // the screen window whose scanner runs
  ProgressState progress;
  ProcessFunction process_functions[kProcessFunctions] = {};
  Lookup lookup;
  GridSlot grids[4];
  int combos = 0;                 // combo boxes made in this process
  std::chrono::steady_clock::time_point last_pump{};
};

// The scanner's port, served from above (ui::Hooks).
void scanner_port_set(const ScannerPort& port);
// A screen window closes: its scanner stops, and the one now current gets
// back the scanner it asked for.
void scanner_screen_closed(int screen_window);

// The current state; null without a UiContext.
UiState* state();

// The screen window a window serves: its stack value when that is a live
// screen window, else the current one; -1 when there is none.
int screen_window_of(Handle window);

}  // namespace ui::internal
