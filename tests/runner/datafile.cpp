#include "tests/runner/datafile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
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

// The registered handlers: a stack per command, the newest on top.
std::map<std::string, std::vector<Handler>>& registry() {
  static std::map<std::string, std::vector<Handler>> handlers;
  return handlers;
}

std::vector<std::string> file_lines(const std::string& path, bool* escapes, bool* final_break) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream whole;
  whole << in.rdbuf();
  std::string text = whole.str();
  *final_break = !text.empty() && text.back() == '\n';
  std::vector<std::string> lines;
  std::istringstream rows(text);
  for (std::string line; std::getline(rows, line);) {
    if (line == "%escapes" || line == "%escapes\r") *escapes = true;
    lines.push_back(line);
  }
  return lines;
}

// Writes the actual outputs as the expected ones: each case's expected
// lines are replaced (a case without "----" gets one when it has output).
void rewrite(const std::string& path, const std::vector<DataCase>& cases,
             const std::vector<std::string>& actual) {
  bool escapes = false, final_break = true;
  std::vector<std::string> lines = file_lines(path, &escapes, &final_break);
  // From the last case back, so that earlier line numbers stay right.
  for (size_t i = cases.size(); i-- > 0;) {
    const DataCase& c = cases[i];
    std::vector<std::string> out;
    std::istringstream text(escapes ? datafile_escape(actual[i]) : actual[i]);
    for (std::string l; std::getline(text, l);) out.push_back(l);
    if (!actual[i].empty() && actual[i].back() == '\n') out.push_back("");
    size_t from = 0, to = 0;
    if (c.expected_from != 0) {
      from = static_cast<size_t>(c.expected_from - 1);
      to = static_cast<size_t>(c.expected_to - 1);
    } else {
      if (out.empty()) continue;
      out.insert(out.begin(), "----");
      from = to = static_cast<size_t>(c.expected_to - 1);
    }
    if (to > lines.size()) to = lines.size();
    lines.erase(lines.begin() + static_cast<long>(from), lines.begin() + static_cast<long>(to));
    lines.insert(lines.begin() + static_cast<long>(from), out.begin(), out.end());
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  for (size_t i = 0; i < lines.size(); ++i) file << lines[i] << (i + 1 < lines.size() || final_break ? "\n" : "");
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
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 's':
        out += ' ';
        break;
      case '\\':
        out += '\\';
        break;
      case 'x':
        if (i + 2 < s.size() && hex_digit(s[i + 1]) >= 0 && hex_digit(s[i + 2]) >= 0) {
          out += static_cast<char>(hex_digit(s[i + 1]) * 16 + hex_digit(s[i + 2]));
          i += 2;
        } else {
          out += "\\x";
        }
        break;
      default:
        out += '\\';
        out += e;
        break;
    }
  }
  return out;
}

std::string datafile_escape(const std::string& s) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    auto b = static_cast<unsigned char>(s[i]);
    bool line_end = i + 1 == s.size() || s[i + 1] == '\n';
    if (b == '\\') {
      out += "\\\\";
    } else if (b == '\n') {
      out += '\n';
    } else if (b == '\t') {
      out += "\\t";
    } else if (b == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      // CR LF inside an output is its data (outputs break lines with LF).
      out += "\\r\\n";
      ++i;
    } else if (b == '\r') {
      out += "\\r";
    } else if (b == ' ' && line_end) {
      out += "\\s";
    } else if (b < 0x20 || b >= 0x7F) {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

DataCommands::DataCommands(std::initializer_list<std::pair<std::string, Handler>> commands) {
  for (const auto& [name, handler] : commands) {
    registry()[name].push_back(handler);
    names_.push_back(name);
  }
}

DataCommands::DataCommands(const Handler& handler, std::initializer_list<const char*> commands) {
  for (const char* name : commands) {
    registry()[name].push_back(handler);
    names_.push_back(name);
  }
}

DataCommands::~DataCommands() {
  for (const std::string& name : names_) {
    auto& stack = registry()[name];
    if (!stack.empty()) stack.pop_back();
  }
}

bool datafile_commands(const Handler& handler, std::initializer_list<const char*> commands) {
  for (const char* name : commands) registry()[name].push_back(handler);
  return true;
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
      current.expected_to = number;
      finish();
      continue;
    }
    if (where == Input && line == "----") {
      where = Expected;
      current.expected_from = number + 1;
      continue;
    }
    std::string text = escapes ? datafile_unescape(line) : line;
    append_line(where == Input ? current.input : current.expected, text);
  }
  if (where != Between) {
    current.expected_to = number + 1;
    finish();
  }
  if (cases.empty() && error) *error = path + " holds no case";
  return cases;
}

void datafile_run(const std::string& relative_path) {
  std::string path = !relative_path.empty() && relative_path[0] == '/'
                         ? relative_path
                         : std::string(TEST_SOURCE_DIR) + "/" + relative_path;
  std::string error;
  auto cases = datafile_read(path, &error);
  ASSERT_FALSE(cases.empty()) << error;
  const char* mode = std::getenv("APP_TEST_REWRITE");
  bool rewriting = mode != nullptr && std::string(mode) == "1";
  std::vector<std::string> outputs;
  for (const DataCase& c : cases) {
    auto found = registry().find(c.command);
    if (found == registry().end() || found->second.empty()) {
      ADD_FAILURE() << relative_path << ":" << c.line << ": no handler for the command '"
                    << c.command << "'";
      outputs.push_back(c.expected);
      continue;
    }
    std::string actual = found->second.back()(c);
    outputs.push_back(actual);
    if (!rewriting) {
      EXPECT_EQ(actual, c.expected) << relative_path << ":" << c.line << ": " << c.header;
    }
  }
  if (rewriting) rewrite(path, cases, outputs);
}

}  // namespace testrunner
