// Document windows on the sample's delivery notes (ALBARAN) over the
// headless backend: the screen's keys changed per test, the notes' lines
// as the database holds them, and what the document's event procedure does.
#pragma once

#include <functional>
#include <string>

#include "core/arena.h"
#include "script/variables.h"
#include "tests/support/file_text.h"
#include "tests/ui/maint/maint_fixture.h"
#include "ui/maint.h"

namespace docwin {

using core::operator""_t;

// What a document's event procedure (PRCNAME$, run through the process
// runner) does in a test: the event's name is in DOCEVENT$; its answer
// is the procedure's result.
inline std::function<core::Status(const std::string& event)> g_on_event;
inline std::vector<std::string> g_processes;  // every process the window started

inline core::Status runner(core::Text name) {
  std::string n = datatest::str(name);
  g_processes.push_back(n);
  if (n.rfind("PrcExec,", 0) == 0) {
    core::ArenaScope scope;
    script::Value v;
    if (script::var_get_value("DOCEVENT$"_t, &v) != 0 || !v.is_text()) return core::NOVALUE;
    return g_on_event ? g_on_event(datatest::str(v.text)) : core::Status{0};
  }
  return core::NOVALUE;
}

class DocWindowTest : public mainttest::MaintTest {
 protected:
  void SetUp() override {
    MaintTest::SetUp();
    ui::process_runner_set(runner);
  }
  void TearDown() override {
    g_on_event = nullptr;
    g_processes.clear();
    MaintTest::TearDown();
  }
  // The sample's document screen with a change of its keys.
  void screen_with(const std::string& from, const std::string& to) {
    std::string ppn = testsupport::file_text(folder_.path() + "/ALBARAN.PPN");
    size_t at = ppn.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    write("ALBARAN.PPN", ppn.replace(at, from.size(), to));
  }
  std::string lines(int note) {
    return query("SELECT string_agg(linea || ' ' || articulo || ' ' || cantidad || ' ' || importe, ', ' ORDER BY linea) "
                 "FROM movimientos WHERE numero = " + std::to_string(note) + ";");
  }
};

inline std::string typed_line(const std::string& article, const std::string& quantity, const std::string& price) {
  return "type " + article + "\nkey Tab\ntype " + quantity + "\nkey Tab\ntype " + price + "\nkey Tab\n";
}

// The note's number, then Tab past its date and customer into its lines.
inline std::string read_back(int note) { return "type " + std::to_string(note) + "\nkey Tab\nkey Tab\nkey Tab\n"; }

}  // namespace docwin
