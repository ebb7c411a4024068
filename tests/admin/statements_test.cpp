// The administration statements as data files: every name quoted as an
// identifier, every value a literal, the columns of the dictionary's types.
#include <gtest/gtest.h>

#include "admin/statements.h"
#include "tests/data/pg_test.h"
#include "tests/runner/datafile.h"

namespace {

std::string arg(const testrunner::DataCase& c, size_t n) { return n < c.args.size() ? c.args[n] : ""; }

class AdminStatements : public datatest::RuntimeTest {};

// Without a connection the names are quoted by the same rule libpq follows.
TEST_F(AdminStatements, Forms) {
  // The input line is the name (or the password's literal) so that it may
  // hold blanks, quotes and semicolons.
  const testrunner::Handler handler = [](const testrunner::DataCase& c) -> std::string {
    const std::string& in = c.input;
    if (c.command == "group") return admin::sql_create_group(in);
    if (c.command == "user") return admin::sql_create_user(in, "'SCRAM-SHA-256$v'");
    if (c.command == "password") return admin::sql_alter_password(in, "'SCRAM-SHA-256$v'");
    if (c.command == "join") return admin::sql_grant_group(arg(c, 0), in) + "\n" + admin::sql_revoke_group(arg(c, 0), in);
    if (c.command == "drop") return admin::sql_drop_role(in);
    if (c.command == "grant") return admin::sql_grant_table(arg(c, 0), in, arg(c, 1) == "write");
    if (c.command == "revoke") return admin::sql_revoke_table(arg(c, 0), in);
    if (c.command == "owner") return admin::sql_table_owner(arg(c, 0), in);
    if (c.command == "database") return admin::sql_create_database(in, "postgres", arg(c, 0));
    if (c.command == "role_present") return admin::sql_role_present(in);
    if (c.command == "column") return admin::column_definition(in, arg(c, 0)[0], std::stoi(arg(c, 1)));
    return "unknown command " + c.command;
  };
  testrunner::DataCommands commands(handler, {"group", "user", "password", "join", "drop", "grant", "revoke",
                                              "owner", "database", "role_present", "column"});
  testrunner::datafile_run("admin/statements.test");
}

}  // namespace
