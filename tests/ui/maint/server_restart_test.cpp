// A maintenance window while the server stops and starts again: a save
// tried while it is away is not saved, says so, and leaves the window
// editing with what was typed; once the server is back the same session
// browses and saves again, and the record is written once. The test runs a
// cluster of its own, so the shared one stays up for the other tests.
#include <string>

#include <gtest/gtest.h>

#include "tests/ui/maint/maint_fixture.h"
#include "tests/ui/maint/own_cluster.h"

namespace {

class ServerRestart : public mainttest::MaintTest {
 protected:
  void SetUp() override {
    cluster_.start();
    if (HasFatalFailure()) return;
    // The test's database and session live on this cluster.
    MaintTest::SetUp();
  }
  void TearDown() override {
    MaintTest::TearDown();
    cluster_.stop();
  }
  int cluster(const std::string& action) { return cluster_.run(action); }

  mainttest::OwnCluster cluster_;
};

TEST_F(ServerRestart, ASaveWhileTheServerIsAwayKeepsWhatWasTypedAndTheNextOneSaves) {
  // The first "wait" of the script stops the server, the second starts it.
  int waits = 0;
  tk_->before_step_set([&](const ui::platform::ScriptStep& step) {
    if (step.op != ui::platform::StepOp::Wait) return;
    EXPECT_EQ(cluster(++waits == 1 ? "halt" : "resume"), 0);
  });
  EXPECT_EQ(run("CLIENTES", "key PageDown\nkey Tab\ntype Bazar Uno\nwait\npress Grabar\nshow\nanswer Ok\nshow\n"
                            "wait\npress Grabar\nshow\nkey PageDown\nshow\n"),
            0);
  tk_->before_step_set(nullptr);
  ASSERT_EQ(waits, 2);
  std::string failed = transcript().substr(transcript().find("> press Grabar"));
  failed = failed.substr(0, failed.find("> wait"));
  // One box in the user's terms, then the window as it was: editing, the
  // typed name in its field.
  EXPECT_NE(failed.find("Error de conexi\xC3\xB3n SQL"), std::string::npos) << failed;
  EXPECT_EQ(failed.find("SELECT"), std::string::npos) << failed;
  std::string after = window_after("-> Ok");
  EXPECT_NE(after.find("Bazar Uno"), std::string::npos) << after;
  EXPECT_EQ(after.find("Busqueda"), std::string::npos) << after;
  // Saved once the server was back, and the window browses on.
  EXPECT_EQ(query("SELECT nombre FROM clientes WHERE codigo='C00002';"), "Bazar Uno");
  std::string saved = window_after("> press Grabar");
  EXPECT_NE(saved.find("Busqueda"), std::string::npos) << saved;
  EXPECT_NE(last_window().find("C00003"), std::string::npos) << last_window();
  EXPECT_EQ(query("SELECT count(*) FROM clientes WHERE nombre='Bazar Uno';"), "1");
}

}  // namespace
