// The command line, options by position and process names: data-file cases.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/slots.h"
#include "script/variables.h"
#include "shell/app/app.h"
#include "shell/paths/paths.h"
#include "tests/runner/datafile.h"

namespace {

using core::Text;

std::string str(Text t) {
  if (!t.ok()) return "(error " + std::to_string(t.len) + ")";
  return t.len == 0 ? "(empty)" : std::string(t.ptr, t.len);
}
Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

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
    return str(shell::command_line_join(static_cast<int>(argv.size()), argv.data()));
  }
  std::string out;
  if (c.command == "macro") {
    for (size_t i = 1; i < lines.size(); ++i) {
      core::ArenaScope step;
      out += str(shell::macro_expand(txt(lines[i]), std::stoi(c.args.at(0)), txt(lines[0]))) + "\n";
    }
  }
  for (const std::string& line : c.command == "macro" ? std::vector<std::string>{} : lines) {
    core::ArenaScope step;
    if (c.command == "normalise") {
      out += str(shell::command_line_normalise(txt(line))) + "\n";
    } else if (c.command == "option") {
      EXPECT_EQ(core::slot_set(shell::kGroupEnv, shell::kEnvCommandLine,
                               shell::command_line_normalise(txt(line))),
                0);
      auto position = static_cast<uint16_t>(std::stoi(c.args.at(0)));
      out += (shell::option_present(position) ? str(shell::option_value(position)) : "(absent)") +
             "\n";
    } else if (c.command == "process") {
      Text argument;
      uint32_t code = shell::process_code(txt(line), &argument);
      if (shell::process_kind(code) == 0) {
        out += "code " + std::to_string(shell::process_status(code)) + "\n";
      } else {
        out += std::to_string(shell::process_kind(code)) + "|" +
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
  testrunner::datafile_run("shell/app/command_line.test", run_case);
}

TEST(CommandLine, OptionIndexInAList) {
  core::CoreContext core;
  core::ArenaScope scope;
  ASSERT_EQ(core::slot_set(shell::kGroupEnv, shell::kEnvCommandLine,
                           core::operator""_t("/MODE:prntofile", 15)),
            0);
  EXPECT_EQ(shell::option_index(shell::kOptMode, shell::kModeList), shell::kModePrintToFile);
  ASSERT_EQ(core::slot_set(shell::kGroupEnv, shell::kEnvCommandLine,
                           core::operator""_t("/MODE:other", 11)),
            0);
  EXPECT_EQ(shell::option_index(shell::kOptMode, shell::kModeList), 0);
  EXPECT_EQ(shell::option_index(shell::kOptRun, shell::kModeList), 0);
  EXPECT_EQ(str(shell::option_value(0)), "(empty)");
  EXPECT_EQ(str(shell::option_value(99)), "(empty)");
}

}  // namespace
