// Process-wide state of the core, owned by the current CoreContext. Only the
// core's own implementation files include this.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/slots.h"
#include "core/status.h"
#include "core/text.h"

namespace core {

struct BlockEntry {
  uint16_t owner = 0;
  uint32_t size = 0;
  unsigned char* ptr = nullptr;
};

struct ArenaEntry {
  char* ptr;
  uint16_t len;
};

struct ArenaState {
  uint16_t data_handle = kNoHandle;
  uint16_t table_handle = kNoHandle;
  char* data = nullptr;
  ArenaEntry* entries = nullptr;
  uint16_t current = 0;       // the mark
  char* top = nullptr;        // first free byte
  uint32_t used_high = 0;
  uint16_t entries_high = 0;
};

// The slot store's block holds the truth (counts, lengths, text); the rest
// are views into it and caches derived from it.
struct SlotState {
  uint16_t handle = kNoHandle;
  unsigned char* block = nullptr;
  uint16_t* counts = nullptr;   // kSlotGroups entries, at the start of the block
  uint16_t* lengths = nullptr;  // kSlotCount entries, all groups' slots in group order
  unsigned char* text = nullptr;// kSlotTextBytes, the slots' texts in the same order
  uint16_t total = 0;         // slots in use over all groups
  uint32_t text_used = 0;     // bytes of slot text in use
  // First global slot number of each group (entry kSlotGroups = total).
  uint16_t group_start[kSlotGroups + 1] = {};
  // Text offset of each global slot, known for entries 0 to offsets_valid;
  // a write forgets the entries behind the slot it changed.
  uint32_t offsets[kSlotCount + 1] = {};
  uint16_t offsets_valid = 0;
};

struct LanguageRange {
  uint16_t first;
  uint16_t last;
  uint16_t start;             // index of the range's first entry in the offsets table
};

struct LanguageState {
  int load_state = 0;         // 0 not tried, 1 built-in catalogue, 2 module loaded
  void (*loaded_hook)() = nullptr;
  std::string fallback_folder;  // the runtime's own modules
  std::vector<uint16_t> offsets;
  std::vector<LanguageRange> ranges;
};

// A file kept open for writes at its end by name (files_kept.cpp): the
// name as the writer gave it, and the file's identity for matching other
// operations that reach it under another spelling.
struct KeptFile {
  int fd = -1;
  uint64_t device = 0;
  uint64_t inode = 0;
  std::string name;
};
inline constexpr int kKeptFiles = 4;

struct FileState {
  bool initialised = false;
  std::FILE* streams[40] = {};
  bool keeping = false;
  int kept_count = 0;
  KeptFile kept[kKeptFiles];   // the first kept_count in use, oldest first
};

struct CoreState {
  BlockEntry blocks[kBlockHandles];
  uint16_t live_blocks = 0;
  ArenaState arena;
  SlotState slots;
  LanguageState language;
  ErrorRecord error;
  ErrorPlace error_place;
  FileState files;
  BoxHook box_hook = nullptr;
  NameResolver name_resolver = nullptr;
  TraceGetter trace_getter = nullptr;
  int32_t trace = 1;
  std::string log_folder;     // folder of the default log name; empty: current folder
};

// The current context's state. Calling into the core with no context is a
// programming fault and stops the process with a message.
CoreState& state();
CoreState* state_if_any();
void state_install(CoreState* s);

// Start-up and shutdown pieces, run by CoreContext in order.
Status arena_init(CoreState& s);
Status slots_init(CoreState& s);
void files_close_all(CoreState& s);

// Files kept open by name (files_kept.cpp) for writes at their end.
// kept_write writes through the file kept for exactly this name, if any;
// kept_open_write opens the file of the resolved C name to keep it and
// writes. Both answer true with the status in *result, or false when they
// do not take the write (keeping is off, nothing is kept for the name, the
// file cannot be opened so: the caller's own path then writes, or says
// why). kept_release closes whatever kept file the resolved C name stands
// for; kept_close_all closes them all.
bool kept_write(Text name, Text text, Status* result);
bool kept_open_write(Text name, const char* c_name, Text text, Status* result);
void kept_release(const char* c_name);
void kept_close_all(FileState& fs);
void blocks_free_all(CoreState& s);

}  // namespace core
