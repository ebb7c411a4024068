// Shared pieces of the keyed-access tests: a database of the test's own
// with the session open on it, and the indexes the access layer wants.
#pragma once

#include <string>
#include <vector>

#include "core/status.h"
#include "tests/data/pg_test.h"

namespace datatest {

// A field of a test file: name, width, type letter.
struct FieldDef {
  std::string name;
  uint16_t width;
  char type;
};

// A dictionary "XX" of two files: movs (lines of account movements: DOC
// A4, N_LINE N3, ACC A4, AMT 2 9; key 1 DOC+N_LINE, key 2 ACC, whose value
// is key 1 of CUENTAS by the relation text) and cuentas (ACC A4, SALDO
// 2 12, MOVES N5; key 1 ACC).
extern const char* const kAccountsDictionary;

class AccessTest : public DbTest {
 protected:
  // Defines a data file and creates its table (character(w) for text,
  // numeric(w) or numeric(w,d) for numbers) and the index of each key
  // (keys as lists of field numbers, one segment per field; none: the
  // default key). Returns the file number.
  uint16_t define_file(const std::string& name, const std::vector<FieldDef>& fields,
                       const std::vector<std::vector<int>>& keys, bool unique_first = false);
  void SetUp() override;
  void TearDown() override;
  // Creates the table of every file of the dictionary (as define_file
  // does) with the index of each key, key 1 unique when asked.
  void create_tables(bool unique_first = false);
  void create_table(uint16_t file, bool unique_first);
  // Loads the dictionary "XX" from files written into a definitions folder
  // of the test's own (name, content pairs) and makes that folder the
  // definition folder and XX the application's prefix.
  void load_dictionary(const std::vector<std::pair<std::string, std::string>>& files);
  // The index of a key as the access layer defines it.
  void create_index(uint16_t file, uint16_t key, bool unique);
  // Drops every table of the test database and forgets the dictionary.
  void reset_tables();
  // A line of movs (the accounts dictionary, file 1) typed into its
  // current buffer: DOC, N_LINE, ACC, AMT.
  void line(const char* doc, const char* n, const char* acc, const char* amt);
  // The statements the access layer sent since the last call.
  std::vector<std::string> sent();

  std::vector<std::string> trace_;
  TempFolder folder_;
};

}  // namespace datatest
