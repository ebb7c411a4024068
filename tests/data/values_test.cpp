// Values on their way to the server and back: hostile literals, every
// Windows-1252 byte in a UTF8 and a WIN1252 database, server messages
// with letters outside ASCII.
#include <gtest/gtest.h>

#include "core/arena.h"
#include "core/errors.h"
#include "data/session.h"
#include "tests/data/pg_test.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

// The bytes Windows-1252 leaves undefined.
bool undefined_in_cp1252(int b) {
  return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

class ValuesTest : public datatest::DbTest {
 protected:
  // Inserts the values in one statement and reads them back in order.
  void round_trip(const std::vector<std::string>& values) {
    core::ArenaScope scope;
    ASSERT_EQ(data::sql_exec_simple("CREATE TABLE x (n serial, a text, b text);"_t), 0);
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
      std::string insert = "INSERT INTO x (a, b) VALUES (" +
                           str(data::sql_literal(txt(values[i]))) + ", " +
                           str(data::sql_literal(txt(values[i + 1]))) + ");";
      ASSERT_EQ(data::sql_exec_simple(txt(insert)), 0) << insert;
    }
    int64_t rows = 0;
    ASSERT_EQ(data::sql_exec("SELECT a, b FROM x ORDER BY n;"_t, -1, &rows), 0);
    ASSERT_EQ(rows, static_cast<int64_t>(values.size() / 2));
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
      EXPECT_EQ(str(data::sql_value(static_cast<int>(i / 2), 0, -1)), values[i]);
      EXPECT_EQ(str(data::sql_value(static_cast<int>(i / 2), 1, -1)), values[i + 1]);
    }
    data::sql_release(-1);
    ASSERT_EQ(data::sql_exec_simple("DROP TABLE x;"_t), 0);
  }
};

const std::vector<std::string> kHostile = {
    "O'Brien",
    "say \"hi\"",
    "a\\",
    "); DROP TABLE x; --",
    "\\",
    "'",
    "'; DROP TABLE x; --",
    "\\'; DROP TABLE x; --",
    "\\x27",
    "E'\\\\'",
    "''",
    "\"\"",
    "tab\there",
    "line\r\nend",
    "100%",
    "$$; DROP TABLE x; $$",
};

TEST_F(ValuesTest, HostileValuesArriveExactlyAsTyped) {
  ASSERT_EQ(connect(), core::kOk);
  round_trip(kHostile);
  // The same when the server reads backslashes in plain literals as escapes.
  ASSERT_EQ(data::sql_exec_simple("SET standard_conforming_strings = off;"_t), 0);
  round_trip(kHostile);
}

TEST_F(ValuesTest, EveryWindows1252ByteComesBackUnchanged) {
  std::string all;
  for (int b = 1; b < 256; ++b)
    if (!undefined_in_cp1252(b)) all += static_cast<char>(b);
  std::string win = make_database("_w", "WIN1252");
  for (const std::string& database : {db_, win}) {
    SCOPED_TRACE(database);
    ASSERT_EQ(connect(0, database), core::kOk);
    round_trip({all, all.substr(0x7F)});
    data::session_close();
  }
  // The server holds the characters, not the bytes: é and € in UTF-8.
  ASSERT_EQ(connect(0, db_), core::kOk);
  ASSERT_EQ(data::sql_exec_simple("CREATE TABLE y (a text); INSERT INTO y VALUES ('\xE9\x80');"_t),
            0);
  EXPECT_EQ(sql("SELECT a FROM y;"), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(sql("SELECT length(a) FROM y;"), "2");
}

TEST_F(ValuesTest, BytesWindows1252LacksAreRefusedByAUtf8Database) {
  ASSERT_EQ(connect(), core::kOk);
  ASSERT_EQ(data::sql_exec_simple("CREATE TABLE z (a text);"_t), 0);
  for (int b = 0x80; b < 0xA0; ++b) {
    if (!undefined_in_cp1252(b)) continue;
    std::string insert = std::string("INSERT INTO z VALUES ('") + static_cast<char>(b) + "');";
    EXPECT_EQ(data::sql_exec_simple(txt(insert)), core::SQLERROR) << b;
  }
  EXPECT_EQ(sql("SELECT count(*) FROM z;"), "0");
}

TEST_F(ValuesTest, ServerMessagesReadInWindows1252) {
  std::string win = make_database("_w", "WIN1252");
  for (const std::string& database : {db_, win}) {
    SCOPED_TRACE(database);
    ASSERT_EQ(connect(0, database), core::kOk);
    EXPECT_EQ(data::sql_exec_simple("DO $$ BEGIN RAISE EXCEPTION 'no existe la relaci\xF3n \xAB"
                                    "clientes\xBB'; END $$;"_t),
              core::SQLERROR);
    std::string detail = str(core::error_detail());
    EXPECT_EQ(detail.substr(0, detail.find('\n')), "ERROR:  no existe la relaci\xF3n \"clientes\"");
    data::session_close();
  }
}

}  // namespace
