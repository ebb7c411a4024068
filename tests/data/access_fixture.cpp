#include "tests/data/access_fixture.h"

#include "core/arena.h"
#include "core/slots.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/internal/access_run.h"

namespace datatest {

using core::operator""_t;

const char* const kAccountsDictionary =
    "01*  *00MOVS\r\n"
    "01       004 ADOC\r\n"
    "01       003 NN_LINE\r\n"
    "01       004 AACC\r\n"
    "01       009 2AMT\r\n"
    "02*  *00CUENTAS\r\n"
    "02       004 AACC\r\n"
    "02       012 2SALDO\r\n"
    "02       005 NMOVES\r\n"
    "31<00010040005003>\r\n"
    "31<0008004>\r\n"
    "32<0001004>\r\n"
    "61:CUENTASR2K1\r\n";

void AccessTest::SetUp() {
  DbTest::SetUp();
  ASSERT_EQ(connect(), core::kOk);
  data::internal::statement_trace_set(&trace_);
}

void AccessTest::TearDown() {
  data::internal::statement_trace_set(nullptr);
  DbTest::TearDown();
}

uint16_t AccessTest::define_file(const std::string& name, const std::vector<FieldDef>& fields,
                                 const std::vector<std::vector<int>>& keys, bool unique_first) {
  EXPECT_EQ(data::dict_add_file(0, txt(name), ""_t), core::kOk);
  auto file = static_cast<uint16_t>(data::dict_file_count());
  std::vector<uint16_t> offsets;
  uint16_t offset = 0;
  for (const FieldDef& f : fields) {
    EXPECT_EQ(data::dict_add_field(txt(f.name), f.width, f.type), core::kOk);
    offsets.push_back(offset);
    offset = static_cast<uint16_t>(offset + f.width);
  }
  for (const std::vector<int>& key : keys) {
    std::vector<data::KeySegment> segments;
    for (int field : key) segments.push_back({offsets.at(field - 1), fields.at(field - 1).width});
    EXPECT_EQ(data::dict_add_key(file, segments.data(), static_cast<int>(segments.size())), core::kOk);
  }
  if (keys.empty()) {
    EXPECT_EQ(data::dict_add_default_key(file), core::kOk);
  }
  create_table(file, unique_first);
  return file;
}

void AccessTest::create_table(uint16_t file, bool unique_first) {
  core::ArenaScope scope;
  data::FileItem item;
  ASSERT_EQ(data::dict_file_attr(file, &item), core::kOk);
  std::string columns;
  for (uint16_t i = 1; i <= item.field_count; ++i) {
    data::FieldItem f;
    ASSERT_EQ(data::dict_field_attr(file, i, &f), core::kOk);
    std::string type = "character(" + std::to_string(f.width) + ")";
    if (f.type == 'N') type = "numeric(" + std::to_string(f.width) + ")";
    if (f.type >= '1' && f.type <= '9')
      type = "numeric(" + std::to_string(f.width) + "," + std::string(1, f.type) + ")";
    columns += (columns.empty() ? "" : ", ") + ("\"" + str(data::dict_field_name(file, i)) + "\" " + type);
  }
  sql("CREATE TABLE " + str(data::dict_file_name(file)) + " (" + columns + ");");
  for (uint16_t k = 1; k <= item.key_count; ++k) create_index(file, k, unique_first && k == 1);
}

void AccessTest::create_tables(bool unique_first) {
  for (uint16_t n = 1; n <= data::dict_file_count(); ++n) create_table(n, unique_first);
}

void AccessTest::load_dictionary(const std::vector<std::pair<std::string, std::string>>& files) {
  for (const auto& [name, content] : files) folder_.write(name, content);
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), core::kOk);
  ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvApName, "XXTEST"_t), core::kOk);
  ASSERT_EQ(data::dict_load("XX"_t, txt(folder_.path()), ""_t), core::kOk);
}

void AccessTest::create_index(uint16_t file, uint16_t key, bool unique) {
  core::ArenaScope scope;
  sql(str(data::access_index_definition(file, key, unique)));
}

void AccessTest::reset_tables() {
  for (uint16_t n = 1; n <= data::dict_file_count(); ++n) {
    static_cast<void>(data::access_close(n));
    sql("DROP TABLE IF EXISTS " + str(data::dict_file_name(n)) + ";");
  }
  data::dict_clear();
  trace_.clear();
}

void AccessTest::line(const char* doc, const char* n, const char* acc, const char* amt) {
  ASSERT_EQ(data::access_open(1, 0), 0);
  ASSERT_EQ(data::field_put(1, 1, txt(doc)), 0);
  ASSERT_EQ(data::field_put(1, 2, txt(n)), 0);
  ASSERT_EQ(data::field_put(1, 3, txt(acc)), 0);
  ASSERT_EQ(data::field_put(1, 4, txt(amt)), 0);
}

std::vector<std::string> AccessTest::sent() {
  std::vector<std::string> out;
  out.swap(trace_);
  return out;
}

}  // namespace datatest
