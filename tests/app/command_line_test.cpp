// The command line, options by position and process names: data-file cases.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "core/arena.h"
#include "core/context.h"
#include "core/slots.h"
#include "paths/paths.h"
#include "script/variables.h"
#include "tests/runner/datafile.h"
#include "tests/support/show.h"

namespace {

using core::Text;

using testsupport::str;
using testsupport::txt;

std::vector<std::string> lines_of(const std::string& input) {
  std::vector<std::string> lines;
  std::istringstream in(input);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string run_case(const testrunner::DataCase& c) {
  core::CoreContext core;
  script::ScriptContext script;
  core::ArenaScope scope;
  std::vector<std::string> lines = lines_of(c.input);
  if (c.command == "join") {
    std::vector<const char*> argv{"/usr/bin/apprun"};
    for (const std::string& l : lines) argv.push_back(l.c_str());
    return str(app::command_line_join(static_cast<int>(argv.size()), argv.data()));
  }
  std::string out;
  if (c.command == "macro") {
    for (size_t i = 1; i < lines.size(); ++i) {
      core::ArenaScope step;
      out += str(app::macro_expand(txt(lines[i]), std::stoi(c.args.at(0)), txt(lines[0]))) + "\n";
    }
  }
  for (const std::string& line : c.command == "macro" ? std::vector<std::string>{} : lines) {
    core::ArenaScope step;
    if (c.command == "normalise") {
      out += str(app::command_line_normalise(txt(line))) + "\n";
    } else if (c.command == "option") {
      EXPECT_EQ(core::slot_set(core::kGroupEnv, core::kEnvCommandLine,
                               app::command_line_normalise(txt(line))),
                0);
      auto position = static_cast<uint16_t>(std::stoi(c.args.at(0)));
      out += (app::option_present(position) ? str(app::option_value(position)) : "(absent)") + "\n";
    } else if (c.command == "unknown") {
      Text unknown = app::option_unknown(app::command_line_normalise(txt(line)));
      out += (unknown.len == 0 ? std::string("(none)") : str(unknown)) + "\n";
    } else if (c.command == "process") {
      Text argument;
      uint32_t code = app::process_code(txt(line), &argument);
      if (app::process_kind(code) == 0) {
        out += "code " + std::to_string(app::process_status(code)) + "\n";
      } else {
        out += std::to_string(app::process_kind(code)) + "|" +
               std::string(argument.ptr, argument.len) + "\n";
      }
    } else {
      return "unknown command " + c.command;
    }
  }
  if (!out.empty()) out.pop_back();
  return out;
}

TEST(CommandLine, DataFileCases) {
  testrunner::DataCommands commands(run_case, {"join", "normalise", "option", "unknown", "process", "macro"});
  testrunner::datafile_run("app/command_line.test");
}

TEST(CommandLine, OptionIndexInAList) {
  core::CoreContext core;
  core::ArenaScope scope;
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvCommandLine,
                           core::operator""_t("/MODE:prntofile", 15)),
            0);
  EXPECT_EQ(app::option_index(app::kOptMode, app::kModeList), app::kModePrintToFile);
  ASSERT_EQ(
      core::slot_set(core::kGroupEnv, core::kEnvCommandLine, core::operator""_t("/MODE:other", 11)),
      0);
  EXPECT_EQ(app::option_index(app::kOptMode, app::kModeList), 0);
  EXPECT_EQ(app::option_index(app::kOptRun, app::kModeList), 0);
  EXPECT_EQ(str(app::option_value(0)), "(empty)");
  EXPECT_EQ(str(app::option_value(99)), "(empty)");
}

}  // namespace

namespace {

// Found by fuzz_keys: a long line with many double blanks ran the scratch
// arena out (every pass of the old replace loop kept a copy), so a
// normalised line could not be normalised again.
TEST(CommandLine, LongLinesNormaliseInOnePassAndStayNormal) {
  core::CoreContext core;
  core::ArenaScope scope;
  std::string line;
  while (line.size() < 20000) line += "%e  -x  --y '  -q' ";
  Text once = app::command_line_normalise(txt(line));
  ASSERT_TRUE(once.ok());
  Text twice = app::command_line_normalise(once);
  ASSERT_TRUE(twice.ok());
  EXPECT_EQ(str(once), str(twice));
  EXPECT_EQ(str(once).substr(0, 26), "%e /x /y '  -q' %e /x /y '");
  EXPECT_EQ(str(app::command_line_normalise(txt("/A:'unclosed  -x"))), "/A:'unclosed  -x");
}

}  // namespace
