// Record buffers: opening, fields in and out at their types and widths,
// current and saved records, key values.
#include "data/records.h"

#include <gtest/gtest.h>

#include "core/arena.h"
#include "core/errors.h"
#include "data/dictionary.h"
#include "script/variables.h"
#include "tests/data/pg_test.h"

namespace {

using core::operator""_t;
using data::Buffer;
using datatest::str;
using datatest::txt;

class RecordsTest : public datatest::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(data::dict_add_file(0, "pedidos"_t, ""_t), core::kOk);
    ASSERT_EQ(data::dict_add_field("SERIE"_t, 2, 'A'), core::kOk);    // 0
    ASSERT_EQ(data::dict_add_field("NUMERO"_t, 5, 'N'), core::kOk);   // 2
    ASSERT_EQ(data::dict_add_field("IMPORTE"_t, 8, '2'), core::kOk);  // 7
    ASSERT_EQ(data::dict_add_field("FECHA"_t, 6, 'F'), core::kOk);    // 15
    ASSERT_EQ(data::dict_add_field("PAGADO"_t, 1, 'L'), core::kOk);   // 21
    data::KeySegment serie_numero[2] = {{0, 2}, {2, 5}};
    ASSERT_EQ(data::dict_add_key(1, serie_numero, 2), core::kOk);
    ASSERT_EQ(data::dict_add_default_key(1), core::kOk);
    ASSERT_EQ(data::dict_add_file(0, "vacio"_t, ""_t), core::kOk);
    ASSERT_EQ(data::buffer_open(1), core::kOk);
  }
  std::string current() { return str(data::buffer_get(1, Buffer::Current)); }
  std::string saved() { return str(data::buffer_get(1, Buffer::Saved)); }
  std::string get(uint16_t field, Buffer which = Buffer::Current) {
    core::ArenaScope scope;
    return str(data::field_get(1, field, which));
  }
};

TEST_F(RecordsTest, FieldsAreStoredAtTheirTypeAndWidth) {
  EXPECT_EQ(current(), std::string(22, ' '));
  EXPECT_EQ(saved(), std::string(22, ' '));
  ASSERT_EQ(data::field_put(1, 1, "ABC"_t), core::kOk);
  ASSERT_EQ(data::field_put(1, 2, "42"_t), core::kOk);
  ASSERT_EQ(data::field_put(1, 3, "1234.5"_t), core::kOk);
  ASSERT_EQ(data::field_put(1, 5, "1"_t), core::kOk);
  EXPECT_EQ(current(), "AB   42 1234.50      1");
  EXPECT_EQ(get(1), "AB");
  EXPECT_EQ(get(2), "   42");
  EXPECT_EQ(get(3), " 1234.50");
  EXPECT_EQ(get(0), "");
  EXPECT_EQ(data::field_put(1, 0, "ignored"_t), core::kOk);

  // A number that does not fit is refused and the field keeps its value.
  core::error_clear();
  EXPECT_EQ(data::field_put(1, 2, "1234567"_t), core::DATAOUTBOUND);
  EXPECT_EQ(core::error_last().context, core::Context::BUFFERFLDPUT);
  EXPECT_EQ(get(2), "   42");
}

TEST_F(RecordsTest, CurrentAndSavedRecords) {
  ASSERT_EQ(data::field_put(1, 2, "7"_t), core::kOk);
  EXPECT_TRUE(data::buffer_changed(1));
  ASSERT_EQ(data::buffer_save(1), core::kOk);
  EXPECT_FALSE(data::buffer_changed(1));
  ASSERT_EQ(data::field_put(1, 2, "8"_t), core::kOk);
  EXPECT_EQ(get(2), "    8");
  EXPECT_EQ(get(2, Buffer::Saved), "    7");
  ASSERT_EQ(data::buffer_restore(1), core::kOk);
  EXPECT_EQ(get(2), "    7");
  ASSERT_EQ(data::buffer_put(1, Buffer::Current, "ZZ"_t), core::kOk);
  EXPECT_EQ(current(), "ZZ    7               ");
  ASSERT_EQ(data::buffer_put(1, Buffer::Saved, txt(std::string(40, 'x'))), core::kOk);
  EXPECT_EQ(saved(), std::string(22, 'x'));
  EXPECT_EQ(current(), "ZZ    7               ");
  ASSERT_EQ(data::buffer_clear(1), core::kOk);
  EXPECT_EQ(current() + saved(), std::string(44, ' '));
  // The current file stands for 0 and 255.
  script::var_set_int(core::kSwCurFil, 1);
  ASSERT_EQ(data::field_put(0, 1, "Q"_t), core::kOk);
  EXPECT_EQ(str(data::buffer_get(255, Buffer::Current)).substr(0, 2), "Q ");
}

TEST_F(RecordsTest, SixCharacterDatesAndNumbersWithD) {
  script::var_set_int(core::kSwCompat, 4);
  ASSERT_EQ(data::field_put(1, 4, "20240315"_t), core::kOk);
  EXPECT_EQ(current().substr(15, 6), "C40315");
  EXPECT_EQ(get(4), "20240315");
  ASSERT_EQ(data::buffer_save(1), core::kOk);
  EXPECT_EQ(get(4, Buffer::Saved), "C40315");
  ASSERT_EQ(data::field_put(1, 4, "19991231"_t), core::kOk);
  EXPECT_EQ(get(4), "19991231");
  EXPECT_EQ(current().substr(15, 6), "991231");

  ASSERT_EQ(data::field_put(1, 2, "D5"_t), core::kOk);
  EXPECT_EQ(get(2), "15");
  EXPECT_EQ(get(2, Buffer::Saved), "     ");
  ASSERT_EQ(data::buffer_save(1), core::kOk);
  EXPECT_EQ(get(2, Buffer::Saved), "   D5");
}

TEST_F(RecordsTest, BadFilesFieldsAndBuffers) {
  core::error_clear();
  EXPECT_EQ(str(data::field_get(1, 6, Buffer::Current)), "error 168");
  EXPECT_EQ(str(core::error_detail()), "(File:1, Field:6)");
  EXPECT_EQ(core::error_last().context, core::Context::BUFFERFLDGET);
  core::error_clear();
  EXPECT_EQ(data::field_put(1, 9, "x"_t), core::DATAOUTBOUND);
  EXPECT_EQ(core::error_last().context, core::Context::BUFFERFLDPUT);
  EXPECT_EQ(str(data::field_get(5, 1, Buffer::Current)), "error 151");
  EXPECT_EQ(data::field_put(5, 1, "x"_t), core::BADFILENUMBER);
  EXPECT_EQ(data::buffer_open(5), core::BADFILENUMBER);
  // A file without fields has no buffers; so has a file never opened.
  EXPECT_EQ(data::buffer_open(2), core::FILENOTINIT);
  EXPECT_EQ(str(data::buffer_get(2, Buffer::Current)), "error 169");
  data::buffer_close(1);
  EXPECT_FALSE(data::buffer_is_open(1));
  EXPECT_EQ(str(data::field_get(1, 1, Buffer::Current)), "error 169");
  EXPECT_EQ(data::field_put(1, 1, "x"_t), core::FILENOTINIT);
  EXPECT_EQ(data::buffer_clear(1), core::FILENOTINIT);
  EXPECT_FALSE(data::buffer_changed(1));
  EXPECT_EQ(data::buffer_put(1, Buffer::Current, core::text_error_value(core::STROUTBOUND)),
            core::STROUTBOUND);
}

TEST_F(RecordsTest, KeyValuesComeFromAndGoToTheKeyFields) {
  ASSERT_EQ(data::field_put(1, 1, "B"_t), core::kOk);
  ASSERT_EQ(data::field_put(1, 2, "12"_t), core::kOk);
  core::ArenaScope scope;
  EXPECT_EQ(str(data::key_value(1, 1, Buffer::Current)), "B    12");
  EXPECT_EQ(str(data::key_value(1, 2, Buffer::Current)), "B ");  // the default key: field 1
  EXPECT_EQ(str(data::key_value(1, 1, Buffer::Saved)), "       ");
  EXPECT_EQ(str(data::key_value(1, 3, Buffer::Current)), "error 168");

  ASSERT_EQ(data::buffer_clear(1), core::kOk);
  ASSERT_EQ(data::key_value_put(1, 1, "XY  9"_t), core::kOk);
  EXPECT_EQ(current(), "XY  9                 ");
  ASSERT_EQ(data::key_value_put(1, 1, "AB1234567890"_t), core::kOk);
  EXPECT_EQ(current(), "AB12345               ");
  ASSERT_EQ(data::key_value_put(1, 1, "C"_t), core::kOk);
  EXPECT_EQ(current(), "C 12345               ");
  EXPECT_EQ(data::key_value_put(1, 4, "C"_t), core::DATAOUTBOUND);
}

}  // namespace
