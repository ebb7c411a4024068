// The message catalogue and language modules.
#include "core/messages.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "tests/runner/datafile.h"

namespace {

using core::Text;
using core::operator""_t;

std::string str(Text t) { return t.ok() ? std::string(t.ptr, t.len) : "<error>"; }
Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ctx_.status(), core::kOk);
    char tmpl[] = "/tmp/msgtestXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    folder_ = tmpl;
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_)), core::kOk);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void write_module(const std::string& code, const std::string& body) {
    std::ofstream(folder_ + "/QV_LANG_" + code + ".MSJ", std::ios::binary) << body;
  }
  std::string msg(const char* number) { return str(core::message_text_c(number)); }

  core::CoreContext ctx_;
  std::string folder_;
};

TEST_F(MessagesTest, BuiltInCatalogueCases) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    core::ArenaScope scope;
    if (c.command == "msg") return str(core::message_text(txt(c.input)));
    if (c.command == "langfile")
      return str(core::language_file_name(txt(c.input), std::stoi(c.args.at(0))));
    return std::string("unknown command ") + c.command;
  };
  testrunner::DataCommands commands(handler, {"msg", "langfile"});
  testrunner::datafile_run("core/messages.test");
}

// The catalogue is one text of Windows-1252 bytes: a TAB, then per message a
// TAB, four digits and a blank. Each of its messages must also come back
// from message_text, which a stray quote or a wrong separator would break.
TEST_F(MessagesTest, CatalogueIsWellFormed) {
  std::string cat = str(core::message_catalogue());
  ASSERT_GE(cat.size(), 2u);
  ASSERT_EQ(cat[0], '\t');
  const std::string allowed_high = "\xE1\xE9\xED\xF3\xFA\xF1\xBF";  // á é í ó ú ñ ¿
  int previous = 0, count = 0;
  size_t pos = 1;
  while (pos < cat.size()) {
    ASSERT_EQ(cat[pos], '\t') << "at " << pos;
    size_t end = cat.find('\t', pos + 1);
    if (end == std::string::npos) end = cat.size();
    std::string entry = cat.substr(pos + 1, end - pos - 1);
    ASSERT_GE(entry.size(), 5u);
    std::string num = entry.substr(0, 4);
    ASSERT_EQ(num.find_first_not_of("0123456789"), std::string::npos) << entry;
    ASSERT_EQ(entry[4], ' ') << entry;
    int n = std::stoi(num);
    EXPECT_GT(n, previous) << "numbers must be unique and increase: " << num;
    previous = n;
    std::string body = entry.substr(5);
    for (unsigned char b : body) {
      bool ok = (b >= 0x20 && b < 0x7F) || b == '\r' || b == '\n' ||
                allowed_high.find(static_cast<char>(b)) != std::string::npos;
      EXPECT_TRUE(ok) << "message " << num << " holds byte " << int(b);
    }
    core::ArenaScope scope;
    EXPECT_EQ(str(core::message_text(txt(num))), body) << num;
    ++count;
    pos = end;
  }
  EXPECT_EQ(count, 103);
  EXPECT_EQ(previous, 117);
}

TEST_F(MessagesTest, NoLanguageCodeUsesTheBuiltInCatalogue) {
  // Without a code the module name is formed with "*": no such file.
  write_module("ES", "0005 Desde el modulo\n");
  EXPECT_EQ(msg("0005"), "Proceso Completado Satisfactoriamente");
  EXPECT_EQ(msg("0099 propio"), "propio");
}

TEST_F(MessagesTest, ModuleLoadsLazilyAtTheFirstLookup) {
  write_module("EN", "0005 Process completed\r\n0008 Warning \r\n");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, "EN"_t), core::kOk);
  EXPECT_EQ(msg("0005"), "Process completed");
  EXPECT_EQ(msg("0008"), "Warning ");
  // Once a module is loaded it alone answers, even where the argument has
  // its own default text or the built-in catalogue has a text.
  EXPECT_EQ(msg("0099 propio"), "");
  EXPECT_EQ(msg("0012"), "");
  EXPECT_EQ(msg("0006 default"), "");
}

TEST_F(MessagesTest, RangesWithGapsAndNumbersOutside) {
  write_module("EN",
               "0010 Ten\n"
               "0012 Twelve\\nsecond line\n"
               "0015 Fifteen\n");
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(str(core::slot_get(core::kGroupEnv, core::kEnvLanguage)), "EN");
  EXPECT_EQ(msg("0010"), "Ten");
  EXPECT_EQ(msg("0011"), "");
  EXPECT_EQ(msg("0012"), "Twelve\r\nsecond line");
  EXPECT_EQ(msg("0013"), "");
  EXPECT_EQ(msg("0014"), "");
  EXPECT_EQ(msg("0015"), "Fifteen");
  EXPECT_EQ(msg("0016"), "");  // above the range
  EXPECT_EQ(msg("0009"), "");  // below the range
  EXPECT_EQ(msg("9999"), "");
}

TEST_F(MessagesTest, LinesThatAreNotMessagesAreIgnored) {
  write_module("EN",
               "# a comment\n"
               "\n"
               "0000 zero\n"
               "abcd letters\n"
               "0001 One\n"
               "-005 negative\n"
               "0003\n"
               "0004 Four\n"
               "0002 out of order\n"
               "0004 repeated\n"
               "0006 Six\n");
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(msg("0001"), "One");
  EXPECT_EQ(msg("0002"), "");
  EXPECT_EQ(msg("0003"), "");
  EXPECT_EQ(msg("0004"), "Four");
  EXPECT_EQ(msg("0005"), "");
  EXPECT_EQ(msg("0006"), "Six");
}

TEST_F(MessagesTest, ModuleTextsKeepTheirBytesAndSeparator) {
  // One separator character of any kind, then the text from the sixth on.
  write_module("FR", "0001\tAnnul\xE9\n0002:Deux  \n0003 \\n\n");
  ASSERT_EQ(core::language_set("FR"_t), core::kOk);
  EXPECT_EQ(msg("0001"), "Annul\xE9");
  EXPECT_EQ(msg("0002"), "Deux  ");
  EXPECT_EQ(msg("0003"), "\r\n");
}

TEST_F(MessagesTest, ASecondLanguageAddsARange) {
  write_module("EN", "0001 One\n0002 Two\n0003 Three\n");
  write_module("FR", "0002 Deux\n0004 Quatre\n0200 Deux cents\n");
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(msg("0002"), "Two");
  ASSERT_EQ(core::language_set("FR"_t), core::kOk);
  EXPECT_EQ(msg("0001"), "One");   // only the first module has it
  EXPECT_EQ(msg("0002"), "Deux");  // the newer module's text wins
  EXPECT_EQ(msg("0003"), "");      // a gap of the newer range
  EXPECT_EQ(msg("0004"), "Quatre");
  EXPECT_EQ(msg("0200"), "Deux cents");
  EXPECT_EQ(msg("0201"), "");
}

TEST_F(MessagesTest, ALanguageWithoutModuleFallsBackToTheBuiltInCatalogue) {
  write_module("EN", "0005 Done\n");
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(msg("0005"), "Done");
  ASSERT_EQ(core::language_set("DE"_t), core::kOk);
  EXPECT_EQ(msg("0005"), "Proceso Completado Satisfactoriamente");
  // A code that cannot form a module name is the same as a missing module.
  ASSERT_EQ(core::language_set("ENGLISH"_t), core::kOk);
  EXPECT_EQ(msg("0005"), "Proceso Completado Satisfactoriamente");
  EXPECT_EQ(core::language_set(core::text_error_value(core::NOVALUE)), core::NOVALUE);
}

TEST_F(MessagesTest, TheRuntimesModulesServeWhereTheDefinitionFolderHasNone) {
  std::string runtime = folder_ + "/lang";
  std::filesystem::create_directories(runtime);
  std::ofstream(runtime + "/QV_LANG_EN.MSJ", std::ios::binary) << "0005 Done\n";
  std::ofstream(runtime + "/QV_LANG_FR.MSJ", std::ios::binary) << "0005 Fini\n";
  write_module("FR", "0005 Termine\n");
  core::language_folder_set(txt(runtime));
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(msg("0005"), "Done");
  // The application's own module wins over the runtime's.
  ASSERT_EQ(core::language_set("FR"_t), core::kOk);
  EXPECT_EQ(msg("0005"), "Termine");
  // Neither has one: the built-in catalogue.
  ASSERT_EQ(core::language_set("DE"_t), core::kOk);
  EXPECT_EQ(msg("0005"), "Proceso Completado Satisfactoriamente");
  core::language_folder_set(Text{});
  std::filesystem::remove(folder_ + "/QV_LANG_FR.MSJ");
  ASSERT_EQ(core::language_set("FR"_t), core::kOk);
  EXPECT_EQ(msg("0005"), "Proceso Completado Satisfactoriamente");
}

TEST_F(MessagesTest, AtMost255LinesPerLoading) {
  std::string body;
  for (int n = 1; n <= 300; ++n)
    body += (n < 10    ? "000"
             : n < 100 ? "00"
                       : "0") +
            std::to_string(n) + " m" + std::to_string(n) + "\n";
  write_module("EN", body);
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(msg("0001"), "m1");
  EXPECT_EQ(msg("0255"), "m255");
  EXPECT_EQ(msg("0256"), "");
  // The lines of the file do not stay behind in the line queue.
  EXPECT_EQ(core::slot_count(core::kGroupLineQueue), 0);
}

TEST_F(MessagesTest, OffsetsTableHoldsAt256Entries) {
  // 0001 and 0300 would need 300 entries: 0300 is dropped, 0001 stays.
  write_module("EN", "0001 first\n0300 too far\n");
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(msg("0001"), "first");
  EXPECT_EQ(msg("0300"), "");
  // The table is full up to entry 256 only when a range reaches it.
  write_module("FR", "0001 a\n0255 b\n0256 c\n");
  ASSERT_EQ(core::language_set("FR"_t), core::kOk);
  EXPECT_EQ(msg("0001"), "a");  // one entry was used before: 255 are left
  EXPECT_EQ(msg("0255"), "b");
  EXPECT_EQ(msg("0256"), "");
}

TEST_F(MessagesTest, LoadingLeavesOtherQueuedLinesAlone) {
  ASSERT_EQ(core::slot_append(core::kGroupLineQueue, "pending line"_t), core::kOk);
  write_module("EN", "0001 One\n0002 Two\n");
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(msg("0002"), "Two");
  ASSERT_EQ(core::slot_count(core::kGroupLineQueue), 1);
  EXPECT_EQ(str(core::slot_last(core::kGroupLineQueue)), "pending line");
}

TEST_F(MessagesTest, ModuleTextLivesInTheSlotStore) {
  write_module("EN", "0001 One\n0003 Three\n");
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(str(core::slot_get(core::kGroupRuntime, core::kRtModuleText)), "OneThree");
  // A module text is a copy: later slot writes do not change it.
  core::ArenaScope scope;
  Text one = core::message_text_c("0001");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, 1, "something longer than before"_t), core::kOk);
  EXPECT_EQ(str(one), "One");
}

TEST_F(MessagesTest, FolderJoining) {
  write_module("EN", "0001 One\n");
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_ + "/")), core::kOk);
  ASSERT_EQ(core::language_set("EN"_t), core::kOk);
  EXPECT_EQ(msg("0001"), "One");
}

TEST_F(MessagesTest, LocalisedFileNameFollowsTheCurrentLanguage) {
  core::ArenaScope scope;
  ASSERT_EQ(core::language_set("FR"_t), core::kOk);
  EXPECT_EQ(str(core::language_file_name("DBMENU.PMT"_t)), "DBMENU_fr.PMT");
  ASSERT_EQ(core::language_set("es"_t), core::kOk);  // codes are case-sensitive
  EXPECT_EQ(str(core::language_file_name("DBMENU.PMT"_t)), "DBMENU.PMT");
  EXPECT_EQ(core::text_error(core::language_file_name(core::text_error_value(core::NOVALUE))),
            core::NOVALUE);
  EXPECT_EQ(str(core::language_default()), "ES");
}

TEST_F(MessagesTest, ErrorValuesPassThrough) {
  EXPECT_EQ(core::text_error(core::message_text(core::text_error_value(core::OUTOFMEMORY))),
            core::OUTOFMEMORY);
  EXPECT_EQ(core::text_error(core::message_text_c(nullptr)), core::NOVALUE);
}

TEST_F(MessagesTest, FillingPlacesInOrder) {
  core::ArenaScope scope;
  // Both kinds of place, in order; a place with no value left is empty,
  // and a value is never read as a format of its own.
  EXPECT_EQ(str(core::message_fill("Todos (%s),%s"_t, {"3"_t, "x"_t})), "Todos (3),x");
  EXPECT_EQ(str(core::message_fill("(%i Pantallas, %i Ventanas)"_t, {"2"_t, "1"_t})),
            "(2 Pantallas, 1 Ventanas)");
  EXPECT_EQ(str(core::message_fill("%s-%s-%s"_t, {"%s"_t})), "%s--");
  EXPECT_EQ(str(core::message_fill("100%"_t, {"a"_t})), "100%");
  EXPECT_EQ(core::text_error(core::message_fill(core::text_error_value(core::NOVALUE), {})),
            core::NOVALUE);
}

}  // namespace
