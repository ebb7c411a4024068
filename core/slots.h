// The string slot store: longer-lived texts in 39 numbered groups of slots,
// 2,048 slots in all, kept in one 65,535-byte block.
//
// Groups 0 to 36 are stacks (last/pop work on the last slot); groups 37 and
// 38 are queues (last/pop work on the first slot, so texts come back in the
// order they were appended). A failed write leaves the store unchanged,
// records LOADSTRERROR in context STRINGASSIGN (STRINGNUM for a bad group) and
// returns STROUTBOUND.
//
// slot_get returns a view into the store: it is valid until the next write.
// Such a view may itself be written back (slot_set(g, i, slot_get(g, j))).
// Reading a group of 39 or more gives the error value STROUTBOUND; deleting
// or popping a slot that does not exist changes nothing and returns
// STROUTBOUND without recording an error. An error value given as the text
// to write is returned as its code and nothing is written.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace core {

inline constexpr uint16_t kSlotGroups = 39;
inline constexpr uint16_t kSlotCount = 2048;
inline constexpr uint32_t kSlotStoreBytes = 65535;
inline constexpr uint32_t kSlotTextBytes = kSlotStoreBytes - 2u * kSlotGroups - 2u * kSlotCount;

// Groups with a fixed use in the core.
inline constexpr uint16_t kGroupEnv = 0;        // application environment
inline constexpr uint16_t kGroupRuntime = 9;    // runtime texts
inline constexpr uint16_t kGroupVarNames = 12;
inline constexpr uint16_t kGroupVarTexts = 13;
inline constexpr uint16_t kGroupLineQueue = 37; // lines of files read line by line
inline constexpr uint16_t kGroupMenuQueue = 38;

// Slots of group 0 and group 9 that the core itself uses.
inline constexpr uint16_t kEnvLocale = 0;
inline constexpr uint16_t kEnvCommandLine = 1;
inline constexpr uint16_t kEnvApName = 2;
inline constexpr uint16_t kEnvApDescrip = 3;
inline constexpr uint16_t kEnvLanguage = 4;
inline constexpr uint16_t kEnvDocPath = 5;
inline constexpr uint16_t kRtModuleText = 2;    // group 9: loaded language module
inline constexpr uint16_t kRtDetail = 9;        // group 9: detail text of the current message
inline constexpr uint16_t kRtLogPath = 10;      // group 9: log path set by log_set_path

Text slot_get(uint16_t group, uint16_t i);      // empty when i is beyond the group
[[nodiscard]] Status slot_set(uint16_t group, uint16_t i, Text text);
[[nodiscard]] Status slot_append(uint16_t group, Text text);
[[nodiscard]] Status slot_delete(uint16_t group, uint16_t i);
Text slot_last(uint16_t group);                 // stacks: last slot; queues: first
[[nodiscard]] Status slot_pop(uint16_t group);  // removes what slot_last reads
// Pops until n are left: a stack keeps its first n slots, a queue its last n.
[[nodiscard]] Status slot_truncate(uint16_t group, uint16_t n);
uint16_t slot_count(uint16_t group);
[[nodiscard]] Status slot_clear(uint16_t group);
uint32_t slot_text_free();                      // free text bytes
uint16_t slot_total();                          // slots in use over all groups

}  // namespace core
