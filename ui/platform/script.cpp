// Reading scripts of input steps.
#include "ui/platform/script.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/cp1252.h"
#include "ui/platform/platform.h"

namespace ui::platform {

namespace {

struct NamedKey {
  const char* name;
  int key;
};

constexpr NamedKey kKeys[] = {
    {"Enter", kVkReturn}, {"Tab", kVkTab},         {"Esc", kVkEscape},     {"Up", kVkUp},
    {"Down", kVkDown},    {"Left", kVkLeft},       {"Right", kVkRight},    {"PageUp", kVkPrior},
    {"PageDown", kVkNext}, {"Home", kVkHome},      {"End", kVkEnd},        {"Backspace", kVkBack},
    {"Delete", kVkDelete}, {"Insert", kVkInsert}, {"Space", kVkSpace},    {"Oem", kVkOem},
};

struct NamedOp {
  const char* name;
  StepOp op;
};

constexpr NamedOp kOps[] = {
    {"type", StepOp::Type},     {"key", StepOp::Key},         {"press", StepOp::Press},
    {"click", StepOp::Click},   {"select", StepOp::Select},   {"activate", StepOp::Activate},
    {"menu", StepOp::Menu},     {"close", StepOp::Close},     {"answer", StepOp::Answer},
    {"file", StepOp::File},     {"shot", StepOp::Shot},       {"show", StepOp::Show},
    {"wait", StepOp::Wait},
};

bool equal_nocase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == 0;
}

// "Shift+Ctrl+F5" -> key and modifiers; false for an unknown name.
bool parse_key(std::string name, ScriptStep* step) {
  for (;;) {
    size_t plus = name.find('+');
    if (plus == std::string::npos || plus + 1 >= name.size()) break;
    std::string mod = name.substr(0, plus);
    if (equal_nocase(mod, "shift")) {
      step->shift = true;
    } else if (equal_nocase(mod, "ctrl")) {
      step->ctrl = true;
    } else {
      return false;
    }
    name = name.substr(plus + 1);
  }
  for (const NamedKey& k : kKeys) {
    if (equal_nocase(name, k.name)) {
      step->key = k.key;
      return true;
    }
  }
  if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
    int n = std::atoi(name.c_str() + 1);
    if (n >= 1 && n <= 12 && name.find_first_not_of("0123456789", 1) == std::string::npos) {
      step->key = kVkF1 + n - 1;
      return true;
    }
  }
  return false;
}

// "#3100" -> 3100; 0 when the argument is not of that form.
int parse_id(const std::string& arg) {
  if (arg.size() < 2 || arg[0] != '#') return 0;
  if (arg.find_first_not_of("0123456789", 1) != std::string::npos) return 0;
  return std::atoi(arg.c_str() + 1);
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

}  // namespace

bool script_parse(const std::string& text, std::vector<ScriptStep>* out, std::string* error) {
  std::istringstream in(text);
  std::string raw;
  int line = 0;
  while (std::getline(in, raw)) {
    ++line;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string s = trim(raw);
    if (s.empty() || s[0] == '#') continue;
    size_t blank = s.find_first_of(" \t");
    std::string word = s.substr(0, blank);
    // The argument of "type" keeps its blanks after the single separator.
    std::string arg;
    if (blank != std::string::npos) {
      size_t start = raw.find_first_not_of(" \t");
      arg = raw.substr(start + blank + 1);
      if (!equal_nocase(word, "type")) arg = trim(arg);
    }
    ScriptStep step;
    step.line = line;
    step.arg = arg;
    bool known = false;
    for (const NamedOp& op : kOps) {
      if (equal_nocase(word, op.name)) {
        step.op = op.op;
        known = true;
        break;
      }
    }
    auto fail = [&](const std::string& why) {
      if (error != nullptr) *error = "line " + std::to_string(line) + ": " + why;
      return false;
    };
    if (!known) return fail("unknown step '" + word + "'");
    switch (step.op) {
      case StepOp::Key:
        if (!parse_key(arg, &step)) return fail("unknown key '" + arg + "'");
        break;
      case StepOp::Press:
      case StepOp::Click:
      case StepOp::Menu:
        if (arg.empty()) return fail(word + " needs a caption or #identifier");
        step.number = parse_id(arg);
        break;
      case StepOp::Wait:
        if (arg.empty()) break;
        step.number = std::atoi(arg.c_str());
        if (step.number < 1 || arg.find_first_not_of("0123456789") != std::string::npos) {
          return fail("wait takes a number of milliseconds");
        }
        break;
      case StepOp::Select:
        step.number = std::atoi(arg.c_str());
        if (step.number < 1) return fail("select needs an item number from 1");
        break;
      case StepOp::Answer: {
        static const char* const kAnswers[] = {"ok", "cancel", "retry", "yes", "no", "close"};
        bool ok = false;
        for (const char* a : kAnswers) ok = ok || equal_nocase(arg, a);
        if (!ok) return fail("unknown answer '" + arg + "'");
        break;
      }
      case StepOp::Shot: {
        if (arg.empty()) return fail("shot needs a file name");
        // A picture's path is taken from the folder the script was read
        // in (where the program started), whatever folder it works in later.
        std::error_code failed;
        std::filesystem::path absolute = std::filesystem::absolute(arg, failed);
        if (!failed) step.arg = absolute.string();
        break;
      }
      default:
        break;
    }
    out->push_back(step);
  }
  return true;
}

bool script_load(const std::string& path, std::vector<ScriptStep>* out, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error != nullptr) *error = "cannot read the script " + path;
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  return script_parse(ss.str(), out, error);
}

std::string script_key_name(int key, bool shift, bool ctrl) {
  std::string name = shift ? "Shift+" : "";
  if (ctrl) name += "Ctrl+";
  for (const NamedKey& k : kKeys) {
    if (k.key == key) return name + k.name;
  }
  if (key >= kVkF1 && key <= kVkF12) return name + "F" + std::to_string(key - kVkF1 + 1);
  if (key >= 0x20 && key < 0x7F) return name + static_cast<char>(key);
  return name + "key " + std::to_string(key);
}

namespace {

// Windows-1252 letters in lower case: A-Z and the accented capitals
// (0xC0-0xDE, but the multiplication sign), and the three of 0x8A-0x9F.
char lower_1252(char c) {
  auto b = static_cast<unsigned char>(c);
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) return static_cast<char>(b + 0x20);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<char>(b + 0x10);
  if (b == 0x9F) return static_cast<char>(0xFF);
  return c;
}

std::string plain(const std::string& utf8) {
  std::string out;
  for (char c : core::utf8_to_cp1252(utf8))
    if (c != '&') out.push_back(lower_1252(c));
  size_t b = out.find_first_not_of(' ');
  size_t e = out.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : out.substr(b, e - b + 1);
}

}  // namespace

bool script_caption_matches(const std::string& caption, const std::string& wanted) {
  return plain(caption) == plain(wanted);
}

int script_control_target(const std::vector<ScriptControl>& controls, const ScriptStep& step) {
  if (step.number != 0) {
    for (const ScriptControl& c : controls)
      if (c.id == step.number && c.usable) return c.id;
    return 0;
  }
  for (const ScriptControl& label : controls) {
    if (!label.label || !script_caption_matches(label.caption, step.arg)) continue;
    const ScriptControl* best = nullptr;
    for (const ScriptControl& c : controls) {
      // On the label's row: the two overlap from top to bottom.
      if (c.label || !c.usable || c.x <= label.x) continue;
      if (c.y >= label.y + label.h || label.y >= c.y + c.h) continue;
      if (best == nullptr || c.x < best->x) best = &c;
    }
    if (best != nullptr) return best->id;
  }
  for (const ScriptControl& c : controls)
    if (c.button && c.usable && script_caption_matches(c.caption, step.arg)) return c.id;
  return 0;
}

int script_button_target(const std::vector<ScriptControl>& controls, const ScriptStep& step) {
  for (const ScriptControl& c : controls) {
    if (!c.button || !c.usable) continue;
    if (step.number != 0 ? c.id == step.number : script_caption_matches(c.caption, step.arg)) return c.id;
  }
  return 0;
}

std::string script_no_target(const ScriptStep& step) {
  if (step.op == StepOp::Press) return "no button '" + step.arg + "' to press";
  if (step.op == StepOp::Menu) return "no menu item '" + step.arg + "'";
  return "nothing to click at '" + step.arg + "'";
}

}  // namespace ui::platform
