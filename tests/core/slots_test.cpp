// The string slot store: limits, order of slots across groups, unchanged
// store on failure, stacks and queues.
#include "core/slots.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/errors.h"
#include "core/internal/state.h"

namespace {

using namespace core;

Text T(const std::string& s) { return text_view(s.data(), s.size()); }
std::string S(Text t) { return t.ok() ? std::string(t.ptr, t.len) : "<error " + std::to_string(t.len) + ">"; }

// Every slot of every non-empty group, in group order.
std::string dump() {
  std::string out;
  for (uint16_t g = 0; g < kSlotGroups; ++g) {
    if (slot_count(g) == 0) continue;
    out += std::to_string(g) + ":";
    for (uint16_t i = 0; i < slot_count(g); ++i) out += "[" + S(slot_get(g, i)) + "]";
    out += " ";
  }
  return out;
}

// Checks and forgets the recorded failure. Not error_clear(): that writes
// the detail slot and would change the store under test.
void expect_refusal(Status st, Context context) {
  EXPECT_EQ(st, STROUTBOUND);
  EXPECT_EQ(error_last().code, LOADSTRERROR);
  EXPECT_EQ(error_last().context, context);
  (void)error_record(kForce, Context::None, 0, 0);
}

class SlotsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(ctx_.status(), 0); }
  CoreContext ctx_;
};

TEST_F(SlotsTest, LaterGroupsKeepTheirSlotsWhenAnEarlierGroupChanges) {
  ASSERT_EQ(slot_append(3, "c0"_t), 0);
  ASSERT_EQ(slot_append(1, "a0"_t), 0);
  ASSERT_EQ(slot_append(38, "q0"_t), 0);
  ASSERT_EQ(slot_set(2, 1, "b1"_t), 0);          // extends with an empty slot
  EXPECT_EQ(dump(), "1:[a0] 2:[][b1] 3:[c0] 38:[q0] ");
  EXPECT_EQ(slot_set(1, 2, "a2 longer"_t), 0);
  EXPECT_EQ(slot_set(2, 0, "B"_t), 0);
  EXPECT_EQ(dump(), "1:[a0][][a2 longer] 2:[B][b1] 3:[c0] 38:[q0] ");
  EXPECT_EQ(slot_delete(1, 1), 0);
  EXPECT_EQ(slot_clear(2), 0);
  EXPECT_EQ(dump(), "1:[a0][a2 longer] 3:[c0] 38:[q0] ");
  EXPECT_EQ(S(slot_get(1, 2)), "");              // beyond the group
  EXPECT_EQ(slot_get(39, 0).len, STROUTBOUND);
  EXPECT_EQ(slot_total(), 4);
  EXPECT_EQ(slot_text_free(), kSlotTextBytes - 15);

  // The block itself: counts, then lengths in group order, then the texts.
  const unsigned char* block = state().slots.block;
  auto u16 = [&](size_t at) {
    uint16_t v;
    std::memcpy(&v, block + at, 2);
    return v;
  };
  EXPECT_EQ(u16(2), 2);                          // group 1 has 2 slots
  EXPECT_EQ(u16(2 * kSlotGroups + 2), 9);        // length of the second slot
  const size_t text = 2 * kSlotGroups + 2 * kSlotCount;
  EXPECT_EQ(kSlotStoreBytes - text, 61361u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block + text), 15), "a0a2 longerc0q0");
}

TEST_F(SlotsTest, LimitsRefuseAndLeaveTheStoreUnchanged) {
  // Slot count: 2,048 over all groups.
  for (uint16_t i = 0; i < kSlotCount - 1; ++i) ASSERT_EQ(slot_append(i % 3 ? 20 : 4, "s"_t), 0);
  ASSERT_EQ(slot_set(30, 0, "last"_t), 0);
  std::string before = dump();
  expect_refusal(slot_append(4, "x"_t), Context::STRINGASSIGN);
  expect_refusal(slot_set(31, 0, ""_t), Context::STRINGASSIGN);
  expect_refusal(slot_set(0, 65535, "x"_t), Context::STRINGASSIGN);
  expect_refusal(slot_set(39, 0, "x"_t), Context::STRINGNUM);
  expect_refusal(slot_pop(400), Context::STRINGNUM);
  EXPECT_EQ(slot_set(30, 0, "LAST"_t), 0);       // replacing needs no new slot
  ASSERT_EQ(slot_set(30, 0, "last"_t), 0);
  EXPECT_EQ(dump(), before);

  // Text space: the old length of the slot counts as free.
  for (uint16_t g : {4, 20, 30}) ASSERT_EQ(slot_clear(g), 0);
  ASSERT_EQ(slot_append(7, T(std::string(kSlotTextBytes - 10, 'b'))), 0);
  ASSERT_EQ(slot_append(8, "0123456789"_t), 0);
  EXPECT_EQ(slot_text_free(), 0u);
  expect_refusal(slot_append(9, "x"_t), Context::STRINGASSIGN);
  expect_refusal(slot_set(8, 0, "01234567890"_t), Context::STRINGASSIGN);
  EXPECT_EQ(S(slot_get(8, 0)), "0123456789");
  EXPECT_EQ(slot_count(9), 0);
  EXPECT_EQ(slot_append(9, ""_t), 0);            // empty slots cost no text
  EXPECT_EQ(slot_set(8, 0, "9876543210"_t), 0);
  // An error value is passed on and writes nothing.
  EXPECT_EQ(slot_append(9, text_error_value(STRINGTOOLONG)), STRINGTOOLONG);
  EXPECT_EQ(slot_total(), 3);
}

TEST_F(SlotsTest, WritingAViewOfTheStoreItself) {
  ASSERT_EQ(slot_append(10, "first"_t), 0);
  ASSERT_EQ(slot_append(10, "second"_t), 0);
  ASSERT_EQ(slot_append(20, "later group"_t), 0);
  EXPECT_EQ(slot_set(10, 0, slot_get(20, 0)), 0);     // its source moves up
  EXPECT_EQ(slot_append(20, slot_get(10, 1)), 0);
  Text own = slot_get(10, 1);
  EXPECT_EQ(slot_set(10, 1, text_view(own.ptr + 2, 3)), 0);
  EXPECT_EQ(slot_append(10, slot_get(10, 0)), 0);
  EXPECT_EQ(dump(), "10:[later group][con][later group] 20:[later group][second] ");
}

TEST_F(SlotsTest, StacksAndQueues) {
  for (const char* s : {"a", "b", "c", "d"}) {
    ASSERT_EQ(slot_append(36, text_from_c(s)), 0);
    ASSERT_EQ(slot_append(kGroupLineQueue, text_from_c(s)), 0);
    ASSERT_EQ(slot_append(kGroupMenuQueue, text_from_c(s)), 0);
  }
  EXPECT_EQ(S(slot_last(36)), "d");
  EXPECT_EQ(S(slot_last(kGroupMenuQueue)), "a");
  EXPECT_EQ(slot_pop(36), 0);
  EXPECT_EQ(slot_pop(kGroupLineQueue), 0);
  EXPECT_EQ(S(slot_last(36)), "c");
  EXPECT_EQ(S(slot_last(kGroupLineQueue)), "b");
  EXPECT_EQ(slot_truncate(36, 1), 0);              // a stack keeps its oldest
  EXPECT_EQ(slot_truncate(kGroupLineQueue, 1), 0); // a queue keeps its newest
  EXPECT_EQ(slot_truncate(kGroupMenuQueue, 9), 0);
  EXPECT_EQ(dump(), "36:[a] 37:[d] 38:[a][b][c][d] ");
  // Draining: an empty group says so, and nothing is recorded.
  EXPECT_EQ(slot_pop(36), 0);
  EXPECT_EQ(slot_pop(36), STROUTBOUND);
  EXPECT_EQ(slot_delete(36, 0), STROUTBOUND);
  EXPECT_EQ(S(slot_last(36)), "");
  EXPECT_EQ(error_last().code, 0);
}

// Random writes, copies, deletes and pops against a plain model; the cached
// offsets must never go stale.
TEST_F(SlotsTest, RandomOperationsMatchAModel) {
  std::mt19937 rng(20240611);
  std::vector<std::vector<std::string>> model(kSlotGroups);
  size_t text_used = 0, total = 0;
  int refused = 0;
  for (int step = 0; step < 20000; ++step) {
    auto g = static_cast<uint16_t>(rng() % 6 == 0 ? 37 + rng() % 2 : rng() % 8);
    auto& grp = model[g];
    std::string text(rng() % 64, static_cast<char>('a' + step % 26));
    switch (rng() % 7) {
      case 0: case 1: case 2: case 3: {  // half of the writes extend the group
        auto src_g = static_cast<uint16_t>(rng() % 8);
        if (rng() % 4 == 0 && !model[src_g].empty()) {  // a copy of a slot's own view
          auto j = static_cast<uint16_t>(rng() % model[src_g].size());
          text = model[src_g][j];
          if (total < kSlotCount && text_used + text.size() <= kSlotTextBytes) {
            ASSERT_EQ(slot_append(g, slot_get(src_g, j)), 0);
            grp.push_back(text), ++total, text_used += text.size();
          }
          break;
        }
        auto i = static_cast<uint16_t>(rng() % 2 ? grp.size() + rng() % 3 : rng() % (grp.size() + 1));
        size_t added = i >= grp.size() ? i + 1 - grp.size() : 0;
        size_t old_len = added ? 0 : grp[i].size();
        bool fits = total + added <= kSlotCount && text_used - old_len + text.size() <= kSlotTextBytes;
        ASSERT_EQ(slot_set(g, i, T(text)), fits ? 0 : STROUTBOUND);
        refused += !fits;
        if (!fits) break;
        if (added) grp.resize(i + 1);
        total += added, text_used += text.size() - old_len;
        grp[i] = text;
        break;
      }
      case 4: case 5: {
        bool pop = rng() % 2;
        if (grp.empty()) {
          ASSERT_EQ(pop ? slot_pop(g) : slot_delete(g, 0), STROUTBOUND);
          break;
        }
        auto i = static_cast<uint16_t>(pop ? (g >= 37 ? 0 : grp.size() - 1) : rng() % grp.size());
        ASSERT_EQ(pop ? slot_pop(g) : slot_delete(g, i), 0);
        --total, text_used -= grp[i].size();
        grp.erase(grp.begin() + i);
        break;
      }
      case 6:
        for (size_t i = 0; i < grp.size() && i < 3; ++i)
          ASSERT_EQ(S(slot_get(g, static_cast<uint16_t>(i))), grp[i]);
        if (grp.size() > 1 && rng() % 400 == 0) {
          ASSERT_EQ(slot_truncate(g, 1), 0);
          std::string kept = g >= 37 ? grp.back() : grp.front();
          for (auto& s : grp) text_used -= s.size();
          total -= grp.size() - 1, text_used += kept.size();
          grp = {kept};
        }
        break;
    }
    ASSERT_EQ(slot_total(), total) << "step " << step;
    ASSERT_EQ(slot_text_free(), kSlotTextBytes - text_used) << "step " << step;
  }
  EXPECT_GT(refused, 0);   // the run reached the store's limits
  for (uint16_t g = 0; g < kSlotGroups; ++g) {
    ASSERT_EQ(slot_count(g), model[g].size());
    for (uint16_t i = 0; i < model[g].size(); ++i) ASSERT_EQ(S(slot_get(g, i)), model[g][i]);
  }
}

TEST(SlotsShutdown, UsedStoreLeavesNoLeak) {
  CoreContext ctx;
  for (uint16_t g = 0; g < kSlotGroups; ++g) ASSERT_EQ(slot_append(g, "text"_t), 0);
  EXPECT_EQ(ctx.shutdown(), 0);
}

}  // namespace
