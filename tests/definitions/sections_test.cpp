// Definition files: data-file cases for layouts, sections and keys, and
// cases on real folders for finding files, the definition stack, bad input
// and settings files.
#include "definitions/definitions.h"
#include "script/functions.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/files.h"
#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "paths/paths.h"
#include "script/eval.h"
#include "script/variables.h"
#include "tests/runner/datafile.h"
#include "tests/support/show.h"

namespace {

namespace fs = std::filesystem;
using core::Text;
using core::operator""_t;

using testsupport::str;
using testsupport::txt;

// A runtime with a definition folder of its own, which is also the current
// folder.
class Runtime {
 public:
  Runtime() {
    char tmpl[] = "/tmp/deffiles_testXXXXXX";
    if (mkdtemp(tmpl) != nullptr) folder_ = tmpl;
    saved_ = fs::current_path();
    fs::current_path(folder_);
    (void)core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_));
    core::file_name_resolver_set(paths::path_real_name);
    script::settings_saver_set(defs::settings_save);
  }
  ~Runtime() {
    fs::current_path(saved_);
    fs::remove_all(folder_);
  }
  void write(const std::string& name, const std::string& body) const {
    fs::create_directories(fs::path(path(name)).parent_path());
    std::ofstream(path(name), std::ios::binary) << body;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  std::string path(const std::string& name) const { return folder_ + "/" + name; }
  const std::string& folder() const { return folder_; }

 private:
  core::CoreContext core_;
  script::ScriptContext script_;
  std::string folder_;
  fs::path saved_;
};

std::string key_step(const std::string& line) {
  std::istringstream in(line);
  std::string op;
  in >> op;
  std::string rest;
  std::getline(in, rest);
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  if (op == "section") {
    EXPECT_EQ(core::slot_append(core::kGroupDefStack, txt(rest)), 0);
    return {};
  }
  if (op == "prefix") {
    size_t blank = rest.rfind(' ');
    EXPECT_EQ(core::slot_set(core::kGroupRuntime, core::kRtKeyPrefixes, txt(rest.substr(0, blank))),
              0);
    script::var_set_int(core::kSwAux, static_cast<int16_t>(std::stoi(rest.substr(blank + 1))));
    return {};
  }
  if (op == "let") {
    EXPECT_LT(script::expr_status(txt(rest)), 128);
    return {};
  }
  std::istringstream args(rest);
  int code = 0;
  int field = 0;
  args >> code >> field;
  auto c = static_cast<uint16_t>(code);
  auto f = static_cast<uint16_t>(field);
  if (op == "name") return str(defs::def_key_name(c)) + "\n";
  if (op == "value") return str(defs::def_key_value(c)) + "\n";
  if (op == "number") return std::to_string(defs::def_key_number(c)) + "\n";
  if (op == "raw") return str(defs::def_key_raw(c, f)) + "\n";
  if (op == "rawnum") return std::to_string(defs::def_key_raw_number(c, f)) + "\n";
  return "unknown step " + op + "\n";
}

std::string run_case(const testrunner::DataCase& c) {
  Runtime rt;
  core::ArenaScope scope;
  if (c.command == "load" || c.command == "count") {
    rt.write("case.def", c.input);
    int layout = std::stoi(c.args.at(0));
    int section = std::stoi(c.args.at(1));
    if (c.command == "count")
      return std::to_string(defs::def_section_count("case.def"_t, layout, section));
    int32_t st = defs::def_section_load("case.def"_t, layout, section);
    if (st != 0) return "status " + std::to_string(st);
    Text loaded = defs::def_section_current();
    return std::string(loaded.ptr, loaded.len);
  }
  std::istringstream in(c.input);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    core::ArenaScope step;
    if (c.command == "parts") {
      defs::LineParts parts;
      EXPECT_EQ(defs::def_line_parts(txt(line), std::stoi(c.args.at(0)), &parts), 0);
      out += std::to_string(parts.section) + "|" +
             std::string(parts.content.ptr, parts.content.len) + "\n";
    } else if (c.command == "types") {
      out += std::to_string(defs::def_file_type(txt(line))) + "\n";
    } else if (c.command == "typed") {
      out +=
          str(defs::def_name_with_type(txt(line), static_cast<uint16_t>(std::stoi(c.args.at(0))))) +
          "\n";
    } else if (c.command == "keys") {
      out += key_step(line);
    } else {
      return "unknown command " + c.command;
    }
  }
  if (!out.empty()) out.pop_back();
  return out;
}

TEST(DefinitionFiles, DataFileCases) {
  testrunner::DataCommands commands(run_case, {"load", "count", "parts", "types", "typed", "keys"});
  testrunner::datafile_run("definitions/sections.test");
}

// A damaged file is named with the line that holds the first byte no text
// holds, for the error box and for the checker.
TEST(DefinitionFiles, ADamagedFileIsNamedWithItsLine) {
  Runtime rt;
  core::ArenaScope scope;
  rt.write("case.def", std::string("01 FD$=A\r\n02 X=1\r\n01 \x01\x02garbage\r\n", 28));
  core::error_clear();
  EXPECT_EQ(defs::def_section_load("case.def"_t, 1, 2), core::SINTAXERROR);
  EXPECT_EQ(str(core::error_detail()), "case.def, line 3: not a text file (byte 0x01)");
  EXPECT_EQ(core::error_place().file, "case.def");
  EXPECT_EQ(core::error_place().line, 3u);
  EXPECT_EQ(core::error_last().code, core::SINTAXERROR);
}

TEST(DefinitionFiles, FilesAreFoundInEachFolderInAnyCase) {
  Runtime rt;
  core::ArenaScope scope;
  rt.write("one/Clientes.Pan", "X01 FD$=CLIENTES;\r\n");
  rt.write("two/MENU.PPN", "01 MENU$=Main\r\n");
  std::string folders = rt.path("one") + "," + rt.path("two");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folders)), 0);
  EXPECT_EQ(str(defs::def_file_find("CLIENTES"_t, defs::kFtScreen)), rt.path("one/Clientes.Pan"));
  EXPECT_EQ(str(defs::def_file_find("menu.ppn"_t, defs::kFtScreen)), rt.path("two/MENU.PPN"));
  EXPECT_EQ(str(defs::def_file_find("nothing"_t, defs::kFtScreen)), "(empty)");

  ASSERT_EQ(defs::def_section_load("clientes.pan"_t, 2, 1), 0);
  EXPECT_EQ(str(defs::def_key_value(defs::kKeyFd)), "CLIENTES");
  ASSERT_EQ(defs::def_section_load("Menu.ppn"_t, 1, 1), 0);
  EXPECT_EQ(str(defs::def_key_value(defs::kKeyMenu)), "MAIN");
  // The stack mirrors the nesting: releasing goes back to the outer one.
  EXPECT_EQ(core::slot_count(core::kGroupDefStack), 2);
  ASSERT_EQ(defs::def_section_release(), 0);
  EXPECT_EQ(str(defs::def_key_value(defs::kKeyFd)), "CLIENTES");
  ASSERT_EQ(defs::def_section_release(), 0);
  EXPECT_EQ(defs::def_section_release(), core::STROUTBOUND);
  EXPECT_EQ(str(defs::def_section_current()), "(empty)");
  // A name with a folder part is not looked for in the definition folders.
  EXPECT_EQ(defs::def_section_load("sub/MENU.PPN"_t, 1, 1), defs::kNoFile);
  EXPECT_EQ(defs::def_section_load(txt(rt.path("TWO/menu.PPN")), 1, 1), 0);
  EXPECT_EQ(core::slot_count(core::kGroupLineQueue), 0);
}

TEST(DefinitionFiles, MissingFilesAndTheEmptySectionForm) {
  Runtime rt;
  EXPECT_EQ(defs::def_section_load("MISSING.PPN"_t, 1, 1), defs::kNoFile);
  EXPECT_EQ(core::slot_count(core::kGroupDefStack), 0);
  EXPECT_EQ(defs::def_section_count("MISSING.PPN"_t, 1, 1), defs::kNoFile);
  EXPECT_EQ(defs::def_section_load_or_empty("MISSING.PPN"_t, 1, 1), 0);
  EXPECT_EQ(core::slot_count(core::kGroupDefStack), 1);
  EXPECT_EQ(str(defs::def_key_value(defs::kKeyFd)), "(empty)");
  EXPECT_EQ(defs::def_key_number(defs::kKeyMaxLine), 0);
  // A folder is not a file.
  fs::create_directories(rt.path("AFOLDER.PPN"));
  EXPECT_EQ(defs::def_section_load("AFOLDER.PPN"_t, 1, 1), defs::kNoFile);
  EXPECT_EQ(core::error_last().code, 0);
}

TEST(DefinitionFiles, BadInputGivesCodesAndLeavesTheQueueAsItWas) {
  Runtime rt;
  ASSERT_EQ(core::slot_append(core::kGroupLineQueue, "someone else's line"_t), 0);
  // More lines than the slot store holds.
  std::string many;
  for (int i = 0; i < 3000; ++i) many += "01 L" + std::to_string(i) + "\n";
  rt.write("MANY.PPN", many);
  EXPECT_EQ(defs::def_section_load("MANY.PPN"_t, 1, 1), core::STROUTBOUND);
  EXPECT_EQ(core::slot_count(core::kGroupLineQueue), 1);
  EXPECT_EQ(str(core::slot_last(core::kGroupLineQueue)), "someone else's line");
  EXPECT_EQ(core::slot_count(core::kGroupDefStack), 0);
  // Counting needs no room in the store.
  EXPECT_EQ(defs::def_section_count("MANY.PPN"_t, 1, 1), 3000);
  EXPECT_EQ(str(core::error_detail()), "MANY.PPN");
  core::error_clear();

  // A large section that the store holds loads whole.
  std::string wide;
  for (int i = 0; i < 35; ++i)
    wide += "01 " + std::string(1400, static_cast<char>('a' + i % 26)) + "\n";
  rt.write("WIDE.PPN", wide);
  ASSERT_EQ(defs::def_section_load("WIDE.PPN"_t, 1, 1), 0);
  EXPECT_EQ(defs::def_section_current().len, 35 * 1400 + 34);
  ASSERT_EQ(defs::def_section_release(), 0);
  EXPECT_EQ(core::slot_count(core::kGroupLineQueue), 1);

  // One line longer than the scratch arena can read.
  rt.write("LONG.PPN", "01 A=1\n01 " + std::string(70000, 'x') + "\n01 B=2\n");
  EXPECT_EQ(defs::def_section_load("LONG.PPN"_t, 1, 1), core::STRINGTOOLONG);
  EXPECT_EQ(core::error_last().code, core::STRINGTOOLONG);
  EXPECT_EQ(core::error_last().context, core::Context::LOADFILESTR);
  EXPECT_EQ(defs::def_section_load("LONG.PPN"_t, 9, 1), core::NOVALUE);
  EXPECT_EQ(defs::def_section_load("LONG.PPN"_t, 7, 1), core::NOVALUE);
  EXPECT_EQ(defs::def_section_load(core::text_error_value(core::OUTOFMEMORY), 1, 1),
            core::OUTOFMEMORY);
  EXPECT_EQ(core::slot_count(core::kGroupLineQueue), 1);
}

TEST(DefinitionFiles, SettingsFilesRunAndSave) {
  Runtime rt;
  core::ArenaScope scope;
  rt.write("Dialog.Set", "A$='first'\r\nN#=2.5\r\n\r\nC=N#*2;D$=A$+'!'\r\n\x1A");
  ASSERT_EQ(defs::settings_run("%DOCPATH%/DIALOG.SET"_t, true), 0);
  EXPECT_EQ(str(script::expr_text("D$"_t)), "first!");
  EXPECT_EQ(str(script::expr_text("C"_t)), "5");

  EXPECT_EQ(defs::settings_run("NOSUCH.SET"_t, false), 0);
  EXPECT_EQ(core::error_last().code, 0);
  EXPECT_EQ(defs::settings_run("NOSUCH.SET"_t, true), core::FILENOTFOUND);
  EXPECT_EQ(str(core::error_detail()), "NOSUCH.SET");
  core::error_clear();

  rt.write("BAD.SET", "A=(1\n");
  EXPECT_GE(defs::settings_run("BAD.SET"_t, true), 128);
  core::error_clear();

  // Saving keeps the file's other statements and runs it again.
  ASSERT_EQ(script::expr_status("A$='saved',N#=7"_t), 0);
  ASSERT_EQ(defs::settings_save("dialog.set"_t, "A$,N#"_t), 0);
  EXPECT_FALSE(fs::exists(rt.path("dialog.set")));
  std::string body = rt.read("Dialog.Set");
  EXPECT_NE(body.find("A$='saved'"), std::string::npos);
  EXPECT_NE(body.find("N#=7"), std::string::npos);
  EXPECT_NE(body.find("C=N#*2"), std::string::npos);
  EXPECT_EQ(body.find("first"), std::string::npos);
  EXPECT_EQ(str(script::expr_text("C"_t)), "14");

  // A new file goes into the definition folder; WRITE with position -2
  // saves through the same path.
  ASSERT_EQ(script::expr_status("B$='via write',X=WRITE('New.set';-2;'B$')"_t), 0);
  EXPECT_EQ(str(script::expr_text("X"_t)), "0");
  EXPECT_NE(rt.read("New.set").find("B$='via write'"), std::string::npos);
}

}  // namespace
