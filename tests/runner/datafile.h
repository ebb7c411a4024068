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
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testrunner {

struct DataCase {
  std::string file;
  int line = 0;                    // line of the header
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

// Runs every case of the file (a path relative to the tests folder, such as
// "core/lists.test") through handler and reports each mismatch with the
// file, line and header of its case. Fails the test when the file is missing
// or holds no case.
void datafile_run(const std::string& relative_path,
                  const std::function<std::string(const DataCase&)>& handler);

}  // namespace testrunner
