// The dictionary: loading dictionary files (as data files of their own),
// the items and lookups, field references, the runtime vectors.
#include "data/dictionary.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/vectors.h"
#include "script/variables.h"
#include "tests/data/pg_test.h"
#include "tests/runner/datafile.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

// The whole dictionary as text: one line per file, field, key and relation.
std::string dump_dictionary() {
  std::ostringstream out;
  core::ArenaScope scope;
  for (uint16_t n = 1; n <= data::dict_file_count(); ++n) {
    data::FileItem f;
    if (data::dict_file_attr(n, &f) != core::kOk) return "bad file item";
    out << "file " << n << " " << str(data::dict_file_name(n)) << " kind " << int{f.kind} << " at '"
        << str(data::dict_file_location(n)) << "' length " << f.record_length << "\n";
    for (uint16_t i = 1; i <= f.field_count; ++i) {
      data::FieldItem d;
      if (data::dict_field_attr(n, i, &d) != core::kOk) return "bad field item";
      out << "  " << str(data::dict_field_name(n, i)) << " " << d.type << " " << d.offset << "+"
          << d.width << "\n";
    }
    for (uint16_t k = 1; k <= f.key_count; ++k) {
      data::KeyItem item;
      int segments = 0;
      if (data::dict_key(n, k, &item, &segments) != core::kOk) return "bad key item";
      out << "  key " << k << ":";
      for (int s = 0; s < segments; ++s)
        out << " " << item.segment[s].start << "+" << item.segment[s].length;
      uint16_t fields[data::kMaxSegments];
      int count = 0;
      core::Status code = data::dict_key_fields(n, k, fields, &count);
      if (code != core::kOk) {
        out << " fields error " << code;
      } else {
        out << " fields";
        for (int i = 0; i < count; ++i) out << " " << fields[i];
      }
      out << " length " << data::dict_key_length(n, k, 0) << "\n";
    }
    if (data::dict_relation_text(n).len != 0)
      out << "  relations " << str(data::dict_relation_text(n)) << "\n";
  }
  return out.str();
}

// Input: "=== NAME" lines start the files of the folder. Header: load
// PREFIX [default location]. Output: the code, the detail when there is an
// error, the dictionary.
std::string run_case(const testrunner::DataCase& c) {
  core::CoreContext core;
  script::ScriptContext script;
  data::DataContext data;
  datatest::TempFolder folder;
  std::istringstream in(c.input);
  std::string line, name, body;
  auto flush = [&] {
    if (!name.empty()) folder.write(name, body);
    body.clear();
  };
  while (std::getline(in, line)) {
    if (line.rfind("=== ", 0) == 0) {
      flush();
      name = line.substr(4);
    } else {
      body += line + "\r\n";
    }
  }
  flush();
  std::string location = c.args.size() > 1 ? c.args[1] : "";
  core::Status code = data::dict_load(txt(c.args.at(0)), txt(folder.path()), txt(location));
  std::string result = "code " + std::to_string(code) + "\n";
  if (code != core::kOk) result += "detail " + str(core::error_detail()) + "\n";
  result += dump_dictionary();
  if (!result.empty() && result.back() == '\n') result.pop_back();
  return result;
}

TEST(DictionaryFiles, Cases) {
  testrunner::DataCommands commands(run_case, {"load"});
  testrunner::datafile_run("data/dictionary.test");
}

// A dictionary that ends inside a line was cut short: when the relations
// then name a file it lacks, the dictionary is blamed, not the relations.
TEST(DictionaryFiles, ADictionaryCutShortIsNamedBeforeTheRelationsThatMissItsFiles) {
  core::CoreContext core;
  script::ScriptContext script;
  data::DataContext data;
  datatest::TempFolder folder;
  folder.write("XXREL.DAT", "; relations\r\n62:unoR2K1\r\n");
  folder.write("XXDICC.DAT", "; files\r\n01*  *00UNO\r\n01       002 AA\r\n; the seco");
  EXPECT_EQ(data::dict_load("XX"_t, txt(folder.path()), ""_t), core::FILEOUTBOUND);
  EXPECT_EQ(str(core::error_detail()),
            "XXDICC.DAT, line 4: the last line has no line end: is the file cut short? "
            "(XXREL.DAT, line 2 names file 2; 1 file defined)");
  EXPECT_EQ(core::error_place().file, "XXDICC.DAT");
  EXPECT_EQ(core::error_place().line, 4u);
  // Whole, the same dictionary leaves the fault with the relations.
  data::dict_clear();
  folder.write("XXDICC.DAT", "; files\r\n01*  *00UNO\r\n01       002 AA\r\n");
  EXPECT_EQ(data::dict_load("XX"_t, txt(folder.path()), ""_t), core::FILEOUTBOUND);
  EXPECT_EQ(str(core::error_detail()),
            "XXREL.DAT, line 2: 62:unoR2K1 (file 2; XXDICC.DAT defines 1 file: is it complete?)");
  // Cut short but complete enough, it loads.
  data::dict_clear();
  folder.write("XXREL.DAT", "; relations\r\n61:unoR1K1");
  folder.write("XXDICC.DAT", "; files\r\n01*  *00UNO\r\n01       002 AA");
  EXPECT_EQ(data::dict_load("XX"_t, txt(folder.path()), ""_t), core::kOk);
  EXPECT_EQ(data::dict_file_count(), 1);
}

class DictionaryTest : public datatest::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(data::dict_add_file(3, "Clientes"_t, "LOC"_t), core::kOk);
    ASSERT_EQ(data::dict_add_field("CODIGO"_t, 6, 'A'), core::kOk);
    ASSERT_EQ(data::dict_add_field("NOMBRE"_t, 30, 'A'), core::kOk);
    ASSERT_EQ(data::dict_add_field("SALDO"_t, 10, '2'), core::kOk);
    ASSERT_EQ(data::dict_add_file(0, "lineas"_t, ""_t), core::kOk);
    ASSERT_EQ(data::dict_add_field("DOC"_t, 6, 'A'), core::kOk);
    ASSERT_EQ(data::dict_add_field("N_LINE"_t, 3, 'N'), core::kOk);
    ASSERT_EQ(data::dict_add_field("\xD1ORA"_t, 8, 'D'), core::kOk);
  }
};

TEST_F(DictionaryTest, FilesAndFieldsByNameAndNumber) {
  EXPECT_EQ(data::dict_file_count(), 2);
  EXPECT_EQ(str(data::dict_file_name(1)), "clientes");
  EXPECT_EQ(data::dict_file_by_ref("CLIENTES"_t), 1);
  EXPECT_EQ(data::dict_file_by_ref(" lineas "_t), 2);
  EXPECT_EQ(data::dict_file_by_ref("2"_t), 2);
  EXPECT_EQ(data::dict_file_by_ref("3"_t), 0);
  EXPECT_EQ(data::dict_file_by_ref("nada"_t), 0);
  EXPECT_EQ(data::dict_file_by_ref(""_t), 0);  // no current file yet
  script::var_set_int(core::kSwCurFil, 2);
  EXPECT_EQ(data::dict_file_by_ref(""_t), 2);
  EXPECT_EQ(data::dict_file_resolve(0), 2);
  EXPECT_EQ(data::dict_file_resolve(255), 2);
  EXPECT_EQ(data::dict_file_resolve(1), 1);
  EXPECT_EQ(data::dict_file_resolve(7), 0);

  EXPECT_EQ(data::dict_field_by_name(1, "NOMBRE"_t), 2);
  EXPECT_EQ(data::dict_field_by_name(1, "nombre"_t), -1);  // names compare exactly
  EXPECT_EQ(data::dict_field_by_name(0, "N_LINE"_t), 2);
  data::FieldItem f;
  ASSERT_EQ(data::dict_field_attr(2, 3, &f), core::kOk);
  EXPECT_EQ(f.offset, 9);
  EXPECT_EQ(f.width, 8);
  EXPECT_EQ(f.type, 'D');
  EXPECT_EQ(data::dict_field_attr(2, 4, &f), core::DATAOUTBOUND);
  EXPECT_EQ(str(core::error_detail()), "(File:2, Field:4)");
  EXPECT_EQ(data::dict_field_attr(3, 1, &f), core::BADFILENUMBER);

  core::ArenaScope scope;
  EXPECT_EQ(str(data::dict_file_names()), "clientes,lineas");
  EXPECT_EQ(str(data::dict_field_names(1)), "CODIGO,NOMBRE,SALDO");
  EXPECT_EQ(str(data::dict_field_names(9)), "");
}

TEST_F(DictionaryTest, FieldReferences) {
  uint16_t file = 0, field = 0;
  EXPECT_EQ(data::dict_field_ref("NOMBRE{CLIENTES}"_t, &file, &field), core::kOk);
  EXPECT_EQ(file, 1);
  EXPECT_EQ(field, 2);
  EXPECT_EQ(data::dict_field_ref("3{2}"_t, &file, &field), core::kOk);
  EXPECT_EQ(file, 2);
  EXPECT_EQ(field, 3);
  EXPECT_EQ(data::dict_field_ref("\xD1ORA{lineas}"_t, &file, &field), core::kOk);
  EXPECT_EQ(field, 3);
  EXPECT_EQ(data::dict_field_ref("{1}"_t, &file, &field), core::kOk);
  EXPECT_EQ(field, 0);
  script::var_set_int(core::kSwCurFil, 1);
  EXPECT_EQ(data::dict_field_ref("SALDO{}"_t, &file, &field), core::kOk);
  EXPECT_EQ(file, 1);
  EXPECT_EQ(field, 3);

  core::error_clear();
  EXPECT_EQ(data::dict_field_ref("NOMBRE"_t, &file, &field), core::SINTAXERROR);
  EXPECT_EQ(str(core::error_detail()), "Field:NOMBRE");
  EXPECT_EQ(data::dict_field_ref("NADA{1}"_t, &file, &field), core::SINTAXERROR);
  EXPECT_EQ(str(core::error_detail()), "Field:NADA{1}");
  EXPECT_EQ(data::dict_field_ref("#2{1}"_t, &file, &field), core::SINTAXERROR);
  EXPECT_EQ(data::dict_field_ref("NOMBRE{9}"_t, &file, &field), core::FILEOUTBOUND);
  EXPECT_EQ(data::dict_field_ref("NOMBRE{otro}"_t, &file, &field), core::FILEOUTBOUND);
  EXPECT_EQ(data::dict_field_ref("4{1}"_t, &file, &field), core::DATAOUTBOUND);
  EXPECT_EQ(str(core::error_detail()), "(File:1, Field:4)");
  EXPECT_EQ(data::dict_field_ref(core::text_error_value(core::STROUTBOUND), &file, &field),
            core::STROUTBOUND);
}

TEST_F(DictionaryTest, KeysKeepPerFileOrderWhateverOrderTheyArriveIn) {
  data::KeySegment a{0, 6}, b{6, 30}, c{0, 9};
  ASSERT_EQ(data::dict_add_key(2, &c, 1), core::kOk);
  ASSERT_EQ(data::dict_add_key(1, &a, 1), core::kOk);
  ASSERT_EQ(data::dict_add_key(1, &b, 1), core::kOk);
  ASSERT_EQ(data::dict_add_default_key(2), core::kOk);
  EXPECT_EQ(data::dict_key_length(1, 1, 0), 6);
  EXPECT_EQ(data::dict_key_length(1, 2, 0), 30);
  EXPECT_EQ(data::dict_key_length(2, 1, 0), 9);
  EXPECT_EQ(data::dict_key_length(2, 2, 0), 9);  // up to the end of N_LINE
  EXPECT_EQ(data::dict_key_length(2, 3, 0), 0);  // no such key
  data::KeySegment too_far{60, 2};
  ASSERT_EQ(data::dict_add_key(1, &too_far, 1), core::kOk);
  uint16_t fields[data::kMaxSegments];
  int count = 0;
  EXPECT_EQ(data::dict_key_fields(1, 3, fields, &count), core::INTERNAL);
  EXPECT_EQ(data::dict_add_key(3, &a, 1), core::FILEOUTBOUND);
  // Six segments: five are kept.
  data::KeySegment six[6] = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}};
  ASSERT_EQ(data::dict_add_key(1, six, 6), core::kOk);
  EXPECT_EQ(data::dict_key_length(1, 4, 0), 5);
  EXPECT_EQ(data::dict_key_length(1, 4, 2), 2);
}

TEST_F(DictionaryTest, LimitsOfFilesAndRecords) {
  EXPECT_EQ(data::dict_add_field("HUGE"_t, 32767, 'A'), core::DATAOUTBOUND);
  for (int i = 3; i <= 30; ++i)
    ASSERT_EQ(data::dict_add_file(0, txt("f" + std::to_string(i)), ""_t), core::kOk);
  EXPECT_EQ(data::dict_add_file(0, "f31"_t, ""_t), core::FILEOUTBOUND);
  EXPECT_EQ(data::dict_file_count(), 30);
  EXPECT_EQ(data::dict_add_field("X"_t, 1, 'A'), core::FILEOUTBOUND);
  data::dict_clear();
  EXPECT_EQ(data::dict_file_count(), 0);
  EXPECT_EQ(data::dict_add_field("X"_t, 1, 'A'), core::FILEOUTBOUND);
  EXPECT_EQ(core::slot_count(core::kGroupFieldNames), 0);
}

TEST_F(DictionaryTest, RuntimeVectors) {
  struct Small {
    uint16_t a;
  };
  struct Big {
    uint32_t a, b;
  };
  const uint16_t v = 10;
  EXPECT_EQ(data::vector_count(v), 0u);
  ASSERT_EQ(data::vector_put(v, 3, Small{7}), core::kOk);
  EXPECT_EQ(data::vector_count(v), 4u);
  Small s{99};
  ASSERT_TRUE(data::vector_get(v, 1, &s));
  EXPECT_EQ(s.a, 0);  // the items in between are zero
  ASSERT_TRUE(data::vector_get(v, 3, &s));
  EXPECT_EQ(s.a, 7);
  EXPECT_FALSE(data::vector_get(v, 4, &s));
  EXPECT_EQ(data::vector_put(v, 0, Big{1, 2}), core::STRUCTMEMERROR);
  Big b{};
  EXPECT_FALSE(data::vector_get(v, 0, &b));
  ASSERT_EQ(data::vector_delete(v, 0), core::kOk);
  ASSERT_TRUE(data::vector_get(v, 2, &s));
  EXPECT_EQ(s.a, 7);
  EXPECT_EQ(data::vector_delete(v, 3), core::DATAOUTBOUND);
  ASSERT_EQ(data::vector_insert(v, 0, &s, sizeof s), core::kOk);
  EXPECT_EQ(data::vector_count(v), 4u);
  EXPECT_EQ(data::vector_put(24, 0, s), core::DATAOUTBOUND);
  EXPECT_EQ(data::vector_put(v, 70000, s), core::DATAOUTBOUND);
  data::vector_clear(v);
  EXPECT_EQ(data::vector_put(v, 0, Big{1, 2}), core::kOk);
}

TEST_F(DictionaryTest, TheApplicationDictionaryIsFoundInTheDefinitionFolders) {
  data::dict_clear();
  datatest::TempFolder first, second;
  second.write("apdicc.dat", "01*  *00UNO\r\n01       002 AA\r\n");
  std::string folders = first.path() + ", '" + second.path() + "'";
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folders)), core::kOk);
  ASSERT_EQ(data::dict_load_application("AP"_t), core::kOk);
  EXPECT_EQ(data::dict_file_count(), 1);
  EXPECT_EQ(data::dict_key_length(1, 1, 0), 2);
  data::dict_clear();
  EXPECT_EQ(data::dict_load_application("ZZ"_t), core::FILENOTFOUND);
  EXPECT_EQ(str(core::error_detail()), "ZZDICC.DAT");
}

TEST(DataContextTest, VectorsNeedAContext) {
  core::CoreContext core;
  EXPECT_EQ(data::vector_put(10, 0, uint16_t{1}), core::STRUCTMEMERROR);
  EXPECT_EQ(data::vector_count(10), 0u);
}

}  // namespace
