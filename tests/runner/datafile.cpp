#include "tests/runner/datafile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace testrunner {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string> split_words(const std::string& s) {
  std::vector<std::string> words;
  std::istringstream in(s);
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

void append_line(std::string& to, const std::string& line) {
  to += line;
  to += '\n';
}

std::string strip_last_newline(std::string s) {
  if (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

}  // namespace

std::string datafile_unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c != '\\' || i + 1 >= s.size()) {
      out += c;
      continue;
    }
    char e = s[++i];
    switch (e) {
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 's': out += ' '; break;
      case '\\': out += '\\'; break;
      case 'x':
        if (i + 2 < s.size() && hex_digit(s[i + 1]) >= 0 && hex_digit(s[i + 2]) >= 0) {
          out += static_cast<char>(hex_digit(s[i + 1]) * 16 + hex_digit(s[i + 2]));
          i += 2;
        } else {
          out += "\\x";
        }
        break;
      default: out += '\\'; out += e; break;
    }
  }
  return out;
}

std::vector<DataCase> datafile_read(const std::string& path, std::string* error) {
  std::vector<DataCase> cases;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot open " + path;
    return {};
  }
  bool escapes = false;
  enum { Between, Input, Expected } where = Between;
  DataCase current;
  std::string line;
  int number = 0;
  auto finish = [&] {
    current.input = strip_last_newline(current.input);
    current.expected = strip_last_newline(current.expected);
    cases.push_back(current);
    current = DataCase{};
    where = Between;
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (where == Between) {
      if (line.empty() || line[0] == '#') continue;
      if (line == "%escapes") {
        escapes = true;
        continue;
      }
      current.file = path;
      current.line = number;
      current.header = line;
      auto words = split_words(line);
      current.command = words.empty() ? "" : words[0];
      current.args.assign(words.begin() + (words.empty() ? 0 : 1), words.end());
      where = Input;
      continue;
    }
    if (line.empty()) {
      finish();
      continue;
    }
    if (where == Input && line == "----") {
      where = Expected;
      continue;
    }
    std::string text = escapes ? datafile_unescape(line) : line;
    append_line(where == Input ? current.input : current.expected, text);
  }
  if (where != Between) finish();
  if (cases.empty() && error) *error = path + " holds no case";
  return cases;
}

void datafile_run(const std::string& relative_path,
                  const std::function<std::string(const DataCase&)>& handler) {
  std::string path = std::string(TEST_SOURCE_DIR) + "/" + relative_path;
  std::string error;
  auto cases = datafile_read(path, &error);
  ASSERT_FALSE(cases.empty()) << error;
  for (const DataCase& c : cases) {
    std::string actual = handler(c);
    EXPECT_EQ(actual, c.expected) << relative_path << ":" << c.line << ": " << c.header;
  }
}

}  // namespace testrunner
