// The rules of maintenance windows that need no window: arguments, button
// labels and enable masks, mode texts and the modes actions lead to.
#include <sstream>

#include "core/slots.h"
#include "paths/paths.h"
#include "tests/runner/datafile.h"
#include "tests/ui/ui_fixture.h"
#include "ui/maint.h"

namespace {

using namespace uitest;

std::string hex(int v) {
  std::ostringstream out;
  out << std::hex << std::uppercase << v;
  return out.str();
}

class MaintLogic : public UiTest {};

TEST_F(MaintLogic, DataFileCases) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) -> std::string {
    core::ArenaScope scope;
    std::istringstream in(c.input);
    std::string line, out;
    auto add = [&out](const std::string& s) { out += (out.empty() ? "" : "\n") + s; };
    if (c.command == "args") {
      ui::MantArgs a =
          ui::mant_args_parse(txt(c.input), static_cast<int>(std::stoi(c.args.at(0), nullptr, 16)));
      return a.screen + "|" + std::to_string(a.section) + "|" + std::to_string(a.columns) + "|" +
             std::to_string(a.rows) + "|" + a.file + "|" + hex(a.flags);
    }
    if (c.command == "labels") {
      std::string slot = c.input.rfind("slot ", 0) == 0 ? c.input.substr(5) : "";
      (void)core::slot_set(core::kGroupEnv, core::kEnvButtonLabels, txt(slot));
      std::string labels = str(ui::button_labels(std::stoi(c.args.at(0)), std::stoi(c.args.at(1))));
      (void)core::slot_set(core::kGroupEnv, core::kEnvButtonLabels, ""_t);
      return labels;
    }
    if (c.command == "masks") {
      int set = std::stoi(c.args.at(0));
      const ui::ButtonSet* s = ui::button_set(set);
      if (s == nullptr) return "no set";
      for (uint16_t i = 1; i <= core::list_count(s->actions, ','); ++i) {
        std::string action = str(core::list_field(s->actions, ',', i));
        int code = static_cast<int>(core::list_index(ui::kButtonActionList, ',', txt(action)));
        std::string row = action + " ";
        for (int mode = 0; mode <= 12; ++mode)
          row += ui::button_disabled(ui::button_mask(set, code), mode) ? '-' : '+';
        add(row);
      }
      return out;
    }
    if (c.command == "mode") return str(ui::mode_text(std::stoi(c.args.at(0)), txt(c.args.at(1))));
    if (c.command == "after") {
      while (std::getline(in, line)) {
        std::istringstream f(line);
        int action = 0, result = 0;
        std::string word;
        f >> action >> word >> result;
        add(std::to_string(ui::mode_after(action, std::stoi(word, nullptr, 16),
                                          static_cast<core::Status>(result))));
      }
      return out;
    }
    if (c.command == "initial") {
      while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string flags;
        int fresh = 0;
        f >> flags >> fresh;
        add(std::to_string(ui::initial_mode(std::stoi(flags, nullptr, 16), fresh != 0)));
      }
      return out;
    }
    return "unknown command " + c.command;
  };
  testrunner::DataCommands commands(handler,
                                    {"args", "labels", "masks", "mode", "after", "initial"});
  testrunner::datafile_run("ui/maint.test");
}

TEST_F(MaintLogic, ActionsOutsideTheSetHaveNoMaskAndOtherSetsNone) {
  // INS (9) is no button of set 1: the window never refuses it by mode.
  EXPECT_EQ(ui::button_mask(1, ui::kBtnIns), 0);
  EXPECT_EQ(ui::button_mask(2, ui::kBtnFnd), 0x38);
  EXPECT_EQ(ui::button_set(3), nullptr);
  EXPECT_EQ(ui::button_mask(3, ui::kBtnNew), 0);
  EXPECT_FALSE(ui::button_disabled(0, 2));
  EXPECT_FALSE(ui::button_disabled(0x0004, -1));
}

}  // namespace
