// Two runtimes on the same tables at once: a second process (a child of
// the test) edits, inserts and deletes lines of the same file while the
// test does the same. Each runtime refuses to write a record the other has
// changed since it was read, and the relational totals stay exactly the
// sums of the lines.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/slots.h"
#include "data/access.h"
#include "data/context.h"
#include "data/dictionary.h"
#include "data/recop.h"
#include "data/records.h"
#include "data/session.h"
#include "script/variables.h"
#include "tests/data/access_fixture.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

const char* kRules = "0101SALDO{CUENTAS}=SALDO{CUENTAS}+AMT{}*_SGN,MOVES{CUENTAS}=MOVES{CUENTAS}+_SGN\r\n";

struct Tally {
  int writes = 0;
  int refused = 0;
};

// Edits of one runtime: `rounds` random saves, moves of lines to other
// accounts, inserts and deletes, each through the record operations.
Tally edit(uint32_t seed, int rounds, const char* own_doc) {
  Tally t;
  uint32_t s = seed;
  auto next = [&s](uint32_t n) {
    s = s * 1103515245u + 12345u;
    return (s >> 16) % n;
  };
  for (int i = 0; i < rounds; ++i) {
    core::ArenaScope scope;
    uint32_t what = next(10);
    core::Status st;
    if (what == 0) {
      // A new line of this runtime's own document.
      static_cast<void>(data::access_open(1, 0));
      static_cast<void>(data::field_put(1, 1, txt(own_doc)));
      static_cast<void>(data::field_put(1, 2, txt(std::to_string(i))));
      static_cast<void>(data::field_put(1, 3, txt("C" + std::to_string(next(4)))));
      static_cast<void>(data::field_put(1, 4, txt(std::to_string(next(100)))));
      st = data::record_operation(1, data::kWordInsert, data::RecordTexts{});
    } else {
      std::string key = "D" + std::to_string(next(4)) + "  " + "  " + std::to_string(next(6));
      if (data::access_find(1, 1, txt(key), 0) != 0) continue;
      // A pause between reading and writing, as a user makes: the other
      // runtime gets to change the same line meanwhile.
      usleep(300);
      if (what == 1) {
        st = data::record_operation(1, data::kWordDelete, data::RecordTexts{});
        if (st == 2) st = 0;  // nothing after it to land on
      } else {
        if (what < 6) static_cast<void>(data::field_put(1, 4, txt(std::to_string(next(1000)) + ".25")));
        else static_cast<void>(data::field_put(1, 3, txt("C" + std::to_string(next(4)))));
        st = data::record_operation(1, data::kWordSave, data::RecordTexts{});
      }
    }
    if (st == 0) ++t.writes;
    else if (st == data::kStatusChanged || st == core::INDEXCMDERROR) ++t.refused;
    else ADD_FAILURE() << "operation " << what << " answered " << st;
  }
  return t;
}

class Concurrency : public datatest::AccessTest {
 protected:
  void SetUp() override {
    AccessTest::SetUp();
    load_dictionary({{"XXDICC.DAT", datatest::kAccountsDictionary}, {"XXRELUPSQL.DAT", kRules}});
    create_tables(true);
    std::string lines;
    for (int d = 0; d < 4; ++d)
      for (int n = 0; n < 6; ++n)
        lines += std::string(lines.empty() ? "" : ",") + "('D" + std::to_string(d) + "', " +
                 std::to_string(n) + ", 'C" + std::to_string((d + n) % 4) + "', " +
                 std::to_string(10 * d + n) + ")";
    sql("INSERT INTO movs VALUES " + lines + ";");
    sql("INSERT INTO cuentas SELECT \"ACC\", sum(\"AMT\"), count(*) FROM movs GROUP BY \"ACC\";");
  }
};

TEST_F(Concurrency, TwoRuntimesEditingTheSameLinesKeepTheTotalsExact) {
  std::string folder = folder_.path();
  std::string db = db_;
  // The child says when it is ready, so that both edit at the same time.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  fflush(nullptr);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A runtime of its own; the parent's connection is never touched here,
    // and _exit leaves it to the parent.
    int code = 1;
    {
      core::CoreContext core;
      script::ScriptContext script;
      data::DataContext data;
      static_cast<void>(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder)));
      static_cast<void>(core::slot_set(core::kGroupEnv, core::kEnvApName, "XXTEST"_t));
      if (data::sql_connect(txt(datatest::pg_host()), txt(db), "postgres"_t, core::Text{}, 0) == 0 &&
          data::dict_load("XX"_t, txt(folder), ""_t) == 0) {
        static_cast<void>(write(ready[1], "r", 1));
        Tally t = edit(99, 300, "E1");
        code = t.writes > 0 ? 0 : 2;
      }
    }
    static_cast<void>(write(ready[1], "x", 1));
    _exit(code);
  }
  char go = 0;
  ASSERT_EQ(read(ready[0], &go, 1), 1);
  close(ready[0]);
  close(ready[1]);
  Tally t = edit(7, 300, "E0");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_GT(t.writes, 50);
  // Every account's total and count are those of its lines.
  EXPECT_EQ(sql("SELECT count(*) FROM cuentas c FULL JOIN (SELECT \"ACC\", sum(\"AMT\") AS s, "
                "count(*) AS n FROM movs GROUP BY \"ACC\") m ON m.\"ACC\" = c.\"ACC\" "
                "WHERE coalesce(c.\"SALDO\", 0) <> coalesce(m.s, 0) OR coalesce(c.\"MOVES\", 0) <> coalesce(m.n, 0);"),
            "0")
      << sql("SELECT string_agg(\"ACC\" || ' ' || \"SALDO\" || ' ' || \"MOVES\", '; ') FROM cuentas;") << " / "
      << sql("SELECT string_agg(\"ACC\" || ' ' || s || ' ' || n, '; ') FROM (SELECT \"ACC\", sum(\"AMT\") s, "
             "count(*) n FROM movs GROUP BY \"ACC\") m;");
}

}  // namespace
