// Moves and finds against the server: statuses, runs of equal keys through
// scroll cursors, and what each move sends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/session.h"
#include "script/variables.h"
#include "tests/data/access_fixture.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

class AccessMove : public datatest::AccessTest {
 protected:
  // lines: DOC A4, LINE N3, NAME A8; key 1 DOC+LINE, key 2 NAME.
  void SetUp() override {
    AccessTest::SetUp();
    define_file("lines", {{"DOC", 4, 'A'}, {"LINE", 3, 'N'}, {"NAME", 8, 'A'}}, {{1, 2}, {3}});
  }
  std::string record() {
    core::ArenaScope scope;
    return str(data::buffer_get(1, data::Buffer::Current));
  }
  std::string name() {
    core::ArenaScope scope;
    return str(core::text_trim(data::field_get(1, 3, data::Buffer::Current), core::kTrimRight));
  }
  // The names met walking by `move` from `start` to the end.
  std::vector<std::string> walk(int start, int move) {
    std::vector<std::string> names;
    core::Status st = data::access_navigate(1, start);
    while (st == 0 && names.size() < 100) {
      names.push_back(name());
      st = data::access_navigate(1, move);
    }
    return names;
  }
};

TEST_F(AccessMove, FirstNextPreviousLastAndTheEnds) {
  sql("INSERT INTO lines VALUES ('A', 1, 'a1'), ('A', 2, 'a2'), ('B', 1, 'b1');");
  ASSERT_EQ(data::access_open(1, data::kOpenFirst), 0);
  EXPECT_EQ(name(), "a1");
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(name(), "a2");
  EXPECT_EQ(data::access_navigate(1, data::kNavLast), 0);
  EXPECT_EQ(name(), "b1");
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), data::kStatusEnd);
  EXPECT_EQ(record(), std::string(15, ' '));  // buffers blank at the end
  EXPECT_EQ(data::access_status(1), data::kStatusEnd);
  // A previous after the end is a last.
  EXPECT_EQ(data::access_navigate(1, data::kNavPrevious), 0);
  EXPECT_EQ(name(), "b1");
  EXPECT_EQ(data::access_navigate(1, data::kNavFirst), 0);
  EXPECT_EQ(data::access_navigate(1, data::kNavPrevious), data::kStatusNotFound);
  EXPECT_EQ(walk(data::kNavLast, data::kNavPrevious), (std::vector<std::string>{"b1", "a2", "a1"}));
  // By the second key.
  EXPECT_EQ(data::access_set_key(1, 2), 2);
  EXPECT_EQ(data::access_set_key(1, 3), 0);
  EXPECT_EQ(walk(data::kNavFirst, data::kNavNext), (std::vector<std::string>{"a1", "a2", "b1"}));
}

TEST_F(AccessMove, AnEmptyFileEndsEveryMove) {
  EXPECT_EQ(data::access_open(1, data::kOpenFirst), data::kStatusEnd);
  EXPECT_EQ(data::access_navigate(1, data::kNavLast), data::kStatusEnd);
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), data::kStatusEnd);
  EXPECT_EQ(data::access_find(1, 1, "A"_t, data::kFindAtOrAfter), data::kStatusEnd);
}

TEST_F(AccessMove, ARunOfEqualKeysIsWalkedThroughAScrollCursor) {
  sql("INSERT INTO lines VALUES ('A', 1, 'first'), ('B', 1, 'x'), ('B', 1, 'y'), ('B', 1, 'z'), "
      "('C', 1, 'last');");
  ASSERT_EQ(data::access_open(1, data::kOpenFirst), 0);
  sent();
  std::vector<std::string> names = {name()};
  for (int i = 0; i < 5; ++i) {
    core::Status st = data::access_navigate(1, data::kNavNext);
    if (st != 0) break;
    names.push_back(name());
  }
  ASSERT_EQ(names.size(), 5u);
  EXPECT_EQ(names[0], "first");
  std::vector<std::string> run(names.begin() + 1, names.begin() + 4);
  std::sort(run.begin(), run.end());
  EXPECT_EQ(run, (std::vector<std::string>{"x", "y", "z"}));
  EXPECT_EQ(names[4], "last");
  std::vector<std::string> statements = sent();
  bool declared = false, fetched = false;
  for (const std::string& s : statements) {
    declared |= s.rfind("DECLARE curs_0 SCROLL CURSOR WITH HOLD FOR SELECT * FROM lines WHERE", 0) == 0;
    fetched |= s == "FETCH NEXT FROM curs_0;";
  }
  EXPECT_TRUE(declared);
  EXPECT_TRUE(fetched);
  // Backwards the run is entered from its last row.
  EXPECT_EQ(walk(data::kNavLast, data::kNavPrevious).size(), 5u);
}

TEST_F(AccessMove, FindEqualAtOrAfterAndTheSearchedKey) {
  sql("INSERT INTO lines VALUES ('A', 1, 'a1'), ('AB', 2, 'ab2'), ('C', 1, 'c1');");
  EXPECT_EQ(data::access_find(1, 1, "AB  "_t, 0), 0);
  EXPECT_EQ(name(), "ab2");
  // At or after a value the record does not start with: positioned, status 1.
  EXPECT_EQ(data::access_find(1, 1, "B"_t, data::kFindAtOrAfter), data::kStatusNotFound);
  EXPECT_EQ(name(), "c1");
  EXPECT_EQ(data::access_find(1, 1, "B"_t, 0), data::kStatusEnd);
  EXPECT_EQ(record(), std::string(15, ' '));
  // With flag 1 the buffers hold the searched key.
  EXPECT_EQ(data::access_find(1, 1, "ZZ    7"_t, data::kFindFillKey), data::kStatusEnd);
  EXPECT_EQ(record(), "ZZ    7        ");
  // An empty value: equal finds nothing without asking, at or after is the first.
  sent();
  EXPECT_EQ(data::access_find(1, 1, ""_t, 0), data::kStatusEnd);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(data::access_find(1, 1, ""_t, data::kFindAtOrAfter), 0);
  EXPECT_EQ(name(), "a1");
}

TEST_F(AccessMove, BlankKeyPartsMatchNullsAndEmptyValues) {
  sql("INSERT INTO lines VALUES (NULL, 1, 'null1'), ('', 2, 'blank2'), (NULL, NULL, 'nulls'), "
      "('A', NULL, 'anull');");
  // A blank DOC finds the NULL and the blank rows alike.
  EXPECT_EQ(data::access_find(1, 1, "      2"_t, 0), 0);
  EXPECT_EQ(name(), "blank2");
  EXPECT_EQ(data::access_find(1, 1, "    "_t, 0), 0);
  EXPECT_EQ(name(), "nulls");
  EXPECT_EQ(walk(data::kNavFirst, data::kNavNext),
            (std::vector<std::string>{"nulls", "null1", "blank2", "anull"}));
  EXPECT_EQ(walk(data::kNavLast, data::kNavPrevious),
            (std::vector<std::string>{"anull", "blank2", "null1", "nulls"}));
}

TEST_F(AccessMove, QuotesAndBackslashesInKeysAreValues) {
  sql("INSERT INTO lines VALUES (E'O''B', 1, 'quote'), (E'a\\\\b', 1, 'backsl'), ('\"x\"', 1, 'dq');");
  EXPECT_EQ(data::access_find(1, 1, "O'B"_t, 0), 0);
  EXPECT_EQ(name(), "quote");
  EXPECT_EQ(data::access_find(1, 1, "a\\b"_t, 0), 0);
  EXPECT_EQ(name(), "backsl");
  EXPECT_EQ(data::access_find(1, 1, "\"x\""_t, 0), 0);
  EXPECT_EQ(name(), "dq");
  EXPECT_EQ(walk(data::kNavFirst, data::kNavNext).size(), 3u);
  // Control bytes too, the ones that mark values in prepared forms among them.
  sql("INSERT INTO lines VALUES (E'\\x01\\x02''\\x03', 1, 'ctl');");
  EXPECT_EQ(data::access_find(1, 1, datatest::txt(std::string("\x01\x02'\x03")), 0), 0);
  EXPECT_EQ(name(), "ctl");
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(data::access_navigate(1, data::kNavPrevious), 0);
  EXPECT_EQ(name(), "ctl");
  // A number field given a text that is no number: a server error, no SQL of it.
  EXPECT_EQ(data::access_find(1, 1, "O'B 1;X"_t, 0), core::SQLERROR);
}

TEST_F(AccessMove, MovesGoOnWhenTheTableChangesAndOnASecondConnection) {
  sql("INSERT INTO lines VALUES ('A', 1, 'a1'), ('B', 1, 'b1'), ('C', 1, 'c1');");
  ASSERT_EQ(data::access_open(1, data::kOpenFirst), 0);
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  // A column added behind the fields: the prepared moves are made again.
  sql("ALTER TABLE lines ADD COLUMN extra integer;");
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(name(), "c1");
  EXPECT_EQ(data::access_navigate(1, data::kNavPrevious), 0);
  EXPECT_EQ(name(), "b1");
  // A second connection prepares its own; back on the first, its own still serve.
  ASSERT_EQ(connect(), 0);
  EXPECT_EQ(script::var_get_int(core::kSwSqlStk), 1);
  EXPECT_EQ(data::access_navigate(1, data::kNavPrevious), 0);
  EXPECT_EQ(name(), "a1");
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(data::session_close(), 0);
  EXPECT_EQ(data::access_navigate(1, data::kNavNext), 0);
  EXPECT_EQ(name(), "c1");
  EXPECT_EQ(data::access_navigate(1, data::kNavPrevious), 0);
  EXPECT_EQ(name(), "b1");
}

TEST_F(AccessMove, AFileNumberThatNamesNoFileIsAnError) {
  EXPECT_EQ(data::access_navigate(7, data::kNavFirst), core::FILEOUTBOUND);
  EXPECT_EQ(data::access_open(7, 0), core::FILEOUTBOUND);
  EXPECT_EQ(data::access_find(7, 1, "A"_t, 0), core::FILEOUTBOUND);
  EXPECT_EQ(data::access_set_key(7, 1), 0);
}

TEST_F(AccessMove, OpenFileSetsAndRestore) {
  define_file("docs", {{"DOC", 4, 'A'}, {"TOTAL", 8, '2'}}, {{1}});
  sql("INSERT INTO lines VALUES ('A', 1, 'a1');");
  sql("INSERT INTO docs VALUES ('D', 5);");
  // The last item is positioned on its first record; its status is the answer.
  EXPECT_EQ(data::access_open_set("docs;1,LINES"_t), 0);
  EXPECT_EQ(name(), "a1");
  EXPECT_EQ(data::access_status(2), data::kStatusEnd);  // opened, not positioned
  EXPECT_EQ(data::access_open_set("2"_t), 0);
  EXPECT_EQ(data::access_status(2), 0);
  EXPECT_EQ(data::access_open_set("RESTORE"_t), 0);  // back to the first set
  EXPECT_EQ(data::access_open_set("lines,nothing"_t), core::FILESOPEN);
  core::ArenaScope scope;
  EXPECT_EQ(str(core::error_detail()), "nothing");
}

TEST_F(AccessMove, APositioningTheServerRefusesTurnsTheNullsClausesOff) {
  sql("DROP TABLE lines;");
  core::BoxHook quiet = [](core::Text, core::Text, core::BoxIcon) {};
  core::box_hook_set(quiet);
  EXPECT_EQ(data::access_open(1, data::kOpenFirst), core::SQLERROR);
  core::box_hook_set(nullptr);
  EXPECT_EQ(script::var_get_int(core::kSwSysCompat) & 1, 1);
  std::vector<std::string> statements = sent();
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_NE(statements[0].find("NULLS FIRST"), std::string::npos);
  EXPECT_EQ(statements[1], "SELECT * FROM lines ORDER BY \"DOC\", \"LINE\" LIMIT 1;");
}

}  // namespace
