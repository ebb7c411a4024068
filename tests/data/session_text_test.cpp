// Literals and server-message cleaning as data files.
#include <gtest/gtest.h>

#include "core/arena.h"
#include "data/session.h"
#include "tests/data/pg_test.h"
#include "tests/runner/datafile.h"

namespace {

using datatest::str;
using datatest::txt;

class SessionTextTest : public datatest::RuntimeTest {};

TEST_F(SessionTextTest, LiteralsAndMessages) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    core::ArenaScope scope;
    if (c.command == "literal") return str(data::sql_literal(txt(c.input)));
    if (c.command == "clean") return str(data::sql_message_clean(txt(c.input)));
    return "unknown command " + c.command;
  };
  testrunner::DataCommands commands(handler, {"literal", "clean"});
  testrunner::datafile_run("data/session_text.test");
}

TEST_F(SessionTextTest, ErrorValuesPassThrough) {
  core::Text bad = core::text_error_value(core::STROUTBOUND);
  EXPECT_EQ(str(data::sql_literal(bad)), "error 159");
  EXPECT_EQ(str(data::sql_message_clean(bad)), "error 159");
  core::ArenaScope scope;
  EXPECT_EQ(str(data::sql_literal(core::Text{})), "''");
}

}  // namespace
