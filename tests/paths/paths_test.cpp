// Paths: data-file cases for the text operations and the environment, and
// cases on a real folder tree for names in any case, searching, matching,
// folders and the file layer's use of real names.
#include "paths/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/files.h"
#include "core/slots.h"
#include "tests/runner/datafile.h"
#include "tests/support/show.h"

namespace {

namespace fs = std::filesystem;
using core::Text;
using core::operator""_t;

using testsupport::str;
using testsupport::txt;

// The two operands of a "a | b" line, trimmed.
std::pair<std::string, std::string> operands(const std::string& line) {
  size_t bar = line.find('|');
  auto trim = [](std::string s) {
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
  };
  return {trim(line.substr(0, bar)), trim(bar == std::string::npos ? "" : line.substr(bar + 1))};
}

int parts_of(const std::string& letters) {
  int parts = 0;
  if (letters.find('d') != std::string::npos) parts |= paths::kPartDrive;
  if (letters.find('f') != std::string::npos) parts |= paths::kPartFolder;
  if (letters.find('b') != std::string::npos) parts |= paths::kPartBase;
  if (letters.find('e') != std::string::npos) parts |= paths::kPartExt;
  return parts;
}

std::string env_step(const std::string& line) {
  size_t blank = line.find(' ');
  std::string op = line.substr(0, blank);
  std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
  if (op == "slot") {
    size_t b = rest.find(' ');
    int slot = std::stoi(rest.substr(0, b));
    std::string value = b == std::string::npos ? "" : rest.substr(b + 1);
    EXPECT_EQ(core::slot_set(core::kGroupEnv, static_cast<uint16_t>(slot), txt(value)), 0);
    return {};
  }
  if (op == "expand") return str(paths::env_expand(txt(rest))) + "\n";
  if (op == "token") return str(paths::env_token_value(txt(rest))) + "\n";
  if (op == "path") return str(paths::path_app(static_cast<uint16_t>(std::stoi(rest)))) + "\n";
  return "unknown step " + op + "\n";
}

std::string run_case(const testrunner::DataCase& c) {
  core::ArenaScope scope;
  std::istringstream in(c.input);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    core::ArenaScope step;
    if (c.command == "join") {
      auto [a, b] = operands(line);
      out += str(paths::path_join(txt(a), txt(b))) + "\n";
    } else if (c.command == "split") {
      out += str(paths::path_split(txt(line), parts_of(c.args.at(0)))) + "\n";
    } else if (c.command == "resolve") {
      auto [a, b] = operands(line);
      out += str(paths::path_resolve(txt(a), txt(b))) + "\n";
    } else if (c.command == "option") {
      Text raw = paths::option_raw(txt(line), txt(c.args.at(0)));
      out += (raw.ok() ? str(paths::option_find(txt(line), txt(c.args.at(0)))) : "(absent)") + "\n";
    } else if (c.command == "env") {
      out += env_step(line);
    } else if (c.command == "wildcard") {
      out += std::string(paths::path_wildcard_match(txt(c.args.at(0)), txt(line)) ? "yes" : "no") +
             "\n";
    } else {
      return "unknown command " + c.command;
    }
  }
  if (!out.empty()) out.pop_back();
  return out;
}

TEST(Paths, DataFileCases) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    core::CoreContext context;
    return run_case(c);
  };
  testrunner::DataCommands commands(handler,
                                    {"join", "split", "resolve", "option", "env", "wildcard"});
  testrunner::datafile_run("paths/paths.test");
}

// A folder tree of its own, which is also the current folder.
class PathsOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(core_.status(), 0);
    char tmpl[] = "/tmp/paths_testXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    saved_ = fs::current_path();
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(saved_);
    fs::remove_all(root_);
  }
  void write(const std::string& name, const std::string& body = "x") {
    fs::create_directories(fs::path(root_ + "/" + name).parent_path());
    std::ofstream(root_ + "/" + name, std::ios::binary) << body;
  }
  std::string at(const std::string& name) const { return root_ + "/" + name; }

  core::CoreContext core_;
  core::ArenaScope scope_;
  std::string root_;
  fs::path saved_;
};

TEST_F(PathsOnDisk, RuntimeFilesAreUnderShareOfAnInstallationElseBesideTheProgram) {
  fs::create_directories(at("usr/bin"));
  fs::create_directories(at("opt/bin"));
  fs::create_directories(at("build/apprun"));
  write("usr/share/apprun/background.png");
  EXPECT_EQ(str(paths::path_runtime_files_of(txt(at("usr/bin")))), at("usr/share/apprun"));
  // A bin/ folder without the shared files, and a build tree: the program's folder.
  EXPECT_EQ(str(paths::path_runtime_files_of(txt(at("opt/bin")))), at("opt/bin"));
  EXPECT_EQ(str(paths::path_runtime_files_of(txt(at("build/apprun")))), at("build/apprun"));
  EXPECT_EQ(str(paths::path_runtime_files()), str(paths::path_program_folder()));
}

TEST_F(PathsOnDisk, RealNamesIgnoreCaseFolderByFolder) {
  write("Apps/Clientes.PAN");
  EXPECT_EQ(str(paths::path_real_name(txt(at("apps/CLIENTES.pan")))), at("Apps/Clientes.PAN"));
  EXPECT_EQ(str(paths::path_real_name(txt(at("APPS\\clientes.PAN")))), at("Apps/Clientes.PAN"));
  // Exactly as written wins, even where a case variant exists too.
  write("Apps/clientes.pan");
  EXPECT_EQ(str(paths::path_real_name(txt(at("Apps/clientes.pan")))), at("Apps/clientes.pan"));
  // Several variants and no exact one: the first in byte order.
  EXPECT_EQ(str(paths::path_real_name(txt(at("apps/CLIENTES.PAN")))), at("Apps/Clientes.PAN"));
  EXPECT_EQ(str(paths::path_real_name(txt(at("apps/missing.pan")))), "(error 164)");
  EXPECT_EQ(str(paths::path_real_name("apps/clientes.PAN"_t)), "Apps/Clientes.PAN");
  EXPECT_EQ(str(paths::path_find_file(txt(at("APPS")), "CLIENTES.pan"_t)), at("Apps/Clientes.PAN"));
  EXPECT_EQ(str(paths::path_real_name(Text{"a\0b", 3})), "(error 164)");
}

TEST_F(PathsOnDisk, FileLayerOpensNamesInAnyCaseOnceInstalled) {
  write("defs/TEST.PRX", "A=1");
  const std::string asked_name = at("defs/test.prx");
  Text asked = txt(asked_name);
  EXPECT_FALSE(core::file_exists(asked));
  core::file_name_resolver_set(paths::path_real_name);
  EXPECT_TRUE(core::file_exists(asked));
  EXPECT_EQ(str(core::file_load(asked, 0, core::kToEnd)), "A=1");
  // A write goes to the file that exists in another case, not to a new one.
  EXPECT_EQ(core::file_put(asked, -2, "B=2"_t), 0);
  EXPECT_FALSE(fs::exists(at("defs/test.prx")));
  EXPECT_EQ(str(core::file_load(txt(at("defs/TEST.PRX")), 0, core::kToEnd)), "B=2");
  // A new name is made as written.
  EXPECT_EQ(core::file_append(txt(at("defs/New.txt")), "n"_t), 0);
  EXPECT_TRUE(fs::exists(at("defs/New.txt")));
  EXPECT_EQ(core::file_delete(txt(at("DEFS/new.TXT"))), 0);
  EXPECT_FALSE(fs::exists(at("defs/New.txt")));
  core::file_name_resolver_set(nullptr);
  EXPECT_FALSE(core::file_exists(asked));
}

TEST_F(PathsOnDisk, SearchTriesTheNameThenEachFolder) {
  write("one/A.TXT");
  write("two/b.txt");
  write("two/a.txt");
  Text folders = " 'one' , two "_t;
  EXPECT_EQ(str(paths::path_search(folders, "a.txt"_t)), "one/A.TXT");
  EXPECT_EQ(str(paths::path_search(folders, "B.TXT"_t)), "two/b.txt");
  EXPECT_EQ(str(paths::path_search(folders, "c.txt"_t)), "(empty)");
  EXPECT_EQ(str(paths::path_search(folders, "one/a.txt"_t)), "one/A.TXT");
  EXPECT_EQ(str(paths::path_search(folders, "*.TXT"_t)), "one/*.TXT");
  EXPECT_EQ(str(paths::path_search(folders, "b*"_t)), "two/b*");
  EXPECT_EQ(str(paths::path_search(folders, ""_t)), "(empty)");
}

TEST_F(PathsOnDisk, MatchingFilesSortedAndListed) {
  write("m/b.prx");
  write("m/A.PRX");
  write("m/c,d.prx");
  write("m/other.txt");
  write("m/.hidden.prx");
  Text all = paths::path_match_files(txt(at("M/*.prx")));
  ASSERT_TRUE(all.ok());
  EXPECT_EQ(std::string(all.ptr, all.len), std::string("A.PRX\0b.prx\0c,d.prx", 19));
  EXPECT_EQ(str(paths::path_match_list(txt(at("m/*.PRX")), "B.PRX"_t)), "A.PRX,\"c,d.prx\"");
  EXPECT_EQ(str(paths::path_match_files(txt(at("m/*.none")))), "(error 164)");
  EXPECT_EQ(str(paths::path_match_files(txt(at("nofolder/*")))), "(error 164)");
  EXPECT_EQ(str(paths::path_match_list(txt(at("m/*.none")), ""_t)), "(empty)");
}

TEST_F(PathsOnDisk, FoldersAndInformation) {
  EXPECT_EQ(paths::path_make_folders(txt(at("x\\y/z"))), 0);
  EXPECT_TRUE(fs::is_directory(at("x/y/z")));
  EXPECT_EQ(paths::path_make_folders(txt(at("x/y/z"))), 0);
  EXPECT_EQ(paths::path_make_folders(""_t), 0);
  write("file", "12345");
  EXPECT_EQ(paths::path_make_folders(txt(at("file/sub"))), core::FILEIO);

  paths::FileInfo info;
  ASSERT_EQ(paths::path_file_info(txt(at("FILE")), &info), 0);
  EXPECT_EQ(info.size, 5);
  EXPECT_FALSE(info.folder);
  EXPECT_GT(info.modified, 0);
  EXPECT_EQ(paths::path_file_info(txt(at("nothing")), &info), core::FILENOTFOUND);

  // A file kept open by a name without a folder is left behind with the old
  // folder: the same name then writes in the new one.
  fs::create_directory(at("k"));
  ASSERT_EQ(paths::path_change_folder(txt(at("k"))), 0);
  core::file_keep_open(true);
  EXPECT_EQ(core::file_put("kept.txt"_t, -1, "a"_t), 0);
  EXPECT_EQ(paths::path_change_folder(txt(at("X/Y"))), 0);
  EXPECT_EQ(core::file_put("kept.txt"_t, -1, "b"_t), 0);
  core::file_keep_open(false);
  auto content = [](const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(content(at("k/kept.txt")), "a");
  EXPECT_EQ(content(at("x/y/kept.txt")), "b");
  EXPECT_EQ(str(paths::path_current_folder()), fs::canonical(at("x/y")).string());
  EXPECT_EQ(paths::path_change_folder("nowhere"_t), core::FILENOTFOUND);
  EXPECT_EQ(paths::path_change_drive('D'), 0);
  EXPECT_EQ(paths::path_change_drive('1'), core::NOVALUE);
}

TEST_F(PathsOnDisk, TemporaryNamesAreFreshAndInTemp) {
  ::setenv("TMPDIR", root_.c_str(), 1);
  ::unsetenv("TEMP");
  Text a = paths::path_temp_name(".tmp"_t);
  std::string first = str(a);
  Text b = paths::path_temp_name("TXT"_t);
  ::unsetenv("TMPDIR");
  ASSERT_TRUE(a.ok());
  EXPECT_EQ(first.rfind(root_ + "/", 0), 0u);
  EXPECT_EQ(first.substr(first.size() - 4), ".tmp");
  EXPECT_EQ(std::count(first.begin(), first.end(), '.'), 1);
  EXPECT_NE(first, str(b));
  EXPECT_FALSE(fs::exists(first));
}

TEST_F(PathsOnDisk, OperatingSystemVariablesAndStandIns) {
  ::setenv("TEMP", "/t/given", 1);
  EXPECT_EQ(str(paths::env_os_variable("TEMP"_t)), "/t/given");
  ::unsetenv("TEMP");
  ::setenv("TMPDIR", "/t/dir", 1);
  EXPECT_EQ(str(paths::env_os_variable("TEMP"_t)), "/t/dir");
  ::unsetenv("TMPDIR");
  EXPECT_EQ(str(paths::env_os_variable("TEMP"_t)), "/tmp");
  ::setenv("HOME", "/home/tester", 1);
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(str(paths::env_os_variable("APPDATA"_t)), "/home/tester/.config");
  EXPECT_EQ(str(paths::env_expand("%USERPROFILE%/x%HOMEDRIVE%"_t)), "/home/tester/x");
  // Names are exact: another case is not the variable.
  EXPECT_EQ(str(paths::env_os_variable("temp"_t)), "(empty)");
  EXPECT_EQ(str(paths::env_os_variable("PATH"_t)), "(empty)");
}

TEST_F(PathsOnDisk, FolderSetUpModes) {
  // Mode 1 keeps what start-up set; only empty slots are filled.
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, "/given"_t), 0);
  ASSERT_EQ(paths::path_folder_setup(1), 0);
  EXPECT_EQ(str(core::slot_get(core::kGroupEnv, core::kEnvDocPath)), "/given");
  EXPECT_EQ(str(core::slot_get(core::kGroupEnv, core::kEnvHelpPath)), "/given/Help");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, ""_t), 0);
  ASSERT_EQ(paths::path_folder_setup(1), 0);
  EXPECT_EQ(str(core::slot_get(core::kGroupEnv, core::kEnvDocPath)),
            str(paths::path_program_folder()));
  EXPECT_EQ(str(core::slot_get(core::kGroupEnv, core::kEnvHelpPath)), "/given/Help");

  // Mode 2 always points both beside the current folder.
  fs::create_directories(at("work"));
  fs::current_path(at("work"));
  ASSERT_EQ(paths::path_folder_setup(2), 0);
  std::string apps = fs::canonical(root_).string() + "/APPS";
  EXPECT_EQ(str(core::slot_get(core::kGroupEnv, core::kEnvDocPath)), apps);
  EXPECT_EQ(str(core::slot_get(core::kGroupEnv, core::kEnvHelpPath)), apps + "/Help");

  // Bit 8 makes the backup folder when nothing matches it.
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDataPath, txt(at("data"))), 0);
  ASSERT_EQ(paths::path_folder_setup(1 | 8), 0);
  EXPECT_TRUE(fs::is_directory(at("data/Backups")));
}

TEST_F(PathsOnDisk, ApplicationPathsFromSlotsAndFolders) {
  std::string here = fs::current_path().string();
  EXPECT_EQ(str(paths::path_app(paths::AppPath::Docs)), here);
  // On a POSIX path the drive test takes the early-drive branch: the data
  // folder stands beside path 4.
  EXPECT_FALSE(paths::path_late_drive(paths::path_app(paths::AppPath::RunPath)));
  EXPECT_EQ(str(paths::path_app(paths::AppPath::Data)),
            fs::path(here).parent_path().string() + "/data");
  EXPECT_TRUE(paths::path_late_drive("G:\\prog"_t));
  EXPECT_TRUE(paths::path_late_drive("f:/prog"_t));
  EXPECT_FALSE(paths::path_late_drive("C:\\prog"_t));
  EXPECT_FALSE(paths::path_late_drive("Z"_t));
  ASSERT_EQ(core::slot_set(core::kGroupEnv, 11, "Host,Db"_t), 0);
  EXPECT_EQ(str(paths::path_app(paths::AppPath::BackRel)), here + "/Backups/HOST/DB");
  EXPECT_FALSE(str(paths::path_app(paths::AppPath::RunPath)).empty());
  EXPECT_EQ(str(paths::path_extension(2, false)), ".FD");
  EXPECT_EQ(str(paths::path_extension(6, true)), ".txt");
  EXPECT_EQ(str(paths::path_extension(1, false)), "(empty)");
  EXPECT_EQ(str(paths::path_extension(7, false)), "(empty)");
}

TEST_F(PathsOnDisk, SetIfEmptyShortenAndOutput) {
  EXPECT_EQ(paths::env_set_if_empty(3, "first"_t, false), 0);
  EXPECT_EQ(paths::env_set_if_empty(3, "second"_t, false), 0);
  EXPECT_EQ(str(core::slot_get(0, 3)), "first");
  EXPECT_EQ(paths::env_set_if_empty(3, "third"_t, true), 0);
  EXPECT_EQ(str(core::slot_get(0, 3)), "third");
  EXPECT_EQ(paths::slot_shorten(0, 3, 2), 0);
  EXPECT_EQ(str(core::slot_get(0, 3)), "th");
  EXPECT_EQ(paths::slot_shorten(0, 3, 3), core::INTERNAL);
  EXPECT_EQ(str(core::slot_get(0, 3)), "th");

  EXPECT_EQ(paths::env_output_line("nowhere"_t), 0);
  std::string line = "/OUTPUT:'" + at("out.txt") + "'";
  ASSERT_EQ(core::slot_set(0, core::kEnvCommandLine, txt(line)), 0);
  EXPECT_EQ(paths::env_output_line("one"_t), 0);
  EXPECT_EQ(paths::env_output_line("two"_t), 0);
  std::ifstream in(at("out.txt"), std::ios::binary);
  std::string body((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(body, "one\r\ntwo\r\n");
}

}  // namespace

namespace {

// "/./" is removed in one pass, so a long run of them needs no arena room
// beyond the result.
TEST(Paths, ResolveRemovesLongRunsOfDotFolders) {
  core::CoreContext core;
  core::ArenaScope scope;
  std::string rel = "a/";
  while (rel.size() < 30000) rel += "./";
  rel += "f";
  EXPECT_EQ(str(paths::path_resolve("/base"_t, txt(rel))), "/base/a/f");
  EXPECT_EQ(str(paths::path_resolve("/base"_t, "a/././b/./c"_t)), "/base/a/b/c");
}

}  // namespace
