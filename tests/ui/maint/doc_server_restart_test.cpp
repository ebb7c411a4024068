// A document save while the server goes away half way through it: the
// header and the first line are written inside the save's transaction when
// the server stops. The save fails with the connection's message, nothing
// of it stays (header, lines, stock, balances), the window keeps the note
// as typed, and once the server is back the same save writes the note
// once. The test runs a cluster of its own.
#include <string>

#include <gtest/gtest.h>

#include "core/slots.h"
#include "script/functions.h"
#include "tests/ui/maint/doc_fixture.h"
#include "tests/ui/maint/own_cluster.h"

namespace {

using core::operator""_t;
using docwin::typed_line;

mainttest::OwnCluster* g_cluster = nullptr;
int g_stops = 0;

// SERVERSTOP(n), an application function: stops the server when the
// second line is about to be written, the first time only.
core::Status server_stop(int, core::Text, int argc, const script::Value* args, script::Value* out) {
  *out = script::Value::num(0);
  if (argc == 1 && !args[0].is_text() && args[0].number == 200 && g_stops++ == 0) {
    EXPECT_EQ(g_cluster->run("halt"), 0);
  }
  return 0;
}

class DocServerRestart : public docwin::DocWindowTest {
 protected:
  void SetUp() override {
    cluster_.start();
    if (HasFatalFailure()) return;
    DocWindowTest::SetUp();
    g_cluster = &cluster_;
    g_stops = 0;
    std::string list = "_#,FN#FLEN,FN#SLEN,FN#PARM,FN#VALN,FN#ACUM,CHK#,FILEFIND,FILEREL,FILELOCATE,FILESEL,"
                       "FN$CHNG,FN$CHRS,FN$DATE,FN$FLDS,FN$MASK,FN$MIDS,FN$PARM,FN$TRIM,ENVELOP$,CHK$,SORT$,"
                       "EXEC$,READ$,WRITE,MACRO$,ENVRON$,_$,KEY$,TIME$,IER,EXP$,SQLCHILD,SERVERSTOP";
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvFunctionList, datatest::txt(list)), 0);
    script::app_function_hook_set(server_stop);
    // Every line written asks SERVERSTOP first.
    screen_with("cliente{}=cliente{albaranes}'", "cliente{}=cliente{albaranes};STOPPED=SERVERSTOP(_LNUM)'");
  }
  void TearDown() override {
    script::app_function_hook_set(nullptr);
    g_cluster = nullptr;
    DocWindowTest::TearDown();
    cluster_.stop();
  }
  std::string state() {
    return query("SELECT (SELECT count(*) FROM albaranes WHERE numero = 40) || ' ' || "
                 "(SELECT count(*) FROM movimientos WHERE numero = 40) || ' ' || "
                 "(SELECT string_agg(codigo || '=' || stock, ' ' ORDER BY codigo) FROM articulos) || ' ' || "
                 "(SELECT saldo FROM clientes WHERE codigo = 'C00005');");
  }

  mainttest::OwnCluster cluster_;
};

TEST_F(DocServerRestart, ASaveTheServerLeavesHalfWayWritesNothingAndSavesOnceWhenItIsBack) {
  const std::string before = state();
  std::string after_failure;
  // The "wait" after the failed save starts the server again and looks at
  // the database before the second save.
  tk_->before_step_set([&](const ui::platform::ScriptStep& step) {
    if (step.op != ui::platform::StepOp::Wait) return;
    EXPECT_EQ(cluster_.run("resume"), 0);
    after_failure = state();
  });
  std::string steps = "type 40\nkey Tab\nkey Tab\ntype C00005\nkey Tab\n" + typed_line("A0001", "2", "12.50") +
                      typed_line("A0003", "4", "6.75") + typed_line("A0005", "1", "24") +
                      "press Grabar\nanswer Ok\nshow\nwait\npress Grabar\nshow\n";
  EXPECT_EQ(run_document("ALBARAN", steps), 0);
  tk_->before_step_set(nullptr);
  expect_script_ok();
  ASSERT_EQ(g_stops, 2);  // asked again by the second save's second line
  // The connection's own message, once, and nothing of the save stayed.
  std::string failed = transcript().substr(transcript().find("> press Grabar"));
  failed = failed.substr(0, failed.find("> wait"));
  EXPECT_NE(failed.find("Error de conexi\xC3\xB3n SQL"), std::string::npos) << failed;
  EXPECT_EQ(after_failure, before);
  // The window still held the note as typed: its header and three lines.
  std::string shown = window_after("-> Ok");
  EXPECT_NE(shown.find("C00005"), std::string::npos) << shown;
  for (const char* article : {"A0001", "A0003", "A0005"}) EXPECT_NE(shown.find(article), std::string::npos) << shown;
  EXPECT_NE(shown.find(" 4 / 3"), std::string::npos) << shown;
  // The second save wrote the note once, with its effects once.
  EXPECT_EQ(query("SELECT cliente || ' ' || total FROM albaranes WHERE numero = 40;"), "C00005 76.00");
  EXPECT_EQ(lines(40), "1 A0001 2 25.00, 2 A0003 4 27.00, 3 A0005 1 24.00");
  EXPECT_EQ(query("SELECT string_agg(stock::text, ' ' ORDER BY codigo) FROM articulos "
                  "WHERE codigo IN ('A0001', 'A0003', 'A0005');"),
            "36 91 16");
  EXPECT_EQ(query("SELECT saldo FROM clientes WHERE codigo = 'C00005';"), "76.00");
  // And the window started a new note.
  EXPECT_NE(window_after("> press Grabar").find("Nueva alta"), std::string::npos) << window_after("> press Grabar");
}

}  // namespace
