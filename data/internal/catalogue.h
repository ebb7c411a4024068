// The catalogue queries the dictionary is built from when an application
// has no dictionary files of its own. Only the data layer's implementation
// files (and its tests) include this. Catalogues and functions are named
// with their schema: a database may hold a table of the same name, and a
// search path may put it first.
#pragma once

#include "core/text.h"

namespace data::internal {

using core::operator""_t;

// The tables of schema public, in creation order: the rows and the
// privilege filter of information_schema.tables, read from pg_catalog
// itself (the view costs a fresh session milliseconds of planning and
// works out columns nobody reads).
inline constexpr core::Text kTableQuery =
    "SELECT c.relname AS table_name FROM pg_catalog.pg_class c "
    "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
    "WHERE n.nspname = 'public' AND c.relkind IN ('r', 'v', 'f', 'p') "
    "AND (pg_catalog.pg_has_role(c.relowner, 'USAGE') "
    "OR pg_catalog.has_table_privilege(c.oid, "
    "'SELECT, INSERT, UPDATE, DELETE, TRUNCATE, REFERENCES, TRIGGER') "
    "OR pg_catalog.has_any_column_privilege(c.oid, 'SELECT, INSERT, UPDATE, REFERENCES')) "
    "ORDER BY c.oid;"_t;

// The columns of every table of schema public, each table's in the order
// of its own query of old: one query whatever the number of tables. Values
// are kept as the catalogue gives them, so each table's fields are made
// exactly as from one query of its own.
//
// The columns are those information_schema.columns gives (the same rows,
// names, type names, lengths, precisions and privilege filter), read from
// pg_catalog itself: the view costs a fresh session some milliseconds of
// planning at every start. The lengths and precisions are worked out as
// the view's helper functions do, written out inline: as functions they
// cost a call each, five a column.
inline constexpr core::Text kColumnQuery =
    "SELECT c.relname AS table_name, a.attname AS column_name, "
    // a type of schema pg_catalog (namespace 11) by its name, a domain by its base type's
    "CASE WHEN t.typtype = 'd' THEN "
    "(SELECT CASE WHEN bt.typelem <> 0 AND bt.typlen = -1 THEN 'ARRAY' "
    "WHEN bt.typnamespace = 11 THEN pg_catalog.format_type(t.typbasetype, NULL) "
    "ELSE 'USER-DEFINED' END "
    "FROM pg_catalog.pg_type bt WHERE bt.oid = t.typbasetype) "
    "ELSE CASE WHEN t.typelem <> 0 AND t.typlen = -1 THEN 'ARRAY' "
    "WHEN t.typnamespace = 11 THEN pg_catalog.format_type(a.atttypid, NULL) "
    "ELSE 'USER-DEFINED' END END AS data_type, "
    // character and bit types: the declared length
    "CASE WHEN tt.mod = -1 THEN NULL WHEN tt.id IN (1042, 1043) THEN tt.mod - 4 "
    "WHEN tt.id IN (1560, 1562) THEN tt.mod END AS character_maximum_length, "
    // integers and floats: their bits; numeric: the declared precision and scale
    "CASE tt.id WHEN 21 THEN 16 WHEN 23 THEN 32 WHEN 20 THEN 64 "
    "WHEN 1700 THEN CASE WHEN tt.mod = -1 THEN NULL ELSE ((tt.mod - 4) >> 16) & 65535 END "
    "WHEN 700 THEN 24 WHEN 701 THEN 53 END AS numeric_precision, "
    "CASE WHEN tt.id IN (21, 23, 20) THEN 0 "
    "WHEN tt.id = 1700 THEN CASE WHEN tt.mod = -1 THEN NULL ELSE (tt.mod - 4) & 65535 END "
    "END AS numeric_scale, "
    "a.attnum AS ordinal_position "
    "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
    "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
    "JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
    // a domain counts as its base type with the domain's modifier
    "CROSS JOIN LATERAL (SELECT "
    "CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE a.atttypid END AS id, "
    "CASE WHEN t.typtype = 'd' THEN t.typtypmod ELSE a.atttypmod END AS mod) tt "
    "WHERE n.nspname = 'public' AND a.attnum > 0 AND NOT a.attisdropped "
    "AND c.relkind IN ('r', 'v', 'f', 'p') "
    "AND (pg_catalog.pg_has_role(c.relowner, 'USAGE') OR "
    "pg_catalog.has_column_privilege(c.oid, a.attnum, 'SELECT, INSERT, UPDATE, REFERENCES')) "
    "ORDER BY c.relname, a.attnum;"_t;

// The indexes of every table of schema public: the primary key first, then
// the unique ones, then the rest, each group in creation order.
inline constexpr core::Text kIndexQuery =
    "SELECT c.relname AS table_name, i.indkey FROM pg_catalog.pg_index i "
    "JOIN pg_catalog.pg_class c ON c.oid = i.indrelid "
    "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = 'public' "
    "ORDER BY c.relname, i.indisprimary DESC, i.indisunique DESC, i.indexrelid;"_t;

// The foreign keys between tables of schema public, in creation order.
inline constexpr core::Text kForeignKeyQuery =
    "SELECT s.relname AS from_table, d.relname AS to_table, c.conkey::text AS from_columns, "
    "c.confkey::text AS to_columns FROM pg_catalog.pg_constraint c "
    "JOIN pg_catalog.pg_class s ON s.oid = c.conrelid "
    "JOIN pg_catalog.pg_namespace sn ON sn.oid = s.relnamespace "
    "JOIN pg_catalog.pg_class d ON d.oid = c.confrelid "
    "JOIN pg_catalog.pg_namespace dn ON dn.oid = d.relnamespace "
    "WHERE c.contype = 'f' AND sn.nspname = 'public' AND dn.nspname = 'public' ORDER BY c.oid;"_t;

}  // namespace data::internal
