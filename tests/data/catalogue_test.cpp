// The dictionary built from the catalogue of a real database: types and
// widths, the same file and key numbers on every run, indexes that cannot
// be keys, tables of other schemas, the limit of 30 files.
#include <gtest/gtest.h>

#include <sstream>

#include <unistd.h>

#include "core/arena.h"
#include "core/errors.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/internal/catalogue.h"
#include "data/records.h"
#include "data/session.h"
#include "tests/data/pg_test.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;

class CatalogueTest : public datatest::DbTest {
 protected:
  // Fields as NAME:TYPE:WIDTH, comma-separated.
  std::string fields(uint16_t file) {
    std::ostringstream out;
    data::FileItem f;
    if (data::dict_file_attr(file, &f) != core::kOk) return "no file";
    for (uint16_t i = 1; i <= f.field_count; ++i) {
      data::FieldItem d;
      if (data::dict_field_attr(file, i, &d) != core::kOk) return "bad field";
      out << (i > 1 ? "," : "") << str(data::dict_field_name(file, i)) << ":" << d.type << ":"
          << d.width;
    }
    return out.str();
  }
  // Keys as their field numbers, "|" between keys.
  std::string keys(uint16_t file) {
    std::ostringstream out;
    data::FileItem f;
    if (data::dict_file_attr(file, &f) != core::kOk) return "no file";
    for (uint16_t k = 1; k <= f.key_count; ++k) {
      uint16_t list[data::kMaxSegments];
      int count = 0;
      if (data::dict_key_fields(file, k, list, &count) != core::kOk) return "bad key";
      out << (k > 1 ? "|" : "");
      for (int i = 0; i < count; ++i) out << (i > 0 ? "," : "") << list[i];
    }
    return out.str();
  }
  std::string names() {
    core::ArenaScope scope;
    return str(data::dict_file_names());
  }
  // A fresh runtime connected with the given flags: the dictionary anew.
  void reload(int flags = data::kOpenColumns) {
    reset_runtime();
    ASSERT_EQ(connect(flags), core::kOk) << str(core::error_detail());
  }
};

TEST_F(CatalogueTest, ColumnTypesAndWidths) {
  sql("CREATE TABLE tipos (c char(6), v varchar(30), t text, d date, s smallint, i integer, "
      "b bigint, n numeric(10,2), n0 numeric(8), nf numeric, r real, dp double precision, "
      "sr serial, big numeric(30,12), ok boolean);");
  reload();
  ASSERT_EQ(names(), "tipos");
  EXPECT_EQ(fields(1),
            "c:A:6,v:A:30,t:A:255,d:D:8,s:N:16,i:N:32,b:N:64,n:2:10,n0:N:8,nf:N:20,r:N:24,dp:N:53,"
            "sr:N:32,big:9:30,ok:A:1");
  data::FileItem f;
  ASSERT_EQ(data::dict_file_attr(1, &f), core::kOk);
  EXPECT_EQ(f.kind, 0);
  EXPECT_EQ(f.record_length, 6 + 30 + 255 + 8 + 16 + 32 + 64 + 10 + 8 + 20 + 24 + 53 + 32 + 30 + 1);
  EXPECT_EQ(str(data::dict_file_location(1)), "");
  // No index: the default key on field 1.
  EXPECT_EQ(keys(1), "1");
}

// Types an application meets less often are read as before: domains as
// their base type, arrays and enumerations as texts; a dropped column
// leaves no field.
TEST_F(CatalogueTest, DomainsArraysEnumsAndDroppedColumns) {
  sql("CREATE DOMAIN importe AS numeric(12,2); CREATE DOMAIN codigo AS varchar(5);"
      "CREATE DOMAIN codigos AS varchar(5)[]; CREATE TYPE estado AS ENUM ('a', 'b');"
      "CREATE TABLE raros (i importe, c codigo, cs codigos, e estado, ns int[], x int, ch char, "
      "vb varchar, bt bit(4), ts timestamp, tm time(3), u uuid);"
      "ALTER TABLE raros DROP COLUMN x;");
  reload();
  ASSERT_EQ(names(), "raros");
  EXPECT_EQ(fields(1), "i:2:12,c:A:5,cs:A:255,e:A:255,ns:A:255,ch:A:1,vb:A:255,bt:A:4,ts:A:32,tm:A:21,u:A:255");
}

TEST_F(CatalogueTest, ColumnsWithoutAWidthKeepTheirValues) {
  // Dates, texts, truth values and numbers without a declared size hold
  // their values: read into the record and written back by an insert.
  sql("CREATE TABLE notas (id integer PRIMARY KEY, d date, t text, ok boolean, n numeric);");
  sql("INSERT INTO notas VALUES (1, '2026-12-08', 'una nota larga', true, 12.5);");
  reload();
  ASSERT_EQ(data::access_open(1, 8), core::kOk) << str(core::error_detail());
  core::ArenaScope scope;
  EXPECT_EQ(str(data::field_get(1, 2, data::Buffer::Current)), "20261208");
  EXPECT_EQ(str(core::text_trim(data::field_get(1, 3, data::Buffer::Current), core::kTrimRight)),
            "una nota larga");
  EXPECT_EQ(str(data::field_get(1, 4, data::Buffer::Current)), "t");
  EXPECT_EQ(str(core::text_trim(data::field_get(1, 5, data::Buffer::Current), core::kTrimBoth)), "12.5");
  ASSERT_EQ(data::field_put(1, 1, "2"_t), core::kOk);
  ASSERT_EQ(data::access_insert(1), core::kOk) << str(core::error_detail());
  EXPECT_EQ(sql("SELECT d || '|' || t || '|' || ok || '|' || n FROM notas WHERE id = 2;"),
            "2026-12-08|una nota larga|true|12.5");
}

TEST_F(CatalogueTest, FilesAndKeysKeepTheirNumbersFromRunToRun) {
  sql("CREATE TABLE zeta (a int, b int, c int);"
      "CREATE INDEX zeta_c ON zeta (c);"
      "CREATE UNIQUE INDEX zeta_b ON zeta (b, a);"
      "CREATE INDEX zeta_ab ON zeta (a, b);"
      "ALTER TABLE zeta ADD PRIMARY KEY (a);"
      "CREATE TABLE alpha (x int PRIMARY KEY);"
      "CREATE TABLE mid (y int);");
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    reload();
    EXPECT_EQ(names(), "zeta,alpha,mid");
    // Primary key, then the unique index, then the others as created.
    EXPECT_EQ(keys(1), "1|2,1|3|1,2");
    EXPECT_EQ(keys(2), "1");
    EXPECT_EQ(keys(3), "1");
    // Rebuilding the tables' physical order does not move anything.
    sql("VACUUM FULL zeta;");
    sql("REINDEX TABLE zeta;");
  }
}

TEST_F(CatalogueTest, DroppedColumnsExpressionIndexesAndOtherSchemas) {
  sql("CREATE TABLE cli (gone int, codigo char(4), nombre varchar(20), baja int);"
      "ALTER TABLE cli DROP COLUMN gone;"
      "CREATE UNIQUE INDEX cli_lower ON cli (lower(nombre));"
      "CREATE INDEX cli_nombre ON cli (nombre, codigo);"
      "CREATE SCHEMA other;"
      "CREATE TABLE other.cli (x int, y int, z int, w int, v int);"
      "CREATE INDEX other_cli ON other.cli (v);"
      "CREATE TABLE other.solo (x int);");
  reload();
  ASSERT_EQ(names(), "cli");
  EXPECT_EQ(fields(1), "codigo:A:4,nombre:A:20,baja:N:32");
  // The expression index is no key; the column numbers skip the dropped column.
  EXPECT_EQ(keys(1), "2,1");
}

TEST_F(CatalogueTest, TablesOnlyAndNoRebuildOverAnExistingDictionary) {
  sql("CREATE TABLE a (x int PRIMARY KEY); CREATE TABLE \"Mixed\" (y int);");
  reload(data::kOpenTables);
  EXPECT_EQ(names(), "a,mixed");
  EXPECT_EQ(fields(1), "");
  EXPECT_EQ(keys(1), "");
  // A second connection finds files already defined and leaves them.
  ASSERT_EQ(connect(data::kOpenColumns), core::kOk);
  EXPECT_EQ(fields(1), "");
  // Without a flag nothing is built.
  reload(0);
  EXPECT_EQ(data::dict_file_count(), 0);
}

// The catalogue is read for all tables at once: each file still gets the
// columns and keys of its own table and no other, whatever the order of the
// names, names that differ only in case or hold a blank, tables of the same
// name in another schema, and a table without any index.
TEST_F(CatalogueTest, EveryFileGetsTheColumnsAndKeysOfItsOwnTable) {
  sql("CREATE TABLE zz (b varchar(7), a char(3) PRIMARY KEY, n numeric(5,1));"
      "CREATE INDEX zz_n ON zz (n, b);"
      "CREATE TABLE \"Caps\" (x int, y char(2));"
      "CREATE UNIQUE INDEX caps_y ON \"Caps\" (y);"
      "CREATE TABLE caps (p date, q char(9));"
      "CREATE INDEX caps_q ON caps (q);"
      "CREATE TABLE \"with blank\" (w char(4));"
      "CREATE TABLE aa (i int, j int, k int);"
      "CREATE INDEX aa_kj ON aa (k, j);"
      "CREATE UNIQUE INDEX aa_j ON aa (j);"
      "CREATE SCHEMA other;"
      "CREATE TABLE other.aa (z int PRIMARY KEY, zz int);"
      "CREATE INDEX other_aa ON other.aa (zz);");
  reload();
  ASSERT_EQ(data::dict_file_count(), 5);
  EXPECT_EQ(fields(1), "b:A:7,a:A:3,n:1:5");
  EXPECT_EQ(keys(1), "2|3,1");
  EXPECT_EQ(fields(2), "x:N:32,y:A:2");
  EXPECT_EQ(keys(2), "2");
  EXPECT_EQ(fields(3), "p:D:8,q:A:9");
  EXPECT_EQ(keys(3), "2");
  EXPECT_EQ(fields(4), "w:A:4");
  EXPECT_EQ(keys(4), "1");
  EXPECT_EQ(fields(5), "i:N:32,j:N:32,k:N:32");
  EXPECT_EQ(keys(5), "2|3,2");
}

// A user sees the tables and the columns the server lets him use: a table
// with only some columns granted gives only those fields, a table with no
// grant gives no file, a table granted whole gives every field, and
// another user's view is seen through its grant like a table.
TEST_F(CatalogueTest, AUserSeesOnlyWhatHeIsGranted) {
  std::string role = "clerk" + std::to_string(getpid());
  datatest::admin_sql("postgres", "CREATE ROLE " + role + " LOGIN PASSWORD 'pw';");
  roles_.push_back(role);
  sql("CREATE TABLE partes (a int, secreto text, c char(3), d date);"
      "CREATE TABLE oculta (x int);"
      "CREATE TABLE entera (k char(2) PRIMARY KEY, v numeric(6,1));"
      "CREATE VIEW vista AS SELECT k FROM entera;"
      "GRANT SELECT (a, c) ON partes TO " + role + "; GRANT UPDATE (d) ON partes TO " + role + ";"
      "GRANT INSERT ON entera TO " + role + "; GRANT SELECT ON vista TO " + role + ";"
      "REVOKE ALL ON SCHEMA public FROM PUBLIC; GRANT USAGE ON SCHEMA public TO " + role + ";");
  reset_runtime();
  ASSERT_EQ(data::sql_connect(txt(datatest::pg_host()), txt(db_), txt(role), "pw"_t, data::kOpenColumns),
            core::kOk)
      << str(core::error_detail());
  ASSERT_EQ(names(), "partes,entera,vista");
  EXPECT_EQ(fields(1), "a:N:32,c:A:3,d:D:8");
  EXPECT_EQ(fields(2), "k:A:2,v:1:6");
  EXPECT_EQ(keys(2), "1");
  EXPECT_EQ(fields(3), "k:A:2");
  // The owner sees them all.
  reload();
  EXPECT_EQ(names(), "partes,oculta,entera,vista");
  EXPECT_EQ(fields(1), "a:N:32,secreto:A:255,c:A:3,d:D:8");
}

// The dictionary's own catalogue queries give the rows the standard views
// give, for the owner and for a user with some grants, over types of
// every kind: domains (of domains, of arrays), arrays, enumerations,
// composite types, bit strings, numbers with and without a size, dropped
// columns, views and partitions.
TEST_F(CatalogueTest, TheQueriesGiveWhatTheStandardViewsGive) {
  std::string role = "viewer" + std::to_string(getpid());
  datatest::admin_sql("postgres", "CREATE ROLE " + role + " LOGIN PASSWORD 'pw';");
  roles_.push_back(role);
  ASSERT_EQ(sql("CREATE DOMAIN d_num AS numeric(9,3); CREATE DOMAIN d_vc AS varchar(12);"
                "CREATE DOMAIN d_ch AS char(4); CREATE DOMAIN d_arr AS int[]; CREATE DOMAIN d_bit AS bit varying(7);"
                "CREATE DOMAIN d_int AS integer; CREATE DOMAIN d_dom AS d_num; CREATE DOMAIN d_txt AS text;"
                "CREATE TYPE mood AS ENUM ('a'); CREATE TYPE pair AS (a int, b text);"
                "CREATE TABLE zoo (a smallint, b bigint, c real, d double precision, e numeric, f numeric(5),"
                " g numeric(7,-2), h float(10), i bit(3), j varbit, k char, l varchar, m text, n date,"
                " o timestamp(3), p interval, q int[], r varchar(5)[], s mood, t pair, u d_num, v d_vc,"
                " w d_ch, x d_arr, y d_bit, z d_int, aa d_dom, bb serial, cc bigserial, dd money, ee uuid,"
                " ff json, gg \"char\", hh name, ii oid, jj bytea, kk boolean, ll timetz, mm inet, nn d_txt,"
                " gone int, oo numeric(38,10), pp bit varying, qq character varying(1000));"
                "ALTER TABLE zoo DROP COLUMN gone;"
                "CREATE VIEW zoo_view AS SELECT a, u, r FROM zoo;"
                "CREATE TABLE part (k int, v varchar(3)) PARTITION BY RANGE (k);"
                "CREATE TABLE part_1 PARTITION OF part FOR VALUES FROM (0) TO (10);"
                "CREATE MATERIALIZED VIEW mat AS SELECT 1 AS one;"
                "CREATE TABLE hidden (x int);"
                "GRANT SELECT (a, u, x) ON zoo TO " + role + "; GRANT REFERENCES (qq) ON zoo TO " + role + ";"
                "GRANT SELECT ON zoo_view TO " + role + "; GRANT TRUNCATE ON part TO " + role + ";"),
            "");
  const std::string ours_columns = datatest::str(data::internal::kColumnQuery);
  const std::string views_columns =
      "SELECT table_name, column_name, data_type, character_maximum_length, numeric_precision, "
      "numeric_scale, ordinal_position FROM information_schema.columns WHERE table_schema = 'public' "
      "ORDER BY table_name, ordinal_position;";
  const std::string ours_tables = datatest::str(data::internal::kTableQuery);
  const std::string views_tables =
      "SELECT table_name FROM information_schema.tables WHERE table_schema = 'public' "
      "ORDER BY (quote_ident(table_schema) || '.' || quote_ident(table_name))::regclass::oid;";
  for (const std::string& as : {std::string(), "SET ROLE " + role + ";"}) {
    std::string columns = sql(as + ours_columns);
    EXPECT_EQ(columns, sql(as + views_columns)) << as;
    EXPECT_EQ(sql(as + ours_tables), sql(as + views_tables)) << as;
    if (as.empty()) {
      EXPECT_NE(columns.find("zoo|aa|USER-DEFINED"), std::string::npos) << columns;
      EXPECT_NE(columns.find("zoo|x|ARRAY"), std::string::npos) << columns;
      EXPECT_NE(columns.find("zoo|u|numeric||9|3|"), std::string::npos) << columns;
    } else {
      EXPECT_EQ(columns, "zoo|a|smallint||16|0|1\nzoo|u|numeric||9|3|21\nzoo|x|ARRAY||||24\n"
                         "zoo|qq|character varying|1000|||44\n"
                         "zoo_view|a|smallint||16|0|1\nzoo_view|u|numeric||9|3|2\n"
                         "zoo_view|r|ARRAY||||3");
    }
  }
}

// Tables named like the catalogues, found first by the search path, are
// files like any other and do not stand in for the catalogues.
TEST_F(CatalogueTest, TablesNamedLikeTheCataloguesAreJustTables) {
  sql("CREATE TABLE pg_class (x int); CREATE TABLE pg_attribute (y char(2));"
      "CREATE TABLE pg_type (z int); CREATE TABLE pg_index (w int); CREATE TABLE pg_namespace (v int);"
      "CREATE TABLE real_one (k char(3) PRIMARY KEY, n numeric(6,2));"
      "ALTER DATABASE " + db_ + " SET search_path = public, pg_catalog;");
  reload();
  EXPECT_EQ(names(), "pg_class,pg_attribute,pg_type,pg_index,pg_namespace,real_one");
  EXPECT_EQ(fields(2), "y:A:2");
  EXPECT_EQ(fields(6), "k:A:3,n:2:6");
  EXPECT_EQ(keys(6), "1");
}

TEST_F(CatalogueTest, ThirtyTablesAreTheLimit) {
  std::string ddl;
  for (int i = 1; i <= 31; ++i) ddl += "CREATE TABLE t" + std::to_string(i) + " (k int);";
  sql(ddl);
  reset_runtime();
  core::error_clear();
  // The thirtieth file is defined but cannot take fields; the rest is not read.
  EXPECT_EQ(connect(data::kOpenColumns), core::FILEOUTBOUND);
  EXPECT_EQ(str(core::error_detail()), "t30.k");
  EXPECT_EQ(data::dict_file_count(), 30);
  EXPECT_TRUE(data::session_connected());
  EXPECT_EQ(fields(29), "k:N:32");
  EXPECT_EQ(fields(30), "");
  // Tables only: the thirty-first is refused.
  reset_runtime();
  EXPECT_EQ(connect(data::kOpenTables), core::FILEOUTBOUND);
  EXPECT_EQ(str(core::error_detail()), "t31");
  EXPECT_EQ(data::dict_file_count(), 30);
}

}  // namespace
