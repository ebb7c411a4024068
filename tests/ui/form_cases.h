// Running one case of forms.test on the current window layer, whichever
// backend it has: both backends run the same cases to the same results.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/messages.h"
#include "core/slots.h"
#include "script/eval.h"
#include "tests/runner/datafile.h"
#include "ui/forms.h"
#include "ui/platform/script.h"
#include "ui/screens.h"

namespace uitest {

inline std::string form_eval(const std::string& expr) {
  core::ArenaScope scope;
  core::Text v = script::expr_text(core::text_view(expr.data(), expr.size()));
  return v.ok() ? std::string(v.ptr, v.len) : "<error " + std::to_string(v.len) + ">";
}

inline std::string form_slot(uint16_t n) {
  core::Text t = core::slot_get(core::kGroupRuntime, n);
  return t.ok() ? std::string(t.ptr, t.len) : std::string();
}

// The log-in form's field list as the session builds it: message 0091 with
// the four remembered values (quoted texts) in its places.
inline std::string login_list(const char* host, const char* db, const char* user, const char* password) {
  core::Text pattern = core::message_text_c("0091");
  std::string p(pattern.ptr, pattern.len), out;
  const char* args[] = {host, db, user, password};
  int next = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p.compare(i, 2, "%s") == 0 && next < 4) {
      out += args[next++];
      ++i;
    } else {
      out += p[i];
    }
  }
  return out;
}

// The case's field list, its script and its expressions ("= NAME" is shown
// after the form; "= NAME='value'" is run before it).
inline std::string run_form_case(const testrunner::DataCase& c, ui::platform::Toolkit* toolkit) {
  std::istringstream in(c.input);
  std::string list, line, steps;
  std::getline(in, list);
  std::vector<std::string> shown;
  while (std::getline(in, line)) {
    if (line.rfind("= ", 0) == 0 && line.find("='") != std::string::npos) {
      form_eval(line.substr(2));
    } else if (line.rfind("= ", 0) == 0) {
      shown.push_back(line.substr(2));
    } else {
      steps += line + "\n";
    }
  }
  std::vector<ui::platform::ScriptStep> parsed;
  std::string error;
  EXPECT_TRUE(ui::platform::script_parse(steps, &parsed, &error)) << error;
  toolkit->script_set(std::move(parsed));
  ui::FormRequest request;
  std::string title;
  for (size_t i = 1; i < c.args.size(); ++i) title += (i > 1 ? " " : "") + c.args[i];
  request.title = core::text_view(title.data(), title.size());
  request.fields = core::text_view(list.data(), list.size());
  request.flags = std::atoi(c.args[0].c_str());
  ui::FormResult result;
  core::Status st = ui::form_run(request, &result);
  std::string out = "code " + std::to_string(st) + " form " + std::to_string(result.form_code) + "\n";
  out += "values " + form_slot(7) + "\n";
  if (!form_slot(1).empty()) out += "condition " + form_slot(1) + "\n";
  for (const std::string& e : shown) out += e + " -> " + form_eval(e) + "\n";
  EXPECT_EQ(ui::window_count(), 0) << c.header;
  EXPECT_EQ(ui::screen_window_count(), 0) << c.header;
  EXPECT_TRUE(toolkit->script_done()) << c.header;
  out.pop_back();
  return out;
}

}  // namespace uitest
