// The string slot store: 39 groups of text slots in one 65,535-byte block.
//
// Layout of the block (all groups' slots side by side, in group order):
//
//   +--------------------+-------------------------+---------------------------+
//   | counts: 39 x u16   | lengths: 2,048 x u16    | text: 61,361 bytes        |
//   | slots per group    | slot 0 of group 0, ...  | the slots' texts, back to |
//   |                    | then group 1's, ...     | back, in the same order   |
//   +--------------------+-------------------------+---------------------------+
//
// There is no per-slot pointer in the block: the text of global slot k starts
// at the sum of the lengths before it. To keep reads cheap the store caches
// each group's first global slot and the text offsets of the slots up to the
// last one asked for; a write only forgets the offsets behind the slot it
// changed, so repeated reads do not walk the length table again.
#include <cstring>
#include <vector>

#include "core/errors.h"
#include "core/internal/state.h"
#include "core/slots.h"

namespace core {
namespace {

constexpr uint32_t kCountsBytes = 2u * kSlotGroups;
constexpr uint32_t kLengthsBytes = 2u * kSlotCount;
constexpr uint16_t kFirstQueueGroup = 37;

constexpr bool tables_leave_room(uint32_t groups, uint32_t slots, uint32_t bytes) {
  return 2u * groups + 2u * slots < bytes;
}
static_assert(tables_leave_room(kSlotGroups, kSlotCount, kSlotStoreBytes));
static_assert(kSlotTextBytes == 61361);

SlotState& store() { return state().slots; }

bool is_queue(uint16_t group) { return group >= kFirstQueueGroup; }

// A write that cannot be done: the store is left as it was.
Status write_failed(Context context) {
  return error_record(kRecord, context, LOADSTRERROR, STROUTBOUND);
}

void recount_starts(SlotState& s, uint16_t from_group) {
  for (uint16_t g = from_group; g < kSlotGroups; ++g)
    s.group_start[g + 1] = static_cast<uint16_t>(s.group_start[g] + s.counts[g]);
}

// Offsets 0 to k stay right; the ones behind k are recomputed when asked for.
void forget_offsets_after(SlotState& s, uint16_t k) {
  if (s.offsets_valid > k) s.offsets_valid = k;
}

// Text offset of global slot k (k may equal total: the end of the text).
uint32_t text_offset(SlotState& s, uint16_t k) {
  while (s.offsets_valid < k) {
    uint16_t j = s.offsets_valid;
    s.offsets[j + 1] = s.offsets[j] + s.lengths[j];
    ++s.offsets_valid;
  }
  return s.offsets[k];
}

bool points_into_store(const SlotState& s, Text t) {
  auto* p = reinterpret_cast<const unsigned char*>(t.ptr);
  return t.len > 0 && p >= s.block && p < s.block + kSlotStoreBytes;
}

// Removes the slots first to last - 1 of group g (both within the group).
void remove_range(SlotState& s, uint16_t g, uint16_t first, uint16_t last) {
  if (first >= last) return;
  uint16_t a = static_cast<uint16_t>(s.group_start[g] + first);
  uint16_t b = static_cast<uint16_t>(s.group_start[g] + last);
  uint32_t from = text_offset(s, a);
  uint32_t to = text_offset(s, b);
  std::memmove(s.text + from, s.text + to, s.text_used - to);
  s.text_used -= to - from;
  std::memmove(s.lengths + a, s.lengths + b, static_cast<size_t>(s.total - b) * 2u);
  uint16_t removed = static_cast<uint16_t>(b - a);
  s.total = static_cast<uint16_t>(s.total - removed);
  std::memset(s.lengths + s.total, 0, size_t{removed} * 2u);
  s.counts[g] = static_cast<uint16_t>(s.counts[g] - removed);
  recount_starts(s, g);
  forget_offsets_after(s, a);
}

}  // namespace

Status slots_init(CoreState& s) {
  SlotState& st = s.slots;
  if (!tables_leave_room(kSlotGroups, kSlotCount, kSlotStoreBytes))
    return error_record(kRecord, Context::STRINGINIT, STROUTBOUND, STROUTBOUND);
  st.handle = block_alloc(kOwnerSlots, kSlotStoreBytes, 0);
  if (st.handle == kNoHandle)
    return error_record(kRecord, Context::STRINGINIT, OUTOFMEMORY, OUTOFMEMORY);
  st.block = static_cast<unsigned char*>(block_pointer(st.handle));
  // The block comes from malloc and both tables start at even offsets, so
  // the 16-bit views are aligned.
  st.counts = reinterpret_cast<uint16_t*>(st.block);
  st.lengths = reinterpret_cast<uint16_t*>(st.block + kCountsBytes);
  st.text = st.block + kCountsBytes + kLengthsBytes;
  st.total = 0;
  st.text_used = 0;
  std::memset(st.group_start, 0, sizeof st.group_start);
  st.offsets[0] = 0;
  st.offsets_valid = 0;
  return kOk;
}

Text slot_get(uint16_t group, uint16_t i) {
  if (group >= kSlotGroups) return text_error_value(STROUTBOUND);
  SlotState& s = store();
  if (s.block == nullptr) return text_error_value(STROUTBOUND);
  if (i >= s.counts[group]) return Text{};
  auto k = static_cast<uint16_t>(s.group_start[group] + i);
  return Text{reinterpret_cast<const char*>(s.text + text_offset(s, k)), s.lengths[k]};
}

Status slot_set(uint16_t group, uint16_t i, Text text) {
  if (!text.ok()) return text.len != 0 ? text.len : NOVALUE;
  if (group >= kSlotGroups) return write_failed(Context::STRINGNUM);
  SlotState& s = store();
  if (s.block == nullptr) return write_failed(Context::STRINGASSIGN);

  // Check both limits before anything moves, so a failure changes nothing.
  uint16_t count = s.counts[group];
  uint32_t added = i >= count ? uint32_t{i} + 1u - count : 0u;
  if (s.total + added > kSlotCount) return write_failed(Context::STRINGASSIGN);
  auto k = static_cast<uint16_t>(s.group_start[group] + i);
  uint32_t old_len = added > 0 ? 0u : s.lengths[k];
  if (s.text_used - old_len + text.len > kSlotTextBytes) return write_failed(Context::STRINGASSIGN);

  // A view into the store (another slot, or this one) would move under us.
  std::vector<char> copy;
  const char* src = text.ptr;
  if (points_into_store(s, text)) {
    copy.assign(text.ptr, text.ptr + text.len);
    src = copy.data();
  }

  if (added > 0) {
    // New empty slots at the end of the group; later groups' lengths move up.
    auto at = static_cast<uint16_t>(s.group_start[group] + count);
    std::memmove(s.lengths + at + added, s.lengths + at, static_cast<size_t>(s.total - at) * 2u);
    std::memset(s.lengths + at, 0, size_t{added} * 2u);
    s.counts[group] = static_cast<uint16_t>(i + 1u);
    s.total = static_cast<uint16_t>(s.total + added);
    recount_starts(s, group);
    forget_offsets_after(s, at);
  }

  uint32_t offset = text_offset(s, k);
  uint32_t tail = offset + old_len;
  std::memmove(s.text + offset + text.len, s.text + tail, s.text_used - tail);
  if (text.len > 0) std::memcpy(s.text + offset, src, text.len);
  s.lengths[k] = text.len;
  s.text_used = s.text_used - old_len + text.len;
  forget_offsets_after(s, k);
  return kOk;
}

Status slot_append(uint16_t group, Text text) {
  if (group >= kSlotGroups) return write_failed(Context::STRINGNUM);
  return slot_set(group, slot_count(group), text);
}

Status slot_delete(uint16_t group, uint16_t i) {
  if (group >= kSlotGroups) return write_failed(Context::STRINGNUM);
  SlotState& s = store();
  if (s.block == nullptr) return write_failed(Context::STRINGASSIGN);
  // Nothing to remove: not an error worth recording (callers drain groups
  // with pop until it says no), but the caller learns the slot was absent.
  if (i >= s.counts[group]) return STROUTBOUND;
  remove_range(s, group, i, static_cast<uint16_t>(i + 1u));
  return kOk;
}

Text slot_last(uint16_t group) {
  uint16_t n = slot_count(group);
  if (group >= kSlotGroups) return text_error_value(STROUTBOUND);
  if (n == 0) return Text{};
  return slot_get(group, is_queue(group) ? 0 : static_cast<uint16_t>(n - 1u));
}

Status slot_pop(uint16_t group) {
  if (group >= kSlotGroups) return write_failed(Context::STRINGNUM);
  uint16_t n = slot_count(group);
  if (n == 0) return STROUTBOUND;
  return slot_delete(group, is_queue(group) ? 0 : static_cast<uint16_t>(n - 1u));
}

// Pops until n are left: a stack keeps its first n slots, a queue its last n
// (the ones it would hand out last).
Status slot_truncate(uint16_t group, uint16_t n) {
  if (group >= kSlotGroups) return write_failed(Context::STRINGNUM);
  SlotState& s = store();
  if (s.block == nullptr) return write_failed(Context::STRINGASSIGN);
  uint16_t count = s.counts[group];
  if (n >= count) return kOk;
  auto drop = static_cast<uint16_t>(count - n);
  if (is_queue(group))
    remove_range(s, group, 0, drop);
  else
    remove_range(s, group, n, count);
  return kOk;
}

uint16_t slot_count(uint16_t group) {
  if (group >= kSlotGroups) return 0;
  const SlotState& s = store();
  return s.block != nullptr ? s.counts[group] : 0;
}

Status slot_clear(uint16_t group) { return slot_truncate(group, 0); }

uint32_t slot_text_free() {
  const SlotState& s = store();
  return s.block != nullptr ? kSlotTextBytes - s.text_used : 0;
}

uint16_t slot_total() { return store().total; }

}  // namespace core
