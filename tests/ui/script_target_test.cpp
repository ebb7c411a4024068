// What a scripted step names, by the one rule both backends use: #ID only
// when the control is shown and enabled, the control to the right of a
// label on its row, a button by its caption; captions without their "&",
// trimmed, in any letter case, accented letters too.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ui/platform/script.h"

namespace {

using ui::platform::ScriptControl;
using ui::platform::ScriptStep;
using ui::platform::StepOp;

ScriptControl label(int id, int x, int y, const std::string& caption) {
  return ScriptControl{id, true, false, true, x, y, 1, caption};
}
ScriptControl edit(int id, int x, int y, bool usable = true) {
  return ScriptControl{id, false, false, usable, x, y, 1, ""};
}
ScriptControl button(int id, int x, int y, const std::string& caption, bool usable = true) {
  return ScriptControl{id, false, true, usable, x, y, 1, caption};
}
ScriptStep step(StepOp op, const std::string& arg, int number = 0) {
  ScriptStep s;
  s.op = op;
  s.arg = arg;
  s.number = number;
  return s;
}

TEST(ScriptTarget, ControlsByLabelIdentifierAndCaption) {
  std::vector<ScriptControl> form = {
      label(1, 2, 1, "C\xC3\xB3" "digo:"), edit(2, 40, 1), edit(3, 14, 1),  // the nearer edit wins
      label(4, 2, 2, "Nombre:"),           edit(5, 14, 2, false),           // disabled
      edit(6, 30, 3),                                                       // another row
      button(7, 2, 5, "&Grabar"),          button(8, 20, 5, "Borrar", false)};
  // A label in another case, with its accent in capitals.
  EXPECT_EQ(ui::platform::script_control_target(form, step(StepOp::Click, "C\xC3\x93" "DIGO:")), 3);
  // A label whose row holds no usable control names nothing.
  EXPECT_EQ(ui::platform::script_control_target(form, step(StepOp::Click, "Nombre:")), 0);
  // #ID: only a usable control, on both backends alike.
  EXPECT_EQ(ui::platform::script_control_target(form, step(StepOp::Click, "#6", 6)), 6);
  EXPECT_EQ(ui::platform::script_control_target(form, step(StepOp::Click, "#5", 5)), 0);
  EXPECT_EQ(ui::platform::script_control_target(form, step(StepOp::Click, "#99", 99)), 0);
  // A click may name a button by its caption, without its mnemonic mark.
  EXPECT_EQ(ui::platform::script_control_target(form, step(StepOp::Click, " grabar ")), 7);

  // Press: buttons only, usable ones only.
  EXPECT_EQ(ui::platform::script_button_target(form, step(StepOp::Press, "GRABAR")), 7);
  EXPECT_EQ(ui::platform::script_button_target(form, step(StepOp::Press, "Borrar")), 0);
  EXPECT_EQ(ui::platform::script_button_target(form, step(StepOp::Press, "#8", 8)), 0);
  EXPECT_EQ(ui::platform::script_button_target(form, step(StepOp::Press, "#3", 3)), 0);  // an edit
  EXPECT_EQ(ui::platform::script_no_target(step(StepOp::Press, "Borrar")), "no button 'Borrar' to press");
}

TEST(ScriptTarget, AShotIsTakenWhereTheScriptWasRead) {
  // The runtime may change its working folder after start-up; the picture's
  // path does not follow it.
  std::vector<ScriptStep> steps;
  std::string error;
  ASSERT_TRUE(ui::platform::script_parse("shot pics/a.png\nshot /tmp/b.png\n", &steps, &error)) << error;
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].arg, std::filesystem::current_path().string() + "/pics/a.png");
  EXPECT_EQ(steps[1].arg, "/tmp/b.png");
}

}  // namespace
