// The scratch arena (limits, release, keep-result) and the block allocator
// behind it (handles, guard bytes, owner tags, the shutdown leak check).
#include "core/arena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/text.h"

namespace {

using namespace core;

std::string S(Text t) { return t.ok() ? std::string(t.ptr, t.len) : "<error " + std::to_string(t.len) + ">"; }

class ArenaTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(ctx_.status(), 0); }
  CoreContext ctx_;
};

TEST_F(ArenaTest, EntriesRunOutAtTheLastOfTheTable) {
  const uint16_t base = arena_mark();
  ASSERT_EQ(base, 0);
  // Entry 0 is the empty base; entries 1 to 47 can be handed out.
  for (int i = 1; i < kArenaEntries; ++i) ASSERT_EQ(arena_alloc(1, 'x'), kOk) << i;
  EXPECT_EQ(arena_mark(), kArenaEntries - 1);
  EXPECT_EQ(arena_alloc(0, 0), OUTOFMEMORY);
  EXPECT_EQ(arena_push("y"_t), OUTOFMEMORY);
  EXPECT_EQ(text_copy("y"_t).len, OUTOFMEMORY);  // as an error value
  EXPECT_EQ(arena_entries_high_water(), kArenaEntries);
  // Usable again after a release to an earlier mark.
  EXPECT_EQ(arena_release(10), 10);
  EXPECT_EQ(arena_alloc(4, 'z'), kOk);
  EXPECT_EQ(S(arena_top()), "zzzz");
  arena_release(base);
}

TEST_F(ArenaTest, DataAreaRunsOutBeforeItsLastByte) {
  // Sizes round up to a multiple of 4: 3 bytes take 4.
  const uint32_t before = arena_free_bytes();
  ASSERT_EQ(arena_alloc(3, 0), kOk);
  EXPECT_EQ(before - arena_free_bytes(), 4u);
  arena_release(0);
  // The new top may not reach the end of the data area.
  EXPECT_EQ(arena_alloc(kArenaBytes, kNoFill), OUTOFMEMORY);
  ASSERT_EQ(arena_alloc(kArenaBytes - 4, kNoFill), kOk);
  EXPECT_EQ(arena_free_bytes(), 0u);
  EXPECT_EQ(arena_alloc(1, 0), OUTOFMEMORY);
  EXPECT_EQ(arena_alloc(0, 0), kOk);  // an empty entry takes no bytes
  EXPECT_EQ(arena_used_high_water(), kArenaBytes - 4);
  arena_release(0);
  EXPECT_EQ(arena_free_bytes(), kArenaBytes - 4);
  // More than 16 bits is never an entry.
  EXPECT_EQ(arena_alloc(70000, kNoFill), OUTOFMEMORY);
}

TEST_F(ArenaTest, FillAndNoFill) {
  ASSERT_EQ(arena_alloc(5, '.'), kOk);
  EXPECT_EQ(S(arena_top()), ".....");
  // 255 leaves the bytes as they were: the old ones show through.
  arena_release(0);
  ASSERT_EQ(arena_alloc(5, kNoFill), kOk);
  EXPECT_EQ(S(arena_top()), ".....");
  arena_release(0);
}

TEST_F(ArenaTest, ReleaseIgnoresMarksItCannotHonour) {
  ASSERT_EQ(arena_push("a"_t), kOk);
  ASSERT_EQ(arena_push("b"_t), kOk);
  const uint16_t mark = arena_mark();
  // 65,535 asks for nothing and answers the mark.
  EXPECT_EQ(arena_release(65535), mark);
  EXPECT_EQ(S(arena_top()), "b");
  // A mark beyond the table or above the current index changes nothing.
  EXPECT_EQ(arena_release(kArenaEntries), mark);
  EXPECT_EQ(arena_release(static_cast<uint16_t>(mark + 3)), mark);
  EXPECT_EQ(S(arena_top()), "b");
  EXPECT_EQ(arena_release(1), 1);
  EXPECT_EQ(S(arena_top()), "a");
  arena_release(0);
}

TEST_F(ArenaTest, KeepSurvivesItsOwnRelease) {
  const uint16_t mark = arena_mark();
  ASSERT_EQ(arena_push("scratch one"_t), kOk);
  ASSERT_EQ(arena_push("the result"_t), kOk);
  Text result = arena_top();
  ASSERT_EQ(arena_push("scratch two"_t), kOk);
  // The result lies in the released area; it is copied down over it.
  Text kept = arena_keep(mark, result);
  EXPECT_EQ(S(kept), "the result");
  EXPECT_EQ(arena_mark(), mark + 1);
  // An error value is returned as it is, after the release.
  ASSERT_EQ(arena_push("x"_t), kOk);
  Text err = arena_keep(mark, text_error_value(NOVALUE));
  EXPECT_EQ(err.len, NOVALUE);
  EXPECT_FALSE(err.ok());
  EXPECT_EQ(arena_mark(), mark);
}

TEST_F(ArenaTest, ScopeReleasesOrKeepsOne) {
  const uint16_t outer = arena_mark();
  {
    ArenaScope scope;
    ASSERT_EQ(arena_push("temporary"_t), kOk);
  }
  EXPECT_EQ(arena_mark(), outer);
  Text kept;
  {
    ArenaScope scope;
    Text a = text_copy("left"_t);
    Text b = text_copy("right"_t);
    kept = scope.keep(text_concat(a, b));
  }
  EXPECT_EQ(S(kept), "leftright");
  EXPECT_EQ(arena_mark(), outer + 1);
  arena_release(outer);
}

TEST_F(ArenaTest, KeepManyKeepsEveryResultInOrder) {
  const uint16_t mark = arena_mark();
  ASSERT_EQ(arena_push("junk"_t), kOk);
  Text a = text_copy("first"_t);
  ASSERT_EQ(arena_push("more junk between"_t), kOk);
  Text b = text_copy("second, longer"_t);
  Text bad = text_error_value(FILENOTFOUND);
  Text c = "a literal outside the arena"_t;
  Text* items[] = {&a, &bad, &b, &c};
  ASSERT_EQ(arena_keep_many(mark, items, 4), kOk);
  EXPECT_EQ(S(a), "first");
  EXPECT_EQ(S(b), "second, longer");
  EXPECT_EQ(S(c), "a literal outside the arena");
  EXPECT_EQ(bad.len, FILENOTFOUND);   // error values are left alone
  EXPECT_EQ(arena_mark(), mark + 3);  // exactly the three copies remain
  EXPECT_LT(a.ptr, b.ptr);
  arena_release(mark);
}

TEST_F(ArenaTest, KeepManyThatCannotCopyLeavesTheArenaAsItWas) {
  const uint16_t mark = arena_mark();
  Text big = text_copy(text_view(std::string(30000, 'x').data(), 30000));
  ASSERT_TRUE(big.ok());
  const uint16_t top = arena_mark();
  Text* items[] = {&big};
  // The temporary copy above the top does not fit next to the original.
  EXPECT_EQ(arena_keep_many(mark, items, 1), OUTOFMEMORY);
  EXPECT_EQ(arena_mark(), top);
  EXPECT_EQ(big.len, 30000);
  arena_release(mark);
}

TEST_F(ArenaTest, PushIsOverlapSafe) {
  ASSERT_EQ(arena_push("abcdef"_t), kOk);
  Text whole = arena_top();
  // A part of the newest entry pushed again.
  ASSERT_EQ(arena_push(text_sub(whole, 2, 3)), kOk);
  EXPECT_EQ(S(arena_top()), "cde");
  arena_release(0);
  EXPECT_EQ(arena_push(text_error_value(OUTOFMEMORY)), OUTOFMEMORY);
}

class BlocksTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(ctx_.status(), 0); }
  CoreContext ctx_;
};

TEST_F(BlocksTest, GuardBehindTheBlockAndFill) {
  const uint16_t h = block_alloc(40, 10, 'A');
  ASSERT_NE(h, kNoHandle);
  auto* p = static_cast<unsigned char*>(block_pointer(h));
  EXPECT_EQ(block_size(h), 10u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(p), 10), std::string(10, 'A'));
  const unsigned char guard[4] = {0x00, 0x21, 0x21, 0x00};
  EXPECT_EQ(std::memcmp(p + 10, guard, 4), 0);
  EXPECT_EQ(block_free(40, h), kOk);
  EXPECT_EQ(block_pointer(h), nullptr);
}

TEST_F(BlocksTest, FreeChecksGuardOwnerAndPointer) {
  const uint16_t live = block_live_count();
  const uint16_t h = block_alloc(40, 8, 0);
  ASSERT_NE(h, kNoHandle);
  EXPECT_EQ(block_live_count(), live + 1);
  auto* p = static_cast<unsigned char*>(block_pointer(h));
  // Another owner may not free it.
  EXPECT_EQ(block_free(41, h), INTERNAL);
  EXPECT_EQ(block_free_pointer(41, p), INTERNAL);
  // A write one byte past the requested size damages the guard.
  p[8 + 1] = 'X';
  EXPECT_EQ(block_free(40, h), MEMORYOVERFLOW);
  EXPECT_EQ(block_live_count(), live + 1);  // still live: nothing was freed
  p[8 + 1] = 0x21;
  EXPECT_EQ(block_free_pointer(40, p), kOk);
  EXPECT_EQ(block_live_count(), live);
  // Pointers and handles that are not live blocks.
  int local = 0;
  EXPECT_EQ(block_free_pointer(40, &local), MEMORYALLOCERR);
  EXPECT_EQ(block_free_pointer(40, nullptr), MEMORYALLOCERR);
  EXPECT_EQ(block_free(40, h), MEMORYALLOCERR);
  EXPECT_EQ(block_free(40, kNoHandle), MEMORYALLOCERR);
}

TEST_F(BlocksTest, HandlesRunOutAtSixtyFour) {
  std::vector<uint16_t> handles;
  for (;;) {
    uint16_t h = block_alloc(50, 4, kNoFill);
    if (h == kNoHandle) break;
    handles.push_back(h);
  }
  // The arena's two blocks and the slot store's one hold the rest.
  EXPECT_EQ(handles.size() + 3u, kBlockHandles);
  EXPECT_EQ(block_live_count(), kBlockHandles);
  // A freed handle is the next one handed out.
  const uint16_t reused = handles[5];
  ASSERT_EQ(block_free(50, reused), kOk);
  EXPECT_EQ(block_alloc(50, 4, kNoFill), reused);
  for (uint16_t h : handles) EXPECT_EQ(block_free(50, h), kOk);
}

TEST_F(BlocksTest, ResizeKeepsTheBytesAndChecksTheOwner) {
  const uint16_t h = block_alloc(60, 6, 0);
  ASSERT_NE(h, kNoHandle);
  char* p = static_cast<char*>(block_pointer(h));
  std::memcpy(p, "abcdef", 6);
  EXPECT_EQ(block_resize(61, p, 100), nullptr);  // not its owner
  char* q = static_cast<char*>(block_resize(60, p, 100));
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(std::string(q, 6), "abcdef");
  char* r = static_cast<char*>(block_resize(60, q, 3));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(std::string(r, 3), "abc");
  EXPECT_EQ(block_free_pointer(60, r), kOk);
  int local = 0;
  EXPECT_EQ(block_resize(60, &local, 10), nullptr);
}

TEST(BlocksShutdown, LiveBlocksAreLeaksAndAreFreed) {
  CoreContext ctx;
  ASSERT_EQ(ctx.status(), 0);
  ASSERT_NE(block_alloc(70, 16, 0), kNoHandle);
  ASSERT_NE(block_alloc(71, 16, 0), kNoHandle);
  EXPECT_EQ(ctx.shutdown(), MEMORYLEAKS);
  EXPECT_EQ(ctx.shutdown(), kOk);  // once only; the blocks are gone
}

TEST(BlocksShutdown, TheCoresOwnBlocksAreNoLeak) {
  CoreContext ctx;
  ASSERT_EQ(ctx.status(), 0);
  ASSERT_EQ(block_live_count(), 3);
  const uint16_t h = block_alloc(70, 16, 0);
  ASSERT_EQ(block_free(70, h), kOk);
  EXPECT_EQ(ctx.shutdown(), kOk);
}

}  // namespace
