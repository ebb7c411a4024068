// Start-up, the RUN option and the INPUT file, the dispatcher, the close
// request: the whole run of app_main in this process, on a definition
// folder and a working folder of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "script/variables.h"
#include "app/app.h"
#include "paths/paths.h"
#include "tests/support/show.h"

namespace {

namespace fs = std::filesystem;
using core::Status;
using core::Text;
using core::operator""_t;

using testsupport::str;

// What a run left behind, taken by the hooks while the runtime is up.
struct Seen {
  std::vector<std::string> boxes;
  std::vector<int> phases;
  std::vector<std::string> slots;  // group 0 slots 0 to 7 at phase 3
  int trace = 0;
  int scr_stat = 0;
  int input_file = -1;
  int output = 0;
  int fail_phase = 0;  // the phase that answers fail_code
  Status fail_code = 0;
  std::vector<std::string> menus;
  int loops = 0;
  std::vector<std::string> dispatched;
};
Seen g_seen;

void capture_box(Text caption, Text text, core::BoxIcon) {
  g_seen.boxes.push_back(str(caption) + ": " + str(text));
}

// The basic runtime, with the boxes captured.
class CaptureRuntime : public app::BasicRuntime {
 public:
  Status build() override {
    Status st = BasicRuntime::build();
    if (st == 0) core::box_hook_set(capture_box);
    return st;
  }
};

Status phase(int flags_and_phase) {
  int number = flags_and_phase & 15;
  g_seen.phases.push_back(flags_and_phase);
  if (number == app::kPhaseShutdown) {
    for (uint16_t slot = 0; slot <= 7; ++slot) g_seen.slots.push_back(str(core::slot_get(0, slot)));
    g_seen.trace = script::var_get_int(core::kSwTrace);
    g_seen.scr_stat = script::var_get_int(core::kSwScrStat);
    g_seen.input_file = script::var_get_int(core::kSwInHnd);
    g_seen.output = script::var_get_int(core::kSwOutHnd);
  }
  return number == g_seen.fail_phase ? g_seen.fail_code : Status{0};
}

Status open_menu(Text spec) {
  g_seen.menus.push_back(str(spec));
  return 0;
}

Status message_loop() {
  ++g_seen.loops;
  return 0;
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen = Seen{};
    char tmpl[] = "/tmp/startup_testXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    defs_ = root_ + "/defs";
    work_ = root_ + "/work";
    fs::create_directories(defs_);
    fs::create_directories(work_);
    // A definition folder holds at least one definition file.
    std::ofstream(defs_ + "/readme.txt") << "definitions of the test\n";
    saved_ = fs::current_path();
    fs::current_path(work_);
    app::window_hooks_set(app::WindowHooks{});
    app::dispatcher_set(nullptr);
  }
  void TearDown() override {
    app::window_hooks_set(app::WindowHooks{});
    app::dispatcher_set(nullptr);
    fs::current_path(saved_);
    fs::remove_all(root_);
  }
  void write(const std::string& path, const std::string& body) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << body;
  }
  std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  // apprun's start-up with these arguments; the definitions in defs_ unless
  // the arguments name a DPATH themselves.
  int run(std::vector<std::string> args, bool with_dpath = true) {
    if (with_dpath) args.insert(args.begin(), "/DPATH:" + defs_);
    std::vector<const char*> argv{"apprun"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    app::StartupArgs a;
    a.argc = static_cast<int>(argv.size());
    a.argv = argv.data();
    a.app_code = "KALMIR"_t;
    a.description = "General Purpose PostgreSQL DataBase for Windows"_t;
    a.menu_file = "DBMENU.PMT"_t;
    a.phase = phase;
    CaptureRuntime runtime;
    a.runtime = &runtime;
    return app::app_main(a);
  }
  std::string boxes() const {
    std::string all;
    for (const std::string& b : g_seen.boxes) all += b + "\n";
    return all;
  }

  std::string root_;
  std::string defs_;
  std::string work_;
  fs::path saved_;
};

TEST_F(Startup, RunsAProcedureFromTheDefinitionFolderWithItsTrace) {
  write(defs_ + "/Hello.PRX",
        "; greets\r\n"
        "N=2\r\n"
        "S$=''\r\n"
        "CALL ,sub.prx\r\n"
        "X=WRITE('out.txt';-1;'hello '+S$)\r\n");
  write(defs_ + "/SUB.PRX", "S$='from sub '+FN$CHRS(48+N;1)\r\n");
  EXPECT_EQ(run({"/RUN:'PrcExec,hello'", "-TRACE:8"}), 0) << boxes();
  EXPECT_EQ(read(work_ + "/out.txt"), "hello from sub 2");
  std::string trace = read(work_ + "/PrcLog.txt");
  EXPECT_NE(trace.find("1\t N=2\r\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("CALL ,sub.prx"), std::string::npos);
  EXPECT_EQ(g_seen.trace, 9);
  EXPECT_EQ(g_seen.scr_stat & app::kScrStatRun, app::kScrStatRun);
  EXPECT_EQ(g_seen.phases, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(g_seen.slots.size(), 8u);
  EXPECT_EQ(g_seen.slots[1], "/DPATH:'" + defs_ + "' /RUN:'PrcExec,hello' /TRACE:8");
  EXPECT_EQ(g_seen.slots[2], "KALMIR");
  EXPECT_EQ(g_seen.slots[3], "General Purpose PostgreSQL DataBase for Windows");
  EXPECT_EQ(g_seen.slots[4], "ES");
  EXPECT_EQ(g_seen.slots[5], defs_);
  EXPECT_EQ(g_seen.slots[7], defs_ + "/Help");
  EXPECT_FALSE(g_seen.slots[0].empty());  // the locale text
  EXPECT_TRUE(g_seen.boxes.empty()) << boxes();
  EXPECT_TRUE(g_seen.menus.empty());
}

TEST_F(Startup, ProcessKindsThatAreNotServedAnswer163) {
  // Quoted, the kind is found, but no window layer serves it.
  EXPECT_EQ(run({"/RUN:'MantMain,CLIENTES'", "/TRACE:4"}), core::NOVALUE);
  EXPECT_EQ(g_seen.trace, 5);
  EXPECT_NE(boxes().find("Proceso no definido: MantMain (not served by this runtime)"), std::string::npos)
      << boxes();
  EXPECT_TRUE(g_seen.menus.empty());
  // Bare, the value is upper-cased and the kind is not in the list: a
  // typing error, told from a kind this runtime lacks.
  g_seen = Seen{};
  EXPECT_EQ(run({"/RUN:MantMain,CLIENTES"}), core::NOVALUE);
  EXPECT_NE(boxes().find("Proceso no definido: MANTMAIN (no such process kind)"), std::string::npos) << boxes();
}

TEST_F(Startup, ADefinitionFolderThatIsNoneOrEmptyIsSaidAtOnce) {
  EXPECT_EQ(run({"/DPATH:" + root_ + "/nohay", "/RUN:'PrcExec,x'"}, false), core::FILENOTFOUND);
  EXPECT_NE(boxes().find("DPATH: " + root_ + "/nohay (no such folder)"), std::string::npos) << boxes();
  g_seen = Seen{};
  EXPECT_EQ(run({"/DPATH:" + work_, "/RUN:'PrcExec,x'"}, false), core::FILENOTFOUND);
  EXPECT_NE(boxes().find("(no definition files in it)"), std::string::npos) << boxes();
}

TEST_F(Startup, AnUnknownOptionIsSaidAtOnce) {
  write(defs_ + "/Hello.PRX", "X=WRITE('out.txt';-1;'ran')\r\n");
  EXPECT_EQ(run({"/RUN:'PrcExec,hello'", "/TARCE:8"}), core::BADCOMMANDLINE);
  EXPECT_NE(boxes().find("Unknown option: /TARCE"), std::string::npos) << boxes();
  EXPECT_FALSE(fs::exists(work_ + "/out.txt"));  // nothing ran
}

TEST_F(Startup, RemovedFeaturesAnswer148WithTheirNames) {
  EXPECT_EQ(run({"/RUN:'Reorg,x'"}), core::FEATUREREMOVED);
  EXPECT_NE(boxes().find("DataFileReorgWiz"), std::string::npos) << boxes();
  g_seen = Seen{};
  EXPECT_EQ(run({"/RUN:'FileTrans'"}), core::FEATUREREMOVED);
  EXPECT_NE(boxes().find("FileTransWizzard"), std::string::npos) << boxes();
}

TEST_F(Startup, MissingProcedureIs164WithItsName) {
  EXPECT_EQ(run({"/RUN:'PrcExec,nothing'"}), core::FILENOTFOUND);
  EXPECT_NE(boxes().find("nothing.PRX"), std::string::npos) << boxes();
}

TEST_F(Startup, ApplicationNameFromTheOptionOrTheCode) {
  ASSERT_EQ(run({"-APNAME:xy", "/RUN:'Copy'"}), core::FEATUREREMOVED);
  EXPECT_EQ(g_seen.slots[2], "XY");
  g_seen = Seen{};
  ASSERT_EQ(run({"--APNAME='xy'", "/RUN:'Copy'"}), core::FEATUREREMOVED);
  EXPECT_EQ(g_seen.slots[2], "xy");
  g_seen = Seen{};
  ASSERT_EQ(run({"/APNAME:ab,cd", "/RUN:'Copy'"}), core::FEATUREREMOVED);
  EXPECT_EQ(g_seen.slots[2], "AB");
}

TEST_F(Startup, InputFileRunsItsLinesUntilAnError) {
  write(defs_ + "/A.PRX", "X=WRITE('log.txt';-1;'a')\r\n");
  write(defs_ + "/B.PRX", "X=WRITE('log.txt';-1;'b')\r\n");
  write(work_ + "/batch.txt", "PrcExec,A\r\n\r\n   \r\nPrcExec B\r\nNoSuchKind,x\r\nPrcExec,A\r\n");
  EXPECT_EQ(run({"/INPUT:batch.txt", "/OUTPUT:out.txt", "/RUN:'PrcExec,B'"}), core::NOVALUE);
  EXPECT_EQ(read(work_ + "/log.txt"), "ab");
  EXPECT_EQ(g_seen.input_file, 0);
  EXPECT_EQ(g_seen.output, 1);
  // Without an error the RUN process follows the INPUT file.
  write(work_ + "/batch.txt", "PrcExec,A\r\n");
  g_seen = Seen{};
  EXPECT_EQ(run({"/INPUT:batch.txt", "/RUN:'PrcExec,B'"}), 0) << boxes();
  EXPECT_EQ(read(work_ + "/log.txt"), "abab");
  EXPECT_EQ(g_seen.output, 0);
  g_seen = Seen{};
  EXPECT_EQ(run({"/INPUT:missing.txt", "/RUN:'PrcExec,B'"}), core::FILENOTFOUND);
  EXPECT_EQ(read(work_ + "/log.txt"), "abab");
}

TEST_F(Startup, AFailingPhaseStopsStartUpButShutdownStillRuns) {
  write(defs_ + "/A.PRX", "X=WRITE('log.txt';-1;'a')\r\n");
  g_seen.fail_phase = 1;
  g_seen.fail_code = 200;
  EXPECT_EQ(run({"/RUN:'PrcExec,A'"}), 200);
  EXPECT_EQ(g_seen.phases, (std::vector<int>{1, 3}));
  EXPECT_FALSE(fs::exists(work_ + "/log.txt"));
  ASSERT_EQ(g_seen.boxes.size(), 1u);
  g_seen = Seen{};
  g_seen.fail_phase = 2;
  g_seen.fail_code = 5;  // a warning stops start-up as well
  EXPECT_EQ(run({"/RUN:'PrcExec,A'"}), 5);
  EXPECT_EQ(g_seen.phases, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(fs::exists(work_ + "/log.txt"));
  // Only errors of the run and of phase 3 make the exit code.
  g_seen = Seen{};
  g_seen.fail_phase = 3;
  g_seen.fail_code = 130;
  EXPECT_EQ(run({"/RUN:'PrcExec,A'"}), 130);
  g_seen = Seen{};
  g_seen.fail_phase = 3;
  g_seen.fail_code = 7;
  EXPECT_EQ(run({"/RUN:'PrcExec,A'"}), 0);
}

TEST_F(Startup, TheMenuOpensWithoutRunThroughTheWindowLayer) {
  // No window layer: no menu window.
  EXPECT_EQ(run({}), core::FEATUREREMOVED);
  EXPECT_NE(boxes().find("MenuWindow"), std::string::npos) << boxes();

  app::WindowHooks hooks;
  hooks.open_menu = open_menu;
  hooks.message_loop = message_loop;
  app::window_hooks_set(hooks);
  write(defs_ + "/dbmenu.pmt", "Ficheros\n\tClientes,MantMain CLIENTES\n");
  g_seen = Seen{};
  EXPECT_EQ(run({}), 0) << boxes();
  EXPECT_EQ(g_seen.menus, (std::vector<std::string>{"DBMENU,1"}));
  EXPECT_EQ(g_seen.loops, 1);
  EXPECT_EQ(g_seen.scr_stat & app::kScrStatRun, 0);
  // APSTART replaces the start menu, which is kept only when its menu
  // file exists.
  g_seen = Seen{};
  EXPECT_EQ(run({"/APSTART:'dbmenu,2'"}), 0);
  EXPECT_EQ(g_seen.menus, (std::vector<std::string>{"dbmenu,2"}));
  g_seen = Seen{};
  EXPECT_EQ(run({"/APSTART:'OTHER,1'"}), 0);
  EXPECT_EQ(g_seen.menus, (std::vector<std::string>{"(empty)"}));
  // A start menu that is nowhere is said, naming the file looked for.
  EXPECT_NE(boxes().find("Fichero no encontrado:OTHER.PMT"), std::string::npos) << boxes();
  g_seen = Seen{};
  std::filesystem::remove(defs_ + "/dbmenu.pmt");
  EXPECT_EQ(run({}), 0);
  EXPECT_NE(boxes().find("Fichero no encontrado:DBMENU.PMT"), std::string::npos) << boxes();
}

TEST_F(Startup, DefinitionFolderFromTheWorkingFolderOrARelativeDpath) {
  write(work_ + "/HERE.PRX", "X=WRITE('here.txt';-1;'here')\r\n");
  EXPECT_EQ(run({"/RUN:'PrcExec,here'"}, false), 0) << boxes();
  EXPECT_EQ(g_seen.slots[5], fs::current_path().string());
  EXPECT_EQ(read(work_ + "/here.txt"), "here");
  write(root_ + "/rel/R.PRX", "X=WRITE('rel.txt';-1;'rel')\r\n");
  g_seen = Seen{};
  EXPECT_EQ(run({"/DPATH:'../rel'", "/RUN:'PrcExec,r'"}, false), 0) << boxes();
  EXPECT_EQ(g_seen.slots[5], fs::canonical(root_).string() + "/rel");
  EXPECT_EQ(read(work_ + "/rel.txt"), "rel");
}

TEST_F(Startup, LanguageModulesComeFromTheDefinitionFolder) {
  write(defs_ + "/qv_lang_es.msj", "0031 Proceso desconocido\r\n");
  EXPECT_EQ(run({"/RUN:'Nada'"}), core::NOVALUE);
  EXPECT_NE(boxes().find("Proceso desconocido"), std::string::npos) << boxes();
}

TEST(StartupLanguage, TheDesktopsLocaleNamesTheLanguageWhenAppLangDoesNot) {
  core::CoreContext core;
  core::ArenaScope scope;
  EXPECT_EQ(str(app::language_of_locale("fr_FR.UTF-8")), "FR");
  EXPECT_EQ(str(app::language_of_locale("de")), "DE");
  EXPECT_EQ(str(app::language_of_locale("it_IT@euro")), "IT");
  EXPECT_EQ(str(app::language_of_locale("C.UTF-8")), "(empty)");
  EXPECT_EQ(str(app::language_of_locale("pt_BR.UTF-8")), "(empty)");
  EXPECT_EQ(str(app::language_of_locale("english")), "(empty)");
  EXPECT_EQ(str(app::language_of_locale(nullptr)), "(empty)");

  const char* saved[] = {getenv("APP_LANG"), getenv("LC_ALL"), getenv("LC_MESSAGES"), getenv("LANG")};
  std::string keep[4];
  for (int i = 0; i < 4; ++i) keep[i] = saved[i] != nullptr ? saved[i] : "";
  auto language = [] {
    EXPECT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, ""_t), 0);
    EXPECT_EQ(app::language_from_environment(), 0);
    return str(core::slot_get(core::kGroupEnv, core::kEnvLanguage));
  };
  unsetenv("APP_LANG");
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  setenv("LANG", "en_GB.UTF-8", 1);
  EXPECT_EQ(language(), "EN");
  // LC_ALL comes first; a locale of another language leaves the default.
  setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(language(), "(empty)");
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_EQ(language(), "DE");
  // APP_LANG wins over the locale.
  setenv("APP_LANG", "it", 1);
  EXPECT_EQ(language(), "IT");
  const char* names[] = {"APP_LANG", "LC_ALL", "LC_MESSAGES", "LANG"};
  for (int i = 0; i < 4; ++i) {
    if (saved[i] != nullptr) setenv(names[i], keep[i].c_str(), 1); else unsetenv(names[i]);
  }
}

Status recording_dispatcher(uint16_t kind, Text argument) {
  g_seen.dispatched.push_back(std::to_string(kind) + ":" + str(argument));
  return 0;
}

TEST_F(Startup, TheDispatcherHookReceivesKindAndArgument) {
  app::dispatcher_set(recording_dispatcher);
  EXPECT_EQ(run({"/RUN:'MantMain [1+1]'"}), 0);
  EXPECT_EQ(g_seen.dispatched, (std::vector<std::string>{"5:2"}));
  EXPECT_EQ(app::dispatcher_get(), recording_dispatcher);
  app::dispatcher_set(nullptr);
  EXPECT_EQ(app::dispatcher_get(), app::dispatch_default);
}

Text choose_second(Text, Text names) { return core::list_field(names, ',', 2); }
Text choose_nothing(Text, Text) { return Text{}; }

TEST_F(Startup, ProcedurePatternsRunTheOneMatchOrTheChosenOne) {
  write(defs_ + "/REP1.PRX", "X=WRITE('log.txt';-1;'1')\r\n");
  EXPECT_EQ(run({"/RUN:'PrcExec,REP*'"}), 0) << boxes();
  EXPECT_EQ(read(work_ + "/log.txt"), "1");
  write(defs_ + "/rep2.prx", "X=WRITE('log.txt';-1;'2')\r\n");
  g_seen = Seen{};
  EXPECT_EQ(run({"/RUN:'PrcExec,rep?'"}), core::NOVALUE);
  EXPECT_NE(boxes().find("Proceso no definido"), std::string::npos);
  g_seen = Seen{};
  EXPECT_EQ(run({"/RUN:'PrcExec,NONE*'"}), core::NOVALUE);

  app::WindowHooks hooks;
  hooks.choose_file = choose_second;
  app::window_hooks_set(hooks);
  g_seen = Seen{};
  EXPECT_EQ(run({"/RUN:'PrcExec,rep*'"}), 0) << boxes();
  EXPECT_EQ(read(work_ + "/log.txt"), "12");
  hooks.choose_file = choose_nothing;
  app::window_hooks_set(hooks);
  g_seen = Seen{};
  EXPECT_EQ(run({"/RUN:'PrcExec,rep*'"}), 0);  // a cancelled choice is no error
  EXPECT_EQ(read(work_ + "/log.txt"), "12");
  EXPECT_TRUE(g_seen.boxes.empty()) << boxes();
}

void one_each(int* screens, int* windows) {
  *screens = 1;
  *windows = 1;
}
void two_windows(int* screens, int* windows) {
  *screens = 1;
  *windows = 2;
}
std::string g_question;
bool answer_no(Text, Text text) {
  g_question = str(text);
  return false;
}

TEST(CloseRequest, AsksWithOneOfEachAndRefusesWithMore) {
  core::CoreContext core;
  core::box_hook_set(capture_box);
  g_seen = Seen{};
  bool close = false;
  ASSERT_EQ(app::close_request(&close), 0);
  EXPECT_TRUE(close);  // nothing open and nobody to ask

  app::WindowHooks hooks;
  hooks.count_windows = one_each;
  hooks.ask = answer_no;
  app::window_hooks_set(hooks);
  close = true;
  ASSERT_EQ(app::close_request(&close), 0);
  EXPECT_FALSE(close);
  EXPECT_NE(g_question.find("Cerrar la aplicacion? (1 Pantallas, 1 Ventanas)"), std::string::npos)
      << g_question;
  EXPECT_TRUE(g_seen.boxes.empty());

  hooks.count_windows = two_windows;
  app::window_hooks_set(hooks);
  g_question.clear();
  close = true;
  ASSERT_EQ(app::close_request(&close), 0);
  EXPECT_FALSE(close);
  EXPECT_TRUE(g_question.empty());
  ASSERT_EQ(g_seen.boxes.size(), 1u);
  EXPECT_NE(g_seen.boxes[0].find("Aun hay ventanas abiertas (1 Pantallas, 2 Ventanas)"),
            std::string::npos);
  app::window_hooks_set(app::WindowHooks{});
}

}  // namespace
