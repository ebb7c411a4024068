// The language modules that come with the runtime (apprun/lang): each must
// hold every message of the built-in catalogue, and every message must keep
// the shape its users split it by: the same number of list items, the same
// places, the same field layouts of the built-in forms, the same menu codes.
// Only the human text may differ.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/cp1252.h"
#include "core/messages.h"
#include "core/slots.h"

namespace {

using core::Text;

const std::string kLangFolder = std::string(TEST_SOURCE_DIR) + "/../apprun/lang";

std::string str(Text t) { return t.ok() ? std::string(t.ptr, t.len) : "<error>"; }
Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The built-in catalogue as number -> text.
std::map<int, std::string> catalogue() {
  std::map<int, std::string> out;
  std::string cat = str(core::message_catalogue());
  size_t pos = 1;
  while (pos < cat.size()) {
    size_t end = cat.find('\t', pos + 1);
    if (end == std::string::npos) end = cat.size();
    out[std::stoi(cat.substr(pos + 1, 4))] = cat.substr(pos + 6, end - pos - 6);
    pos = end;
  }
  return out;
}

// Fields of a list as the runtime splits them (quote-aware).
std::vector<std::string> fields(const std::string& list, char sep) {
  core::ArenaScope scope;
  std::vector<std::string> out;
  Text t = txt(list);
  uint16_t n = core::list_count(t, sep);
  for (uint16_t i = 1; i <= n; ++i) out.push_back(str(core::list_field(t, sep, i)));
  return out;
}

std::string unquote(const std::string& s) {
  core::ArenaScope scope;
  return str(core::text_unquote(core::text_trim(txt(s), core::kTrimBoth)));
}

// The "%s" and "%i" places in order.
std::string places(const std::string& s) {
  std::string out;
  for (size_t i = 0; i + 1 < s.size(); ++i)
    if (s[i] == '%' && (s[i + 1] == 's' || s[i + 1] == 'i')) out += s.substr(i++, 2);
  return out;
}

size_t count_of(const std::string& s, char c) { return static_cast<size_t>(std::count(s.begin(), s.end(), c)); }

// The field list of a built-in form: every item is a quoted label
// followed by ":" and the field's type, width and starting value.
bool is_form_fields(const std::string& text) {
  for (const std::string& item : fields(text, ',')) {
    if (item.empty() || (item[0] != '\'' && item[0] != '"') || fields(item, ':').size() < 2) return false;
  }
  return true;
}

// A built-in menu tree: quoted items, each its level in leading underscores
// and a label, an entry with ",[$]" and the process it runs.
bool is_menu_tree(const std::string& text) {
  auto items = fields(text, ',');
  bool quoted = std::all_of(items.begin(), items.end(), [](const std::string& item) { return !item.empty() && item[0] == '\''; });
  bool entries = std::any_of(items.begin(), items.end(), [](const std::string& item) {
    return unquote(item).find(",[$]") != std::string::npos;
  });
  return quoted && entries;
}

// Compares module text `got` with the built-in text `want` of message n.
void expect_same_shape(const std::string& code, int n, const std::string& want, const std::string& got) {
  SCOPED_TRACE(code + " message " + std::to_string(n) + ": \"" + core::cp1252_to_utf8(got) + "\"");
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(places(got), places(want));
  EXPECT_EQ(count_of(got, '\n'), count_of(want, '\n')) << "line breaks";
  // Quotes delimit labels and list items: a stray apostrophe would merge
  // items, so elisions take the typographic one.
  EXPECT_EQ(count_of(got, '\''), count_of(want, '\''));
  EXPECT_EQ(count_of(got, '"'), count_of(want, '"'));
  EXPECT_EQ(fields(got, ',').size(), fields(want, ',').size()) << "list items";
  // A trailing blank separates the text from what its users append.
  EXPECT_EQ(got.back() == ' ', want.back() == ' ') << "trailing blank";
  for (unsigned char b : got) {
    EXPECT_TRUE(b >= 0x20 || b == '\r' || b == '\n') << "control byte " << int(b);
    EXPECT_TRUE(b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) << "byte " << int(b);
  }
  if (is_form_fields(want)) {
    auto w = fields(want, ','), g = fields(got, ',');
    ASSERT_EQ(g.size(), w.size());
    for (size_t i = 0; i < w.size(); ++i) {
      auto wp = fields(w[i], ':'), gp = fields(g[i], ':');
      ASSERT_EQ(gp.size(), wp.size()) << "field " << i + 1;
      EXPECT_FALSE(unquote(gp[0]).empty()) << "field " << i + 1 << " has no label";
      // Type, width and starting value are the form's, not the language's.
      for (size_t k = 1; k < wp.size(); ++k) EXPECT_EQ(gp[k], wp[k]) << "field " << i + 1;
    }
  }
  if (is_menu_tree(want)) {
    auto w = fields(want, ','), g = fields(got, ',');
    ASSERT_EQ(g.size(), w.size());
    for (size_t i = 0; i < w.size(); ++i) {
      std::string wi = unquote(w[i]), gi = unquote(g[i]);
      size_t wl = wi.find_first_not_of('_'), gl = gi.find_first_not_of('_');
      EXPECT_EQ(gl, wl) << "level of item " << i + 1;
      EXPECT_NE(gl, std::string::npos) << "item " << i + 1 << " has no label";
      size_t wc = wi.find(",[$]"), gc = gi.find(",[$]");
      ASSERT_EQ(gc == std::string::npos, wc == std::string::npos) << "item " << i + 1;
      if (wc != std::string::npos) {
        EXPECT_EQ(gi.substr(gc), wi.substr(wc)) << "process of item " << i + 1;
        EXPECT_GT(gc, gl) << "item " << i + 1 << " has no label";
      }
    }
  }
}

// Message 0019: decimal and thousands separators, then the characters of a
// numeric input, the logical letters (blank, no, yes) and the logical words;
// message 0011 gives the yes and no letters of answers, which must agree.
void expect_number_and_logical_texts(const std::string& code, const std::string& m0019, const std::string& m0011) {
  SCOPED_TRACE(code + " messages 0019 and 0011");
  ASSERT_GE(m0019.size(), 3u);
  char dec = m0019[0], th = m0019[1];
  EXPECT_NE(dec, th);
  EXPECT_TRUE(dec == '.' || dec == ',') << "decimal separator " << dec;
  EXPECT_TRUE(th == '.' || th == ',' || th == ' ' || th == '\'') << "thousands separator " << th;
  auto items = fields(m0019.substr(2), ',');
  ASSERT_EQ(items.size(), 3u);
  std::string set = unquote(items[0]);
  for (char c : std::string("0123456789-") + dec) EXPECT_NE(set.find(c), std::string::npos) << "numeric input lacks " << c;
  std::string letters = unquote(items[1]);
  ASSERT_EQ(letters.size(), 3u);
  EXPECT_EQ(letters[0], ' ');
  EXPECT_NE(letters[1], letters[2]);
  auto words = fields(unquote(items[2]), ',');
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[0].find_first_not_of(' '), std::string::npos) << "the blank word";
  ASSERT_FALSE(words[1].empty());
  ASSERT_FALSE(words[2].empty());
  EXPECT_EQ(words[1][0], letters[1]) << "the no word starts with the no letter";
  EXPECT_EQ(words[2][0], letters[2]) << "the yes word starts with the yes letter";
  auto answers = fields(m0011, ',');
  ASSERT_EQ(answers.size(), 2u);
  ASSERT_EQ(answers[0].size(), 2u);
  ASSERT_EQ(answers[1].size(), 2u);
  EXPECT_EQ(answers[0][0], letters[2]) << "yes";
  EXPECT_EQ(answers[1][0], letters[1]) << "no";
}

// Message 0117: twelve distinct month names and the long date template,
// in which every capital D, M and Y is replaced by the day, the month's name
// and the year.
void expect_months(const std::string& code, const std::string& m0117) {
  SCOPED_TRACE(code + " message 0117");
  auto items = fields(m0117, ',');
  ASSERT_EQ(items.size(), 13u);
  std::set<std::string> names;
  for (int i = 0; i < 12; ++i) {
    EXPECT_FALSE(items[i].empty());
    names.insert(items[i]);
  }
  EXPECT_EQ(names.size(), 12u);
  std::string tpl = unquote(items[12]);
  EXPECT_EQ(count_of(tpl, 'D'), 1u) << tpl;
  EXPECT_EQ(count_of(tpl, 'M'), 1u) << tpl;
  EXPECT_EQ(count_of(tpl, 'Y'), 1u) << tpl;
}

TEST(LanguageModules, EveryModuleHoldsEveryMessageInTheCataloguesShape) {
  core::CoreContext outer;
  ASSERT_EQ(outer.status(), core::kOk);
  const std::map<int, std::string> builtin = catalogue();
  ASSERT_EQ(builtin.size(), 103u);

  std::set<std::string> codes;
  for (const auto& entry : std::filesystem::directory_iterator(kLangFolder)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("QV_LANG_", 0) == 0 && name.size() > 12 && name.substr(name.size() - 4) == ".MSJ")
      codes.insert(name.substr(8, name.size() - 12));
  }
  for (const char* wanted : {"EN", "FR", "DE", "IT"}) EXPECT_EQ(codes.count(wanted), 1u) << "no module " << wanted;

  char tmpl[] = "/tmp/langmodXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string empty_folder = tmpl;

  for (const std::string& code : codes) {
    SCOPED_TRACE("QV_LANG_" + code + ".MSJ");
    const std::string bytes = read_file(kLangFolder + "/QV_LANG_" + code + ".MSJ");
    // The runtime reads its texts as Windows-1252 bytes: a module saved in
    // UTF-8 would show every accented letter as two wrong ones.
    std::string converted;
    EXPECT_FALSE(core::utf8_to_cp1252_strict(bytes, &converted)) << "the module is UTF-8, not Windows-1252";

    // Every line is a message, in the catalogue's numbers and order, so
    // the loader drops none of them.
    std::vector<int> numbers;
    size_t start = 0;
    while (start < bytes.size()) {
      size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      std::string line = bytes.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ASSERT_GE(line.size(), 6u) << "line \"" << line << "\"";
      ASSERT_EQ(line.substr(0, 4).find_first_not_of("0123456789"), std::string::npos) << line;
      EXPECT_EQ(line[4], ' ') << line;
      numbers.push_back(std::stoi(line.substr(0, 4)));
      start = end + 1;
    }
    std::vector<int> expected;
    for (const auto& [n, text] : builtin) expected.push_back(n);
    EXPECT_EQ(numbers, expected);

    // Loaded as the runtime loads it: from the runtime's folder, the
    // definition folder having none.
    core::CoreContext ctx;
    ASSERT_EQ(ctx.status(), core::kOk);
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(empty_folder)), core::kOk);
    core::language_folder_set(txt(kLangFolder));
    ASSERT_EQ(core::language_set(txt(code)), core::kOk);
    std::map<int, std::string> texts;
    for (const auto& [n, want] : builtin) {
      core::ArenaScope scope;
      char number[8];
      std::snprintf(number, sizeof number, "%04d", n);
      texts[n] = str(core::message_text_c(number));
      expect_same_shape(code, n, want, texts[n]);
    }
    expect_number_and_logical_texts(code, texts[19], texts[11]);
    expect_months(code, texts[117]);
    core::language_folder_set(Text{});
  }
  std::filesystem::remove_all(empty_folder);
}

// The checks above must see the faults they are there for.
TEST(LanguageModules, TheShapeChecksCatchBrokenMessages) {
  core::CoreContext ctx;
  ASSERT_EQ(ctx.status(), core::kOk);
  const std::map<int, std::string> builtin = catalogue();
  auto failures = [](auto check) {
    ::testing::TestPartResultArray results;
    {
      ::testing::ScopedFakeTestPartResultReporter reporter(
          ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
      check();
    }
    return results.size();
  };
  // A list one item short, an apostrophe inside a list, a changed width, a
  // lost place, a menu item that runs another process, a lost trailing blank.
  EXPECT_GT(failures([&] { expect_same_shape("XX", 28, builtin.at(28), "New,First,Prev.,Next,Last,Save"); }), 0);
  EXPECT_GT(failures([&] { expect_same_shape("XX", 26, builtin.at(26), "Voir,Insérer,Supprimer l'élément,Chercher"); }), 0);
  EXPECT_GT(failures([&] { expect_same_shape("XX", 56, builtin.at(56), "'Nom:':'A30'"); }), 0);
  EXPECT_GT(failures([&] { expect_same_shape("XX", 4, builtin.at(4), "Fichier introuvable"); }), 0);
  EXPECT_GT(failures([&] {
              expect_same_shape("XX", 110, builtin.at(110), "'Reports','_Create New,[$]','_Reports,[$]report.ppn'");
            }),
            0);
  EXPECT_GT(failures([&] { expect_same_shape("XX", 9, builtin.at(9), "Erreur"); }), 0);
  std::string tree = builtin.at(111);
  std::string other_code = tree, other_level = tree;
  other_code.replace(other_code.find("[$]128"), 6, "[$]129");
  other_level.replace(other_level.find("'__Contador"), 11, "'_Contador");
  EXPECT_EQ(failures([&] { expect_same_shape("XX", 111, tree, tree); }), 0);
  EXPECT_GT(failures([&] { expect_same_shape("XX", 111, tree, other_code); }), 0);
  EXPECT_GT(failures([&] { expect_same_shape("XX", 111, tree, other_level); }), 0);
  // The layouts the checks compare are found where the catalogue has them.
  std::set<int> forms, trees;
  for (const auto& [n, text] : builtin) {
    if (is_form_fields(text)) forms.insert(n);
    if (is_menu_tree(text)) trees.insert(n);
  }
  EXPECT_EQ(forms, (std::set<int>{56, 91, 92, 93, 94, 95, 100, 113, 116}));
  EXPECT_EQ(trees, (std::set<int>{110, 111}));
  EXPECT_EQ(failures([&] { expect_same_shape("XX", 28, builtin.at(28), "Neu,Erster,Zurück,Weiter,Letzter,Speichern,Löschen"); }), 0);
  // Yes letters that disagree; a template with a second capital M.
  EXPECT_GT(failures([&] { expect_number_and_logical_texts("XX", ",.'0123456789,-D',' NO','  ,NON,OUI'", "Yy,Nn"); }), 0);
  EXPECT_EQ(failures([&] { expect_number_and_logical_texts("XX", ", '0123456789,-D',' NO','  ,NON,OUI'", "Oo,Nn"); }), 0);
  EXPECT_GT(failures([&] { expect_months("XX", "a,b,c,d,e,f,g,h,i,j,k,l,'[D] de [M] Mes [Y]'"); }), 0);
  EXPECT_GT(failures([&] { expect_months("XX", "a,b,c,d,e,f,g,h,i,j,k,a,'[D] [M] [Y]'"); }), 0);
}

}  // namespace
