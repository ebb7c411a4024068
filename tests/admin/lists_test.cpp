// The list files: names that survive a write and a read whatever they hold,
// permissions with their defaults, damaged files refused, and a file
// replaced whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>

#include "admin/lists.h"
#include "core/errors.h"
#include "core/slots.h"
#include "tests/data/pg_test.h"
#include "tests/support/file_text.h"

namespace {

using admin::Permission;

class Lists : public datatest::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    std::filesystem::create_directories(folder_.path() + "/work");
    (void)core::slot_set(core::kGroupEnv, core::kEnvDataPath, datatest::txt(folder_.path() + "/work"));
  }
  std::string path(const std::string& name) { return admin::data_file(name); }
  std::string text(const std::string& name) { return testsupport::file_text(path(name)); }

  datatest::TempFolder folder_;
};

TEST_F(Lists, NamesComeBackAsWritten) {
  std::vector<std::string> names = {"ana", "o'brien", "say \"hi\"", "a;b\\c", "M\xFCller", "two words"};
  ASSERT_EQ(admin::list_write(path("APUSRLIST.DAT"), names), 0);
  EXPECT_EQ(text("APUSRLIST.DAT"), "ana,\"o'brien\",'say \"hi\"',a;b\\c,M\xFCller,two words");
  std::vector<std::string> back;
  ASSERT_EQ(admin::list_read(path("APUSRLIST.DAT"), &back), 0);
  EXPECT_EQ(back, names);
  // The data folder sits beside the current one.
  EXPECT_EQ(path("X"), folder_.path() + "/data/X");
}

TEST_F(Lists, MissingTruncatedAndBinaryFiles) {
  std::vector<std::string> items = {"x"};
  EXPECT_EQ(admin::list_read(path("APCOLIST.DAT"), &items), 0);
  EXPECT_TRUE(items.empty());
  folder_.write("data/APCOLIST.DAT", "uno,dos,\r\n,tr");
  ASSERT_EQ(admin::list_read(path("APCOLIST.DAT"), &items), 0);
  EXPECT_EQ(items, (std::vector<std::string>{"uno", "dos", "tr"}));
  folder_.write("data/APCOLIST.DAT", std::string("uno\0\x01\x02", 6));
  EXPECT_EQ(admin::list_read(path("APCOLIST.DAT"), &items), core::READERR);
  EXPECT_NE(core::text_str(core::error_detail()).find("APCOLIST.DAT"), std::string::npos);
  EXPECT_TRUE(items.empty());
}

TEST_F(Lists, NameCheck) {
  for (std::string good : std::vector<std::string>{"ana", "o'brien", "a;b\\c", "x\"y", "M\xFC" "ller", std::string(63, 'n')})
    EXPECT_EQ(admin::name_check(good), 0) << good;
  for (std::string bad : std::vector<std::string>{"", " ana", "ana ", "a,b", "o'x\"y", "a\tb", std::string(64, 'n')}) {
    EXPECT_EQ(admin::name_check(bad), core::NOVALUE) << bad;
    core::error_clear();
  }
}

TEST_F(Lists, NamesInFileNamesStayInTheFolder) {
  EXPECT_EQ(admin::user_data_name("ana"), "APUSRDATA.ana.TXT");
  EXPECT_EQ(admin::user_data_name("../../etc/x"), "APUSRDATA...%2F..%2Fetc%2Fx.TXT");
  EXPECT_EQ(admin::auth_name("a b\\c"), "APUSRAUTH.a%20b%5Cc.DAT");
  EXPECT_EQ(admin::user_list_name(""), "APUSRLIST.DAT");
  EXPECT_EQ(admin::user_list_name("empresa"), "APUSRLIST.empresa.DAT");
}

TEST_F(Lists, PermissionsAndTheirDefaults) {
  std::vector<Permission> lines = {{"colabor", "LLN"}, {"a=b", "EN"}};
  ASSERT_EQ(admin::auth_write("emp", lines), 0);
  EXPECT_EQ(text("APUSRAUTH.emp.DAT"), "colabor='L,L,N'\r\na=b='E,N'\r\n");
  std::vector<Permission> back;
  ASSERT_EQ(admin::auth_read("emp", &back), 0);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].principal, "a=b");
  EXPECT_EQ(back[1].letters, "EN");
  // Stored letters first; a table beyond them, or a letter that is none,
  // takes the principal's default: read for colabor and externos, read and
  // write for the others.
  EXPECT_EQ(admin::letters_of(back, "colabor", 4), "LLNL");
  EXPECT_EQ(admin::letters_of(back, "a=b", 3), "ENE");
  EXPECT_EQ(admin::letters_of(back, "externos", 2), "LL");
  EXPECT_EQ(admin::letters_of(back, "admins", 2), "EE");
  EXPECT_EQ(admin::letters_of({{"u", "x?"}}, "u", 2), "EE");
}

TEST_F(Lists, CompanyUsersStartFromTheInstallation) {
  ASSERT_EQ(admin::list_write(path("APUSRLIST.DAT"), {"ana", "bea"}), 0);
  std::vector<std::string> users;
  ASSERT_EQ(admin::company_users("emp", &users), 0);
  EXPECT_EQ(users, (std::vector<std::string>{"ana", "bea"}));
  EXPECT_EQ(text("APUSRLIST.emp.DAT"), "ana,bea");
  // Once it has users it is the company's own.
  ASSERT_EQ(admin::list_write(path("APUSRLIST.DAT"), {"ana", "bea", "carla"}), 0);
  ASSERT_EQ(admin::company_users("emp", &users), 0);
  EXPECT_EQ(users.size(), 2u);
}

// A file that cannot be replaced stays as it was, and no temporary file is
// left behind.
TEST_F(Lists, AFailedReplaceLeavesTheOldFile) {
  ASSERT_EQ(admin::list_write(path("APCOLIST.DAT"), {"uno"}), 0);
  std::filesystem::create_directories(path("APUSRLIST.DAT") + "/blocked");
  EXPECT_EQ(admin::list_write(path("APUSRLIST.DAT"), {"ana"}), core::FILEIO);
  EXPECT_TRUE(std::filesystem::is_directory(path("APUSRLIST.DAT")));
  EXPECT_EQ(text("APCOLIST.DAT"), "uno");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path() + "/data")) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2);
}

}  // namespace
