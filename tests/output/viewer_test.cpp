// Viewers and programs: the viewer list setting, programs found and started
// with their arguments as a list, waiting or not; the viewers of /VW
// devices, through a fake viewer that records its arguments.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/slots.h"
#include "output/devices.h"
#include "output/viewers.h"
#include "tests/data/pg_test.h"
#include "tests/support/fake_viewer.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;
namespace fs = std::filesystem;

class Viewers : public datatest::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), 0);
  }
  std::string path(const std::string& name) const { return folder_.path() + "/" + name; }
  datatest::TempFolder folder_;
};

TEST_F(Viewers, TheListIsASettingWithTheDesktopsOpenerByDefault) {
  unsetenv("APP_VIEWERS");
  EXPECT_EQ(output::viewer_entry(1), "xdg-open");
  EXPECT_EQ(output::viewer_entry(3), "xdg-open");
  EXPECT_EQ(output::viewer_entry(4), "");
  ASSERT_EQ(setenv("APP_VIEWERS", " mousepad ,, evince --fullscreen", 1), 0);
  EXPECT_EQ(output::viewer_entry(1), "mousepad");
  EXPECT_EQ(output::viewer_entry(2), "xdg-open");
  EXPECT_EQ(output::viewer_entry(3), "evince --fullscreen");
  unsetenv("APP_VIEWERS");
}

// Words apart by blanks (runs of them too), quotes keeping blanks in one;
// the exit code when waited for; a program that is nowhere gives 0.
TEST_F(Viewers, ProgramsRunWithTheirArgumentsAsAList) {
  EXPECT_EQ(output::program_run("sh  -c   \"exit 3\""_t, 0), 3);
  EXPECT_EQ(output::program_run("/bin/sh -c \"kill -9 $$\""_t, 0), output::kRunWaitFailed);
  EXPECT_EQ(output::program_run("no-such-program-here x"_t, 0), 0);
  testsupport::FakeViewer viewer(folder_.path());
  // Seven arguments at most: the last takes the rest of the line. Nothing
  // is read by a shell.
  EXPECT_EQ(output::program_run(txt(viewer.program() + " a;b $HOME 3 4 5 6 7 and the rest"), 0), 0);
  EXPECT_EQ(viewer.calls(1), "[a;b][$HOME][3][4][5][6][7 and the rest]\n");
  // Not waited for: back at once; flag 4 waits all the same.
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(output::program_run("sleep 3"_t, output::kRunNoWait), 0);
  EXPECT_EQ(output::program_run("sleep 3"_t, output::kRunNoWait | output::kRunDetach), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  EXPECT_EQ(output::program_run("sh -c \"exit 5\""_t, output::kRunNoWait | output::kRunWait), 5);
}

// The registered programs are the programs along PATH.
TEST_F(Viewers, RegistryValuesOfRegisteredPrograms) {
  const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
  std::string sh = str(output::registry_value(txt(key + "sh\\")));
  EXPECT_TRUE(sh == "/usr/bin/sh" || sh == "/bin/sh") << sh;
  EXPECT_EQ(str(output::registry_value(txt(key + "AcroRd32.exe\\"))), "");
  EXPECT_EQ(str(output::registry_value("HKEY_CURRENT_USER\\Software\\Any\\Value"_t)), "");
  EXPECT_EQ(str(output::registry_value("HKEY_NOWHERE\\Software\\"_t)), "error 147");
}

// A viewer is given the file by its full path as one argument; an entry may
// carry arguments of its own or name a registered program.
TEST_F(Viewers, AViewerGetsTheFileAsOneArgument) {
  testsupport::FakeViewer viewer(folder_.path());
  fs::path here = fs::current_path();
  fs::current_path(folder_.path());
  EXPECT_EQ(output::viewer_open(1, "mi informe.txt"_t, 0), 0);
  EXPECT_EQ(output::viewer_open(3, "/tmp/b.pdf"_t, 0), 0);
  EXPECT_EQ(viewer.calls(2), "[one][" + path("mi informe.txt") + "]\n[three][/tmp/b.pdf]\n");
  fs::current_path(here);
  std::string old_path = std::getenv("PATH");
  ASSERT_EQ(setenv("PATH", (folder_.path() + ":" + old_path).c_str(), 1), 0);
  ASSERT_EQ(setenv("APP_VIEWERS", ".%sviewer.sh\\,.%sAcroRd32.exe\\,/no/such/viewer", 1), 0);
  EXPECT_EQ(output::viewer_open(1, "/tmp/c.txt"_t, 0), 0);
  EXPECT_EQ(viewer.calls(3), "[one][" + path("mi informe.txt") + "]\n[three][/tmp/b.pdf]\n[/tmp/c.txt]\n");
  ASSERT_EQ(setenv("PATH", old_path.c_str(), 1), 0);
  EXPECT_EQ(output::viewer_open(2, "/tmp/c.txt"_t, 0), output::kViewerNotFound);
  EXPECT_EQ(output::viewer_open(3, "/tmp/c.txt"_t, 0), output::kViewerNotFound);
}

// /VW: a text file and a PDF are shown once they bear their names; a
// device that failed or was discarded shows nothing; a PDF reader that is
// nowhere is no error.
TEST_F(Viewers, DevicesWithViewShowTheirFile) {
  testsupport::FakeViewer viewer(folder_.path());
  fs::copy_file(std::string(TEST_SOURCE_DIR) + "/output/pdf_small.png", path("pdf_header.png"));
  output::DeviceRecord r;
  ASSERT_EQ(output::device_open(txt(path("a.txt") + " /VW:S"), &r), 0);
  EXPECT_EQ(output::device_write(&r, "texto\r\n"_t), 0);
  EXPECT_EQ(output::device_finish(&r), 0);
  EXPECT_EQ(output::device_close(&r), 0);
  EXPECT_EQ(viewer.calls(1), "[one][" + path("a.txt") + "]\n");
  ASSERT_EQ(output::device_open(txt(path("b.txt") + " /VW:S"), &r), 0);
  EXPECT_EQ(output::device_close(&r, true), 0);
  ASSERT_EQ(output::device_open(txt(path("c.pdf") + " /VW:S"), &r), 0);
  EXPECT_EQ(output::device_write(&r, "texto\r\n"_t), 0);
  EXPECT_EQ(output::device_close(&r), 0);
  ASSERT_EQ(output::device_open(txt(path("d.txt")), &r), 0);
  EXPECT_EQ(output::device_close(&r), 0);
  EXPECT_EQ(viewer.calls(2), "[one][" + path("a.txt") + "]\n[three][" + path("c.pdf") + "]\n");
  ASSERT_EQ(setenv("APP_VIEWERS", "x,x,.%sAcroRd32.exe\\", 1), 0);
  ASSERT_EQ(output::device_open(txt(path("e.pdf") + " /VW:S"), &r), 0);
  EXPECT_EQ(output::device_close(&r), 0);
  EXPECT_TRUE(fs::exists(path("e.pdf")));
}

}  // namespace
