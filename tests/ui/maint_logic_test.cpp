// The rules of maintenance windows that need no window: arguments, button
// labels and enable masks, mode texts and the modes actions lead to.
#include <sstream>

#include "core/context.h"
#include "core/messages.h"
#include "core/slots.h"
#include "paths/paths.h"
#include "tests/runner/datafile.h"
#include "tests/ui/ui_fixture.h"
#include "ui/internal/maint_state.h"
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

// The record buttons share one width while their row fits 76 columns (a
// maintenance window over an 80-column main window); labels of a language
// that would push it past that each get their own width instead.
TEST_F(MaintLogic, ButtonsShareAWidthWhileTheRowFitsTheMainWindow) {
  auto row = [](const char* labels, int screen_columns) {
    (void)core::slot_set(core::kGroupEnv, core::kEnvButtonLabels, txt(labels));
    std::vector<ui::internal::ButtonPlace> places = ui::internal::button_row(1, screen_columns);
    (void)core::slot_set(core::kGroupEnv, core::kEnvButtonLabels, ""_t);
    return places;
  };
  // The built-in labels: every button 8 cells wide (the widest label and
  // its two cells of frame), one cell apart, then the index button.
  auto es = row("Nuevo,Inic.,Ant.,Sig.,Ult.,Grabar,Borrar", 70);
  ASSERT_EQ(es.size(), 8u);
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(es[i].width, 8) << es[i].label;
    EXPECT_EQ(es[i].column, 1 + static_cast<int>(i) * 9) << es[i].label;
  }
  EXPECT_EQ(es[7].label, "[ 1 ]");
  // Long labels: each as wide as its own.
  const char* long_labels = "Nouveau,D\xE9" "but,Pr\xE9" "c.,Suiv.,Fin,Enregistrer,Supprimer";
  auto fr = row(long_labels, 70);
  ASSERT_EQ(fr.size(), 8u);
  EXPECT_EQ(fr[0].width, 9);
  EXPECT_EQ(fr[4].width, 5);
  EXPECT_EQ(fr[5].width, 13);
  EXPECT_EQ(fr[1].column, 11);
  EXPECT_EQ(fr[7].column + fr[7].width, 74);
  // A screen wide enough for the even row keeps it.
  auto wide = row(long_labels, 120);
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(wide[i].width, 13) << wide[i].label;
}

// The language modules that come with the runtime keep the record buttons
// within a maintenance window that fits over the main window.
TEST_F(MaintLogic, EveryLanguagesRecordButtonsFitTheMainWindow) {
  const std::string folder = std::string(TEST_SOURCE_DIR) + "/../apprun/lang";
  for (const char* code : {"ES", "EN", "FR", "DE", "IT"}) {
    // A context of its own for each: the modules' texts would not all fit
    // the message tables of one.
    core::CoreContext context;
    ASSERT_EQ(context.status(), 0);
    core::language_folder_set(txt(folder));
    ASSERT_EQ(core::language_set(core::text_from_c(code)), 0);
    std::vector<ui::internal::ButtonPlace> places = ui::internal::button_row(1, 70);
    ASSERT_EQ(places.size(), 8u) << code;
    EXPECT_EQ(places[5].label == "Grabar", std::string(code) == "ES") << code << ": the module was not read";
    EXPECT_LE(places.back().column + places.back().width, 76) << code;
    for (const auto& p : places) EXPECT_GE(p.width, static_cast<int>(p.label.size()) + 2) << code << " " << p.label;
  }
}

}  // namespace
