// Data-file tests: cases of input and expected output, case after case.
//
// A file holds cases separated by blank lines; lines starting with "#"
// between cases are comments. A case is
//
//   <header: a command word and its arguments, separated by blanks>
//   <input lines, any number>
//   ----
//   <expected output lines, any number>
//
// and ends at the next blank line. Input and expected output are their lines
// joined by "\n" with no final line break. A case without "----" expects an
// empty output. After the directive line "%escapes" the sequences \t \r \n
// \s (blank) \\ and \xNN in input and expected lines stand for their bytes,
// which lets cases hold Windows-1252 bytes, control characters and trailing
// blanks.
//
// A case is run by the handler of its command, as sqllogictest does: a test
// program registers its commands (DATAFILE_COMMANDS at file scope, or a
// DataCommands object inside a test whose handlers need its fixture), and
// datafile_run finds each case's handler by the case's command. A command
// nobody registered fails its case.
//
// Rewrite mode: with APP_TEST_REWRITE=1 in the environment, datafile_run
// writes each case's actual output as its expected output into the file
// instead of comparing, for review with git diff.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace testrunner {

struct DataCase {
  std::string file;
  int line = 0;                    // line of the header
  int expected_from = 0;           // the first line of the expected output, 0 without "----"
  int expected_to = 0;             // the line after it (the blank line or the end)
  std::string header;              // the whole header line
  std::string command;             // its first word
  std::vector<std::string> args;   // the remaining words
  std::string input;
  std::string expected;
};

// Reads a data file; on a malformed file returns no cases and sets *error.
std::vector<DataCase> datafile_read(const std::string& path, std::string* error);

// Decodes the escapes described above.
std::string datafile_unescape(const std::string& s);

// The output escaped for a file with "%escapes": control bytes, the
// backslash and a blank that ends a line, written as their escapes.
std::string datafile_escape(const std::string& s);

using Handler = std::function<std::string(const DataCase&)>;

// Handlers by command, registered while the object lives (a later
// registration of a command hides an earlier one until it goes).
class DataCommands {
 public:
  DataCommands(std::initializer_list<std::pair<std::string, Handler>> commands);
  // One handler for several commands.
  DataCommands(const Handler& handler, std::initializer_list<const char*> commands);
  ~DataCommands();
  DataCommands(const DataCommands&) = delete;
  DataCommands& operator=(const DataCommands&) = delete;

 private:
  std::vector<std::string> names_;
};

// One handler for several commands, for the life of the test program.
bool datafile_commands(const Handler& handler, std::initializer_list<const char*> commands);
#define DATAFILE_JOIN2(a, b) a##b
#define DATAFILE_JOIN(a, b) DATAFILE_JOIN2(a, b)
#define DATAFILE_COMMANDS(handler, ...)                                          \
  static const bool DATAFILE_JOIN(datafile_commands_, __LINE__) [[maybe_unused]] = \
      ::testrunner::datafile_commands(handler, {__VA_ARGS__})

// Runs every case of the file (a path relative to the tests folder, such as
// "core/lists.test", or an absolute path) through the handler of its command and reports each
// mismatch with the file, line and header of its case. Fails the test when
// the file is missing or holds no case.
void datafile_run(const std::string& relative_path);

}  // namespace testrunner
